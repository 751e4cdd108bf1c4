#include "Connection.h"

#include "DatabaseError.h"

#ifndef CHEQUE_DATA_SOURCE
#define CHEQUE_DATA_SOURCE "localhost"
#endif

QString Connection::fixedConnectionString()
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=*WiNNp!586;Persist Security Info=True;User ID=qvbnr;"
                          "Initial Catalog=PL_Cheque_Vendor;Data Source=")
        + QStringLiteral(CHEQUE_DATA_SOURCE);
}

Connection::Connection() : Connection(createProvider()) {}

Connection::Connection(std::unique_ptr<DbProvider> provider) : m_provider(std::move(provider)) {}

void Connection::setConnectionString(const QString& text)
{
    m_cs = ConnectionString(text);
}

void Connection::open()
{
    if (m_cs.text().isEmpty())
        throw DatabaseError(QStringLiteral("No connection string was set"));
    m_provider->open(m_cs);
}

bool Connection::isOpen() const
{
    return m_provider && m_provider->isOpen();
}

QString Connection::serverShortName() const
{
    const QString source = m_cs.value(QStringLiteral("Data Source"));
    const int dot = source.indexOf(u'.');
    return dot < 0 ? source : source.left(dot);
}
