#include "EmbeddedProvider.h"

#include "AppIdentity.h"
#include "DatabaseError.h"
#include "EmbeddedUpgrade.h"
#include "SqliteFunctions.h"

#include <QFileInfo>
#include <cerrno>
#include <charconv>
#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 10000;  // other workstations' short writes
constexpr int kStatementCacheLimit = 128;

// SQLite's last error on db, with its kind; err, when given, is its text.
DatabaseError errorOf(sqlite3* db, const char* err = nullptr)
{
    return DatabaseError(QString::fromUtf8(err ? err : sqlite3_errmsg(db)),
                         EmbeddedProvider::kindOf(sqlite3_extended_errcode(db), sqlite3_system_errno(db)));
}

[[noreturn]] void failOn(sqlite3* db, const char* err = nullptr)
{
    throw errorOf(db, err);
}

// sqlite3_exec for the provider's own statements; the result code.
int execPlain(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

}  // namespace

void EmbeddedProvider::exec(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QByteArray msg(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        failOn(db, msg.constData());
    }
}

EmbeddedProvider::~EmbeddedProvider()
{
    close();
}

void EmbeddedProvider::dropStatements()
{
    for (const auto& p : m_prepared)
        sqlite3_finalize(p->st);
    m_prepared.clear();
    m_byText.clear();
    m_byAddress.clear();
}

void EmbeddedProvider::close()
{
    dropStatements();
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
    // Memory statistics cost a global lock on every allocation and nobody
    // reads them. Only possible before SQLite's first use; later it stays on.
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    (void)configured;
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        const DatabaseError::Kind kind =
            kindOf(db ? sqlite3_extended_errcode(db) : rc, db ? sqlite3_system_errno(db) : 0);
        sqlite3_close_v2(db);
        if (!QFileInfo::exists(path))
            msg = QStringLiteral("Cannot open database: %1 does not exist (%2)").arg(path, msg);
        throw DatabaseError(msg, kind);
    }
    try {
        try {
            configure(db);
        } catch (const DatabaseError& e) {
            // A database in WAL mode needs to write its -shm beside it even to
            // read; where it cannot, SQLite's own reason is vague.
            if (e.kind() == DatabaseError::Kind::Other && !writable(path))
                throw DatabaseError(e.databaseText(), DatabaseError::Kind::ReadOnly);
            throw;
        }
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    return db;
}

bool EmbeddedProvider::writable(const QString& path)
{
    // QFileInfo asks the system for the user's own access (access(2) on POSIX).
    const QFileInfo file(path);
    return file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
}

void EmbeddedProvider::configure(sqlite3* db)
{
    {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        SqliteFunctions::registerAll(db);
        exec(db, "PRAGMA journal_mode=WAL");
        exec(db, "PRAGMA synchronous=NORMAL");
        // A save writes tens of megabytes in one transaction; a cache that
        // holds them spares writing pages to the log again and again.
        exec(db, "PRAGMA cache_size=-65536");
        exec(db, "PRAGMA foreign_keys=OFF");
    }
}

void EmbeddedProvider::open(const ConnectionString& cs)
{
    close();
    const QString catalog = cs.value(QStringLiteral("Initial Catalog"));
    if (catalog.isEmpty())
        throw DatabaseError(QStringLiteral("The connection string names no Initial Catalog"));
    sqlite3* db = openFile(databasePath(cs));
    // A file that is there but is no catalogue fails now, not at the first statement.
    try {
        exec(db, "SELECT count(*) FROM sqlite_master");
        // A file made by an earlier version gets the ledger and the column
        // widths of this one.
        EmbeddedUpgrade::bringUpToDate(db);
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    m_db = db;
    m_moved = false;
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
    failOn(m_db);
}

DatabaseError::Kind EmbeddedProvider::kindOf(int extendedCode, int systemErrno)
{
    using K = DatabaseError::Kind;
    if (extendedCode == SQLITE_READONLY_DBMOVED)
        return K::Moved;
    switch (extendedCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return K::Busy;
    case SQLITE_FULL:
        return K::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return K::ReadOnly;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return K::Damaged;
    case SQLITE_CANTOPEN:
        if (systemErrno == EROFS || systemErrno == EACCES || systemErrno == EPERM)
            return K::ReadOnly;
        break;
    case SQLITE_IOERR:
        // An I/O error says little by itself; the system's reason says more.
        switch (systemErrno) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return K::DiskFull;
        case EROFS:
        case EACCES:
        case EPERM:
            return K::ReadOnly;
        case ENOENT:
        case ESTALE:
            return K::Moved;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return K::Other;
}

void EmbeddedProvider::checkInPlace()
{
    if (!m_db)
        throw DatabaseError(QStringLiteral("The database connection is not open"));
    if (!m_moved) {
        int moved = 0;
        if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved) {
            m_moved = true;
            // The -wal and -shm beside the path now pair with another file (a
            // restored copy): this connection must leave them empty and, when it
            // closes, must not delete them as if they were its own.
            int persist = 1;
            sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
            if (sqlite3_get_autocommit(m_db)) {
                sqlite3_busy_timeout(m_db, 0);
                sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
                sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
            }
        }
    }
    if (m_moved)
        throw DatabaseError(QStringLiteral("The database file %1 was moved, replaced or deleted while it was open")
                                .arg(QString::fromUtf8(sqlite3_db_filename(m_db, "main"))),
                            DatabaseError::Kind::Moved);
}

void EmbeddedProvider::checkBeforeStatement()
{
    if (m_moved || (m_db && sqlite3_get_autocommit(m_db)))
        checkInPlace();
}

bool EmbeddedProvider::begin(int waitMs)
{
    checkInPlace();
    if (!sqlite3_get_autocommit(m_db))
        throw DatabaseError(QStringLiteral("A transaction is already open"));
    if (waitMs >= 0)
        sqlite3_busy_timeout(m_db, waitMs);
    const int rc = execPlain(m_db, "BEGIN IMMEDIATE");
    if (waitMs >= 0)
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    if (rc == SQLITE_OK)
        return true;
    if ((rc & 0xff) == SQLITE_BUSY)
        return false;
    fail();
}

void EmbeddedProvider::commit()
{
    checkInPlace();
    if (execPlain(m_db, "COMMIT") != SQLITE_OK)
        fail();
}

void EmbeddedProvider::rollback() noexcept
{
    if (!m_db || sqlite3_get_autocommit(m_db))
        return;
    // Statements of the transaction are reset after each use; none is left
    // stepping that ROLLBACK would have to abort.
    execPlain(m_db, "ROLLBACK");
    if (m_moved) {
        sqlite3_busy_timeout(m_db, 0);
        sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    }
}

bool EmbeddedProvider::inTransaction() const
{
    return m_db && !sqlite3_get_autocommit(m_db);
}

EmbeddedProvider::Prepared& EmbeddedProvider::prepare(const QString& tsql)
{
    if (!m_db)
        throw DatabaseError(QStringLiteral("The database connection is not open"));
    Prepared* p = m_byAddress.value(tsql.constData());
    if (!p)
        p = m_byText.value(tsql);
    if (p) {
        sqlite3_reset(p->st);
        sqlite3_clear_bindings(p->st);
        // SQLite prepares a statement again by itself after a schema change,
        // which may change what "*" stands for.
        if (sqlite3_column_count(p->st) != static_cast<int>(p->columns->size()))
            describeColumns(*p);
        return *p;
    }
    if (m_prepared.size() >= kStatementCacheLimit)
        dropStatements();
    auto fresh = std::make_unique<Prepared>();
    fresh->tsql = tsql;
    fresh->adapted = TsqlAdapter::translate(tsql);
    const QByteArray utf8 = fresh->adapted.sql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v3(m_db, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_PREPARE_PERSISTENT,
                           &fresh->st, &tail) != SQLITE_OK)
        fail();
    if (!fresh->st)
        throw DatabaseError(QStringLiteral("Empty statement"));
    describeColumns(*fresh);
    p = fresh.get();
    m_prepared.push_back(std::move(fresh));
    m_byText.insert(p->tsql, p);
    m_byAddress.insert(p->tsql.constData(), p);
    return *p;
}

void EmbeddedProvider::describeColumns(Prepared& p)
{
    const int cols = sqlite3_column_count(p.st);
    std::vector<QString> names;
    names.reserve(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c)
        names.push_back(QString::fromUtf8(sqlite3_column_name(p.st, c)));
    p.columns = std::make_shared<const std::vector<QString>>(std::move(names));
    p.dateTime.assign(static_cast<size_t>(cols), false);
    for (int c : p.adapted.dateTimeColumns)
        if (c < cols)
            p.dateTime[static_cast<size_t>(c)] = true;
}

namespace {

// UTF-16 to UTF-8 written at out, as QString::toUtf8 converts (a lone
// surrogate becomes U+FFFD); out has room for three bytes per unit. Returns
// the end of what was written.
char* writeUtf8(const QString& s, char* out)
{
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            *out++ = static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *out++ = static_cast<char>(0xE0 | (c >> 12));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            // Two UTF-16 units became four bytes: still within three per unit.
            *out++ = static_cast<char>(0xF0 | (c >> 18));
            *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

void EmbeddedProvider::bind(sqlite3_stmt* st, const std::vector<SqlParam>& params)
{
    if (sqlite3_bind_parameter_count(st) != static_cast<int>(params.size()))
        throw DatabaseError(QStringLiteral("The statement has %1 placeholders but %2 values")
                                .arg(sqlite3_bind_parameter_count(st))
                                .arg(params.size()));
    // All texts into one buffer, then bound where they lie: the buffer stays
    // as it is until the next statement binds.
    qsizetype need = 0;
    for (const SqlParam& p : params)
        if (p.kind == SqlParam::Kind::Text)
            need += p.value.size() * 3;
    if (m_bindBuffer.size() < need)
        m_bindBuffer.resize(need);
    char* const base = m_bindBuffer.data();
    char* at = base;
    for (size_t i = 0; i < params.size(); ++i) {
        const int idx = static_cast<int>(i) + 1;
        const SqlParam& p = params[i];
        int rc;
        if (p.kind == SqlParam::Kind::Text) {
            char* end = writeUtf8(p.value, at);
            rc = sqlite3_bind_text(st, idx, at, static_cast<int>(end - at), SQLITE_STATIC);
            at = end;
        } else {
            // Written into the statement unquoted, so it must be a number there.
            long long n = 0;
            double d = 0;
            bool isInteger = false;
            if (!SqlParam::parseNumber(p.value, n, d, isInteger))
                throw DatabaseError(QStringLiteral("Incorrect syntax: '%1' is not a number").arg(p.value));
            rc = isInteger ? sqlite3_bind_int64(st, idx, n) : sqlite3_bind_double(st, idx, d);
        }
        if (rc != SQLITE_OK)
            fail();
    }
}

ResultSet EmbeddedProvider::select(const QString& sql, const std::vector<SqlParam>& params)
{
    checkBeforeStatement();
    Prepared& prepared = prepare(sql);
    sqlite3_stmt* st = prepared.st;
    bind(st, params);

    const int cols = static_cast<int>(prepared.columns->size());
    const std::vector<bool>& dateTime = prepared.dateTime;
    ResultSet rs(prepared.columns);
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW) {
            const DatabaseError e = errorOf(m_db);
            sqlite3_reset(st);
            throw e;
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

namespace {

// The row the statement stands on, read straight from SQLite: nothing is
// copied but the date-times, which are given with a "T" as a held result has them.
class SteppingRow final : public RowView {
public:
    SteppingRow(sqlite3_stmt* st, const std::vector<QString>& columns, const std::vector<bool>& dateTime)
        : m_st(st), m_columns(columns), m_dateTime(dateTime)
    {
    }

    int columnCount() const override { return static_cast<int>(m_columns.size()); }
    const QString& columnName(int col) const override { return m_columns[static_cast<size_t>(col)]; }
    ResultSet::Kind kind(int col) const override
    {
        switch (sqlite3_column_type(m_st, col)) {
        case SQLITE_NULL:
            return ResultSet::Kind::Null;
        case SQLITE_INTEGER:
            return ResultSet::Kind::Integer;
        case SQLITE_FLOAT:
            return ResultSet::Kind::Real;
        default:
            return m_dateTime[static_cast<size_t>(col)] ? ResultSet::Kind::DateTime : ResultSet::Kind::Text;
        }
    }
    int64_t integer(int col) const override
    {
        return sqlite3_column_type(m_st, col) == SQLITE_INTEGER ? sqlite3_column_int64(m_st, col) : 0;
    }
    double real(int col) const override
    {
        return sqlite3_column_type(m_st, col) == SQLITE_FLOAT ? sqlite3_column_double(m_st, col) : 0;
    }
    bool utf8(int col, const char*& bytes, size_t& size) const override
    {
        const int type = sqlite3_column_type(m_st, col);
        if (type != SQLITE_TEXT && type != SQLITE_BLOB)
            return false;
        bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_st, col));
        size = static_cast<size_t>(sqlite3_column_bytes(m_st, col));
        if (!m_dateTime[static_cast<size_t>(col)])
            return true;
        m_scratch = QByteArray(bytes, static_cast<qsizetype>(size)).replace(' ', 'T');
        bytes = m_scratch.constData();
        return true;
    }
    // One type test per cell: the report reads tens of millions of them.
    bool textUtf8(int col, const char*& bytes, size_t& size) const override
    {
        return !m_dateTime[static_cast<size_t>(col)] && SteppingRow::utf8(col, bytes, size);
    }

private:
    sqlite3_stmt* m_st;
    const std::vector<QString>& m_columns;
    const std::vector<bool>& m_dateTime;
    mutable QByteArray m_scratch;
};

}  // namespace

void EmbeddedProvider::selectEach(const QString& sql, const std::vector<SqlParam>& params,
                                  const std::function<void(const RowView&)>& row)
{
    checkBeforeStatement();
    Prepared& prepared = prepare(sql);
    sqlite3_stmt* st = prepared.st;
    bind(st, params);
    // A row handler that throws leaves the statement reset, not half stepped
    // (a statement left stepping would hold its read snapshot).
    struct ResetOnLeave {
        sqlite3_stmt* st;
        ~ResetOnLeave() { sqlite3_reset(st); }
    } reset{st};
    const SteppingRow view(st, *prepared.columns, prepared.dateTime);
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            return;
        if (rc != SQLITE_ROW)
            throw errorOf(m_db);
        row(view);
    }
}

long long EmbeddedProvider::execute(const QString& sql, const std::vector<SqlParam>& params)
{
    checkBeforeStatement();
    sqlite3_stmt* st = prepare(sql).st;
    bind(st, params);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        const DatabaseError e = errorOf(m_db);
        sqlite3_reset(st);
        throw e;
    }
    const long long changed = sqlite3_changes64(m_db);
    sqlite3_reset(st);
    return changed;
}
