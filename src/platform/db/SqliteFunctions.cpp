#include "SqliteFunctions.h"

#include "DatabaseError.h"

#include <QDateTime>
#include <QString>
#include <sqlite3.h>

namespace {

int trimmedLength(const char* s, int n)
{
    while (n > 0 && s[n - 1] == ' ')
        --n;
    return n;
}

int collateTextCi(void*, int aBytes, const void* a, int bBytes, const void* b)
{
    return SqliteFunctions::compareText(static_cast<const char*>(a), aBytes,
                                        static_cast<const char*>(b), bBytes);
}

// Getdate(): the local time, in the text form Query reads back as a date-time.
void getdateFn(sqlite3_context* ctx, int, sqlite3_value**)
{
    const QByteArray t =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    sqlite3_result_text(ctx, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

QString argText(sqlite3_value* v)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return QString::fromUtf8(p, sqlite3_value_bytes(v));
}

// LEN(x): characters without the trailing blanks, as T-SQL counts them.
void lenFn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    QString s = argText(argv[0]);
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == u' ')
        --n;
    s.truncate(n);
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(s.toUcs4().size()));
}

// LEFT(x, n): the first n characters; a negative n is an error, as in T-SQL.
void leftFn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const sqlite3_int64 n = sqlite3_value_int64(argv[1]);
    if (n < 0) {
        sqlite3_result_error(ctx, "Invalid length parameter passed to the LEFT or SUBSTRING function.", -1);
        return;
    }
    const QList<uint> chars = argText(argv[0]).toUcs4();
    const qsizetype keep = std::min<qsizetype>(chars.size(), static_cast<qsizetype>(n));
    const QByteArray out =
        QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()), keep).toUtf8();
    sqlite3_result_text(ctx, out.constData(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

// The escaping SQL Server applies to a value it writes as XML text.
void xmlEscapeFn(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int n = sqlite3_value_bytes(argv[0]);
    std::string out;
    out.reserve(static_cast<size_t>(n) + 16);
    for (int i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default:
            if (c < 0x20 && c != '\t' && c != '\n') {
                char buf[8];
                std::snprintf(buf, sizeof buf, "&#x%02X;", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    sqlite3_result_text(ctx, out.data(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

void check(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK)
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
}

}  // namespace

int SqliteFunctions::compareText(const char* a, int aBytes, const char* b, int bBytes)
{
    const int an = trimmedLength(a, aBytes);
    const int bn = trimmedLength(b, bBytes);
    int i = 0;
    // Plain ASCII decides most comparisons (keys, codes, numbers) without decoding.
    for (; i < an && i < bn; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x80 || cb >= 0x80)
            break;
        const int la = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
        const int lb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
        if (la != lb)
            return la - lb;
    }
    if (i == an || i == bn)
        return (an - i) - (bn - i);
    const QString qa = QString::fromUtf8(a + i, an - i);
    const QString qb = QString::fromUtf8(b + i, bn - i);
    return qa.compare(qb, Qt::CaseInsensitive);
}

void SqliteFunctions::registerAll(sqlite3* db)
{
    check(db, sqlite3_create_collation_v2(db, "TEXT_CI", SQLITE_UTF8, nullptr, collateTextCi, nullptr));
    const int det = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    check(db, sqlite3_create_function_v2(db, "getdate", 0, SQLITE_UTF8, nullptr, getdateFn, nullptr, nullptr, nullptr));
    check(db, sqlite3_create_function_v2(db, "len", 1, det, nullptr, lenFn, nullptr, nullptr, nullptr));
    check(db, sqlite3_create_function_v2(db, "tsql_left", 2, det, nullptr, leftFn, nullptr, nullptr, nullptr));
    check(db, sqlite3_create_function_v2(db, "tsql_xml", 1, det, nullptr, xmlEscapeFn, nullptr, nullptr, nullptr));
}
