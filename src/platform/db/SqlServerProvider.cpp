#include "SqlServerProvider.h"

#include "DatabaseError.h"

#include <QAtomicInt>
#include <QHash>
#include <QRegularExpression>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>

namespace {

// ODBC attribute values holding ; { } or outer blanks must be braced, with } doubled.
QString odbcValue(const QString& v)
{
    if (v.contains(u';') || v.contains(u'{') || v.contains(u'}') || v.contains(u'=') || v != v.trimmed()
        || v.isEmpty()) {
        QString e = v;
        e.replace(QStringLiteral("}"), QStringLiteral("}}"));
        return u'{' + e + u'}';
    }
    return v;
}

QString errorText(const QSqlError& e)
{
    const QString db = e.databaseText().trimmed();
    return db.isEmpty() ? e.text() : db;
}

DatabaseError errorOf(const QSqlError& e)
{
    const QString text = errorText(e);
    return DatabaseError(text, SqlServerProvider::kindOf(e.nativeErrorCode(), text));
}

QVariant paramValue(const SqlParam& p)
{
    if (p.kind == SqlParam::Kind::Text)
        return QVariant(p.value);
    long long n = 0;
    double d = 0;
    bool isInteger = false;
    if (!SqlParam::parseNumber(p.value, n, d, isInteger))
        throw DatabaseError(QStringLiteral("Incorrect syntax: '%1' is not a number").arg(p.value));
    return isInteger ? QVariant(static_cast<qlonglong>(n)) : QVariant(d);
}

void prepareAndBind(QSqlQuery& q, const QString& sql, const std::vector<SqlParam>& params)
{
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    if (!q.prepare(sql))
        throw errorOf(q.lastError());
    for (size_t i = 0; i < params.size(); ++i)
        q.bindValue(static_cast<int>(i), paramValue(params[i]));
    if (!q.exec())
        throw errorOf(q.lastError());
}

}  // namespace

SqlServerProvider::SqlServerProvider(QString driver) : m_driver(std::move(driver))
{
    static QAtomicInt serial;
    m_name = QStringLiteral("cheque-sqlserver-%1").arg(serial.fetchAndAddRelaxed(1));
}

SqlServerProvider::~SqlServerProvider()
{
    if (QSqlDatabase::contains(m_name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
}

QString SqlServerProvider::odbcConnectionString(const ConnectionString& cs, const QString& driver)
{
    QString server = cs.value(QStringLiteral("Data Source")).trimmed();
    QString port;
    // FreeTDS wants the port apart; Microsoft's driver takes "host,port".
    const int comma = server.indexOf(u',');
    if (comma >= 0 && driver.contains(QStringLiteral("FreeTDS"), Qt::CaseInsensitive)) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
    QString s = QStringLiteral("DRIVER={%1};SERVER=%2;").arg(driver, odbcValue(server));
    if (!port.isEmpty())
        s += QStringLiteral("PORT=%1;").arg(odbcValue(port));
    s += QStringLiteral("DATABASE=%1;UID=%2;PWD=%3;")
             .arg(odbcValue(cs.value(QStringLiteral("Initial Catalog"))),
                  odbcValue(cs.value(QStringLiteral("User ID"))),
                  odbcValue(cs.value(QStringLiteral("Password"))));
    if (driver.contains(QStringLiteral("FreeTDS"), Qt::CaseInsensitive))
        s += QStringLiteral("ClientCharset=UTF-8;");
    return s;
}

void SqlServerProvider::open(const ConnectionString& cs)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
        throw DatabaseError(QStringLiteral("Qt's ODBC driver (QODBC) is not installed"));
    QSqlDatabase db = QSqlDatabase::contains(m_name) ? QSqlDatabase::database(m_name, false)
                                                     : QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    db.close();
    db.setDatabaseName(odbcConnectionString(cs, m_driver));
    if (!db.open())
        throw errorOf(db.lastError());
    m_inTransaction = false;
    m_saveLocked = false;
}

bool SqlServerProvider::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

ResultSet SqlServerProvider::select(const QString& sql, const std::vector<SqlParam>& params)
{
    return runSelect(sql, params);
}

long long SqlServerProvider::execute(const QString& sql, const std::vector<SqlParam>& params)
{
    return runExecute(sql, params);
}

namespace {

std::vector<QString> columnNames(const QSqlQuery& q)
{
    const QSqlRecord rec = q.record();
    std::vector<QString> names;
    for (int c = 0; c < rec.count(); ++c)
        names.push_back(rec.fieldName(c));
    return names;
}

// Adds up to maxRows rows of the forward-only query to rs; false once it is done.
bool fetchRows(QSqlQuery& q, ResultSet& rs, size_t maxRows)
{
    const int cols = rs.columnCount();
    for (size_t taken = 0; taken < maxRows; ++taken) {
        if (!q.next()) {
            if (q.lastError().isValid())
                throw errorOf(q.lastError());
            return false;
        }
        rs.beginRow();
        for (int c = 0; c < cols; ++c) {
            const QVariant v = q.value(c);
            if (v.isNull()) {
                rs.addNull();
                continue;
            }
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::Bool:
                rs.addInteger(v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rs.addReal(v.toDouble());
                break;
            case QMetaType::QDateTime:
                rs.addDateTime(v.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")));
                break;
            case QMetaType::QDate:
                rs.addDateTime(v.toDate().startOfDay().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")));
                break;
            default:
                rs.addText(v.toString());
            }
        }
    }
    return true;
}

}  // namespace

ResultSet SqlServerProvider::runSelect(const QString& sql, const std::vector<SqlParam>& params)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    prepareAndBind(q, sql, params);
    ResultSet rs(columnNames(q));
    fetchRows(q, rs, SIZE_MAX);
    return rs;
}

void SqlServerProvider::selectEach(const QString& sql, const std::vector<SqlParam>& params,
                                   const std::function<void(const RowView&)>& row)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    prepareAndBind(q, sql, params);
    // Fetched forward a few thousand rows at a time: the whole result is
    // never held, and one value conversion per cell stays as for select().
    constexpr size_t kBatchRows = 4096;
    ResultSet batch(columnNames(q));
    for (bool more = true; more;) {
        more = fetchRows(q, batch, kBatchRows);
        forEachRow(batch, row);
        batch.clearRows();
    }
}

long long SqlServerProvider::runExecute(const QString& sql, const std::vector<SqlParam>& params)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    prepareAndBind(q, sql, params);
    return q.numRowsAffected();
}

QString SqlServerProvider::saveLockResource()
{
    return QStringLiteral("PL_Cheque_Vendor.TSQ_Cheque_Temp");
}

QString SqlServerProvider::lockStatement(int waitMs)
{
    // sp_getapplock answers 0 or 1 when granted, a negative number when not.
    // No row counts before the one result; counts back on afterwards, since
    // the flag take reads the rows its update changed.
    return QStringLiteral(
               "SET NOCOUNT ON;\r\n"
               "DECLARE @result int;\r\n"
               "EXEC @result = sp_getapplock @Resource = N'%1', @LockMode = N'Exclusive', "
               "@LockOwner = N'Session', @LockTimeout = %2;\r\n"
               "SELECT @result AS Result;\r\n"
               "SET NOCOUNT OFF;")
        .arg(saveLockResource())
        .arg(std::max(waitMs, 0));
}

QString SqlServerProvider::unlockStatement()
{
    return QStringLiteral("EXEC sp_releaseapplock @Resource = N'%1', @LockOwner = N'Session';")
        .arg(saveLockResource());
}

QString SqlServerProvider::beginStatement()
{
    return QStringLiteral("SET XACT_ABORT ON;\r\nBEGIN TRANSACTION;");
}

QString SqlServerProvider::commitStatement()
{
    return QStringLiteral("COMMIT TRANSACTION;");
}

QString SqlServerProvider::rollbackStatement()
{
    return QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;");
}

bool SqlServerProvider::begin(int)
{
    if (m_inTransaction)
        throw DatabaseError(QStringLiteral("A transaction is already open"));
    runExecute(beginStatement(), {});
    m_inTransaction = true;
    return true;
}

void SqlServerProvider::commit()
{
    runExecute(commitStatement(), {});
    m_inTransaction = false;
}

void SqlServerProvider::rollback() noexcept
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    // A lost session has been rolled back by the server already.
    try {
        runExecute(rollbackStatement(), {});
    } catch (...) {
    }
}

bool SqlServerProvider::tryLockSave(int waitMs)
{
    if (m_saveLocked)
        return true;
    const ResultSet rs = runSelect(lockStatement(waitMs), {});
    if (rs.rowCount() != 1 || rs.columnCount() != 1 || rs.kind(0, 0) != ResultSet::Kind::Integer)
        throw DatabaseError(QStringLiteral("sp_getapplock gave no result"));
    const long long result = rs.integer(0, 0);
    if (result == -999)
        throw DatabaseError(QStringLiteral("sp_getapplock: parameter validation or other call error"));
    m_saveLocked = result >= 0;
    return m_saveLocked;
}

void SqlServerProvider::unlockSave() noexcept
{
    if (!m_saveLocked)
        return;
    m_saveLocked = false;
    try {
        runExecute(unlockStatement(), {});
    } catch (...) {
        // A session that is gone holds no lock any more.
    }
}

DatabaseError::Kind SqlServerProvider::kindOf(const QString& codes, const QString& text)
{
    using K = DatabaseError::Kind;
    static const QHash<QString, K> known = {
        // lock request time out, deadlock victim, query timeout
        {QStringLiteral("1222"), K::Busy},
        {QStringLiteral("1205"), K::Busy},
        {QStringLiteral("HYT00"), K::Busy},
        {QStringLiteral("HYT01"), K::Busy},
        // filegroup full, transaction log full, no room to grow a file
        {QStringLiteral("1105"), K::DiskFull},
        {QStringLiteral("9002"), K::DiskFull},
        {QStringLiteral("1101"), K::DiskFull},
        {QStringLiteral("5149"), K::DiskFull},
        // read-only database, file group or secondary
        {QStringLiteral("3906"), K::ReadOnly},
        {QStringLiteral("3908"), K::ReadOnly},
        {QStringLiteral("652"), K::ReadOnly},
        {QStringLiteral("229"), K::ReadOnly},  // permission denied
        // I/O consistency errors, database suspect
        {QStringLiteral("823"), K::Damaged},
        {QStringLiteral("824"), K::Damaged},
        {QStringLiteral("825"), K::Damaged},
        {QStringLiteral("926"), K::Damaged},
        // the session is gone
        {QStringLiteral("08S01"), K::ConnectionLost},
        {QStringLiteral("08001"), K::ConnectionLost},
        {QStringLiteral("08003"), K::ConnectionLost},
        {QStringLiteral("08007"), K::ConnectionLost},
        {QStringLiteral("10054"), K::ConnectionLost},
        {QStringLiteral("20006"), K::ConnectionLost},  // FreeTDS: write to the server failed
        {QStringLiteral("20004"), K::ConnectionLost},  // FreeTDS: read from the server failed
        {QStringLiteral("20047"), K::ConnectionLost},  // FreeTDS: dead connection
    };
    static const QRegularExpression separators(QStringLiteral("[;,\\s]+"));
    for (const QString& code : codes.split(separators, Qt::SkipEmptyParts)) {
        const auto it = known.constFind(code.trimmed());
        if (it != known.constEnd())
            return *it;
    }
    // Drivers that report no number still say it in words.
    static const struct {
        const char* words;
        K kind;
    } phrases[] = {
        {"Communication link failure", K::ConnectionLost},
        {"server failed", K::ConnectionLost},
        {"Connection is dead", K::ConnectionLost},
        {"connection is not open", K::ConnectionLost},
        {"Lock request time out", K::Busy},
        {"deadlocked", K::Busy},
        {"Timeout expired", K::Busy},
        {"is full", K::DiskFull},
        {"read-only", K::ReadOnly},
        {"consistency-based I/O error", K::Damaged},
    };
    for (const auto& p : phrases)
        if (text.contains(QLatin1String(p.words), Qt::CaseInsensitive))
            return p.kind;
    return K::Other;
}
