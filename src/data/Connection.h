#pragma once

#include "DbProvider.h"

#include <QString>
#include <functional>
#include <memory>

// DBConnec1: the program's one connection, opened once from the fixed
// connection string and shared by every window's query objects.
class Connection {
public:
    // The fixed connection string; the Data Source is chosen when building.
    static QString fixedConnectionString();

    Connection();  // with the build's provider
    explicit Connection(std::unique_ptr<DbProvider> provider);

    void setConnectionString(const QString& text);
    QString connectionString() const { return m_cs.text(); }
    // Throws DatabaseError when the database cannot be reached.
    void open();
    bool isOpen() const;

    // The Data Source up to its first dot.
    QString serverShortName() const;

    DbProvider& provider() { return *m_provider; }

    // Transactions and the save lock: see DbProvider.
    bool begin(int waitMs = -1) { return m_provider->begin(waitMs); }
    void commit() { m_provider->commit(); }
    void rollback() noexcept { m_provider->rollback(); }
    bool inTransaction() const { return m_provider->inTransaction(); }
    bool tryLockSave(int waitMs) { return m_provider->tryLockSave(waitMs); }
    void unlockSave() noexcept { m_provider->unlockSave(); }

    // See DbProvider::setProgressHandler.
    void setProgressHandler(std::function<void()> handler) { m_provider->setProgressHandler(std::move(handler)); }

private:
    ConnectionString m_cs;
    std::unique_ptr<DbProvider> m_provider;
};
