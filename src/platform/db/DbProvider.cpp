#include "DbProvider.h"

#include "EmbeddedProvider.h"
#include "SqlServerProvider.h"

#ifndef CHEQUE_ODBC_DRIVER
#define CHEQUE_ODBC_DRIVER "FreeTDS"
#endif

std::unique_ptr<DbProvider> createProvider()
{
#if defined(CHEQUE_DB_PROVIDER_sqlserver)
    return std::make_unique<SqlServerProvider>(QStringLiteral(CHEQUE_ODBC_DRIVER));
#else
    return std::make_unique<EmbeddedProvider>();
#endif
}
