#pragma once

struct sqlite3;

// What every connection to the embedded database needs before its first
// statement: the TEXT_CI collation the schema's text columns use, and the
// T-SQL functions the program's statements call (Getdate, LEN, LEFT under the
// name tsql_left, since LEFT is a keyword in SQLite) plus the XML escaping
// behind the FOR XML PATH('') rewrite.
class SqliteFunctions {
public:
    static void registerAll(sqlite3* db);  // throws DatabaseError

    // TEXT_CI: case-insensitive, trailing blanks ignored. <0, 0, >0.
    static int compareText(const char* a, int aBytes, const char* b, int bBytes);
};
