#include "EmbeddedProvider.h"

#include "AppIdentity.h"
#include "DatabaseError.h"
#include "SqliteFunctions.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 10000;  // other workstations' short writes
constexpr int kStatementCacheLimit = 128;

void execPragma(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        throw DatabaseError(msg);
    }
}

}  // namespace

EmbeddedProvider::~EmbeddedProvider()
{
    close();
}

void EmbeddedProvider::close()
{
    for (sqlite3_stmt* st : std::as_const(m_statements))
        sqlite3_finalize(st);
    m_statements.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

QString EmbeddedProvider::databasePath(const ConnectionString& cs)
{
    return AppIdentity::embeddedDatabasePath(cs.value(QStringLiteral("Initial Catalog")));
}

sqlite3* EmbeddedProvider::openFile(const QString& path, bool create)
{
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        if (!QFileInfo::exists(path))
            msg = QStringLiteral("Cannot open database: %1 does not exist (%2)").arg(path, msg);
        throw DatabaseError(msg);
    }
    try {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        SqliteFunctions::registerAll(db);
        execPragma(db, "PRAGMA journal_mode=WAL");
        execPragma(db, "PRAGMA synchronous=NORMAL");
        execPragma(db, "PRAGMA foreign_keys=OFF");
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

void EmbeddedProvider::open(const ConnectionString& cs)
{
    close();
    const QString catalog = cs.value(QStringLiteral("Initial Catalog"));
    if (catalog.isEmpty())
        throw DatabaseError(QStringLiteral("The connection string names no Initial Catalog"));
    sqlite3* db = openFile(databasePath(cs));
    // A file that is there but is no catalogue fails now, not at the first statement.
    char* err = nullptr;
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        sqlite3_close_v2(db);
        throw DatabaseError(msg);
    }
    m_db = db;
    installProgressHandler();
}

void EmbeddedProvider::setProgressHandler(std::function<void()> handler)
{
    m_progress = std::move(handler);
    installProgressHandler();
}

void EmbeddedProvider::installProgressHandler()
{
    // Every few thousand virtual-machine steps: often enough for a paint every
    // 100 ms, cheap enough to go unmeasured.
    constexpr int kSteps = 10000;
    if (m_db)
        sqlite3_progress_handler(m_db, m_progress ? kSteps : 0, m_progress ? &EmbeddedProvider::onProgress : nullptr,
                                 this);
}

int EmbeddedProvider::onProgress(void* self)
{
    // Nothing may unwind through SQLite; a failing handler only misses a paint.
    try {
        static_cast<EmbeddedProvider*>(self)->m_progress();
    } catch (...) {
    }
    return 0;  // go on with the statement
}

void EmbeddedProvider::fail() const
{
    throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(m_db)));
}

sqlite3_stmt* EmbeddedProvider::prepare(const QString& sqliteSql)
{
    if (!m_db)
        throw DatabaseError(QStringLiteral("The database connection is not open"));
    if (sqlite3_stmt* st = m_statements.value(sqliteSql)) {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        return st;
    }
    if (m_statements.size() >= kStatementCacheLimit) {
        for (sqlite3_stmt* st : std::as_const(m_statements))
            sqlite3_finalize(st);
        m_statements.clear();
    }
    const QByteArray utf8 = sqliteSql.toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v3(m_db, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_PREPARE_PERSISTENT, &st,
                           &tail) != SQLITE_OK)
        fail();
    if (!st)
        throw DatabaseError(QStringLiteral("Empty statement"));
    m_statements.insert(sqliteSql, st);
    return st;
}

void EmbeddedProvider::bind(sqlite3_stmt* st, const std::vector<SqlParam>& params)
{
    if (sqlite3_bind_parameter_count(st) != static_cast<int>(params.size()))
        throw DatabaseError(QStringLiteral("The statement has %1 placeholders but %2 values")
                                .arg(sqlite3_bind_parameter_count(st))
                                .arg(params.size()));
    for (size_t i = 0; i < params.size(); ++i) {
        const int idx = static_cast<int>(i) + 1;
        const SqlParam& p = params[i];
        int rc;
        if (p.kind == SqlParam::Kind::Text) {
            const QByteArray u = p.value.toUtf8();
            rc = sqlite3_bind_text(st, idx, u.constData(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
        } else {
            // Written into the statement unquoted, so it must be a number there.
            const QString t = p.value.trimmed();
            bool ok = false;
            const qlonglong n = t.toLongLong(&ok);
            if (ok) {
                rc = sqlite3_bind_int64(st, idx, n);
            } else {
                const double d = t.toDouble(&ok);
                if (!ok || t.contains(u'e', Qt::CaseInsensitive) || t.startsWith(u'+'))
                    throw DatabaseError(QStringLiteral("Incorrect syntax: '%1' is not a number").arg(p.value));
                rc = sqlite3_bind_double(st, idx, d);
            }
        }
        if (rc != SQLITE_OK)
            fail();
    }
}

ResultSet EmbeddedProvider::select(const QString& sql, const std::vector<SqlParam>& params)
{
    const TsqlAdapter::Result& adapted = m_adapter.adapt(sql);
    sqlite3_stmt* st = prepare(adapted.sql);
    bind(st, params);

    const int cols = sqlite3_column_count(st);
    std::vector<QString> names;
    names.reserve(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c)
        names.push_back(QString::fromUtf8(sqlite3_column_name(st, c)));
    std::vector<bool> dateTime(static_cast<size_t>(cols), false);
    for (int c : adapted.dateTimeColumns)
        if (c < cols)
            dateTime[static_cast<size_t>(c)] = true;

    ResultSet rs(std::move(names));
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW) {
            const QString msg = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_reset(st);
            throw DatabaseError(msg);
        }
        rs.beginRow();
        for (int c = 0; c < cols; ++c) {
            // One call per cell; the value's own accessors cost less than a
            // column call each (a large report reads tens of millions of cells).
            sqlite3_value* v = sqlite3_column_value(st, c);
            switch (sqlite3_value_type(v)) {
            case SQLITE_NULL:
                rs.addNull();
                break;
            case SQLITE_INTEGER:
                rs.addInteger(sqlite3_value_int64(v));
                break;
            case SQLITE_FLOAT:
                rs.addReal(sqlite3_value_double(v));
                break;
            default: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
                const int n = sqlite3_value_bytes(v);
                if (dateTime[static_cast<size_t>(c)])
                    rs.addDateTime(QString::fromUtf8(p, n).replace(u' ', u'T'));
                else
                    rs.addText(p, static_cast<size_t>(n));
            }
            }
        }
    }
    sqlite3_reset(st);
    return rs;
}

long long EmbeddedProvider::execute(const QString& sql, const std::vector<SqlParam>& params)
{
    const TsqlAdapter::Result& adapted = m_adapter.adapt(sql);
    sqlite3_stmt* st = prepare(adapted.sql);
    bind(st, params);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_reset(st);
        throw DatabaseError(msg);
    }
    const long long changed = sqlite3_changes64(m_db);
    sqlite3_reset(st);
    return changed;
}
