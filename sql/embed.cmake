# Turns the embedded database's schema into a C++ header, so the program
# carries its catalogue instead of reading the source tree at run time.
# Usage: cmake -DIN=schema.sql -DOUT=EmbeddedSchemaText.h -P embed.cmake
file(READ "${IN}" _sql)
set(_text "// Generated from sql/embedded/schema.sql; do not edit.\n#pragma once\n\ninline constexpr const char kEmbeddedSchemaSql[] = R\"CHEQUESQL(${_sql})CHEQUESQL\";\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" _old)
  if(_old STREQUAL _text)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${_text}")
