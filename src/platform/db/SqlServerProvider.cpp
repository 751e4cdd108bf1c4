#include "SqlServerProvider.h"

#include "DatabaseError.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

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

QVariant paramValue(const SqlParam& p)
{
    if (p.kind == SqlParam::Kind::Text)
        return QVariant(p.value);
    const QString t = p.value.trimmed();
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    if (ok)
        return QVariant(n);
    const double d = t.toDouble(&ok);
    if (!ok)
        throw DatabaseError(QStringLiteral("Incorrect syntax: '%1' is not a number").arg(p.value));
    return QVariant(d);
}

void prepareAndBind(QSqlQuery& q, const QString& sql, const std::vector<SqlParam>& params)
{
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    if (!q.prepare(sql))
        throw DatabaseError(errorText(q.lastError()));
    for (size_t i = 0; i < params.size(); ++i)
        q.bindValue(static_cast<int>(i), paramValue(params[i]));
    if (!q.exec())
        throw DatabaseError(errorText(q.lastError()));
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
        throw DatabaseError(errorText(db.lastError()));
}

bool SqlServerProvider::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

ResultSet SqlServerProvider::select(const QString& sql, const std::vector<SqlParam>& params)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    prepareAndBind(q, sql, params);
    const QSqlRecord rec = q.record();
    std::vector<QString> names;
    for (int c = 0; c < rec.count(); ++c)
        names.push_back(rec.fieldName(c));
    ResultSet rs(std::move(names));
    const int cols = rec.count();
    while (q.next()) {
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
    return rs;
}

long long SqlServerProvider::execute(const QString& sql, const std::vector<SqlParam>& params)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    prepareAndBind(q, sql, params);
    return q.numRowsAffected();
}
