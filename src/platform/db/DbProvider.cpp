#include "DbProvider.h"

#include "EmbeddedProvider.h"
#include "SqlServerProvider.h"

#include <charconv>

bool SqlParam::parseNumber(const QString& text, long long& integer, double& real, bool& isInteger)
{
    char buf[64];
    qsizetype b = 0, e = text.size();
    while (b < e && text.at(b) == u' ')
        ++b;
    while (e > b && text.at(e - 1) == u' ')
        --e;
    if (e - b <= 0 || e - b >= static_cast<qsizetype>(sizeof buf))
        return false;
    int digits = 0, points = 0;
    for (qsizetype i = b; i < e; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= u'0' && c <= u'9')
            ++digits;
        else if (c == u'.')
            ++points;
        else if (!(c == u'-' && i == b))
            return false;
        buf[i - b] = static_cast<char>(c);
    }
    if (digits == 0 || points > 1)
        return false;
    const char* first = buf;
    const char* last = buf + (e - b);
    if (points == 0) {
        const auto r = std::from_chars(first, last, integer);
        if (r.ec == std::errc() && r.ptr == last) {
            isInteger = true;
            return true;
        }
    }
    const auto r = std::from_chars(first, last, real, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != last)
        return false;
    isInteger = false;
    return true;
}

#ifndef CHEQUE_ODBC_DRIVER
#define CHEQUE_ODBC_DRIVER "FreeTDS"
#endif

void DbProvider::selectEach(const QString& sql, const std::vector<SqlParam>& params,
                            const std::function<void(const RowView&)>& row)
{
    forEachRow(select(sql, params), row);
}

std::unique_ptr<DbProvider> createProvider()
{
#if defined(CHEQUE_DB_PROVIDER_sqlserver)
    return std::make_unique<SqlServerProvider>(QStringLiteral(CHEQUE_ODBC_DRIVER));
#else
    return std::make_unique<EmbeddedProvider>();
#endif
}
