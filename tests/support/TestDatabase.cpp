#include "TestDatabase.h"

#include "ConnectionString.h"
#include "EmbeddedCatalog.h"
#include "EmbeddedProvider.h"

#include <QFile>

namespace {

void removeFiles(const QString& path)
{
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
}

}  // namespace

TestDatabase::TestDatabase()
    : m_path(EmbeddedProvider::databasePath(ConnectionString(Connection::fixedConnectionString())))
{
    removeFiles(m_path);
    EmbeddedCatalog::create(m_path);
    m_catalog = std::make_unique<EmbeddedCatalog>(m_path);
}

TestDatabase::~TestDatabase()
{
    m_connection.reset();
    m_catalog.reset();
    removeFiles(m_path);
}

QString TestDatabase::path() const
{
    return m_path;
}

Connection& TestDatabase::connection()
{
    if (!m_connection) {
        m_connection = std::make_unique<Connection>(std::make_unique<EmbeddedProvider>());
        m_connection->setConnectionString(Connection::fixedConnectionString());
        m_connection->open();
    }
    return *m_connection;
}

void TestDatabase::exec(const QString& sqliteSql)
{
    m_catalog->exec(sqliteSql);
}

QString TestDatabase::scalar(const QString& sqliteSql)
{
    return m_catalog->scalar(sqliteSql);
}

int TestDatabase::count(const QString& table)
{
    return scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toInt();
}

void TestDatabase::addUser(const QString& name, const QString& password, int level)
{
    m_catalog->addUser(name, password, level);
}
