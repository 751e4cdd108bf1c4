#include "DbProvider.h"

#include "EmbeddedProvider.h"
#include "SqlServerProvider.h"

#ifndef CHEQUE_ODBC_DRIVER
#define CHEQUE_ODBC_DRIVER "FreeTDS"
#endif

void DbProvider::selectEach(const QString& sql, const std::vector<SqlParam>& params,
                            const std::function<void(const RowView&)>& row)
{
    const ResultSet all = select(sql, params);
    ResultSetRow view(all, 0);
    for (size_t r = 0; r < all.rowCount(); ++r) {
        view.moveTo(all, r);
        row(view);
    }
}

std::unique_ptr<DbProvider> createProvider()
{
#if defined(CHEQUE_DB_PROVIDER_sqlserver)
    return std::make_unique<SqlServerProvider>(QStringLiteral(CHEQUE_ODBC_DRIVER));
#else
    return std::make_unique<EmbeddedProvider>();
#endif
}
