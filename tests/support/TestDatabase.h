#pragma once

#include "Connection.h"

#include <QString>
#include <memory>

class EmbeddedCatalog;

// A fresh embedded database at the program's default path (inside the test
// program's private data folder): the schema, the free staging flag and
// version "2.0". Removed again when the object goes.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    QString path() const;
    // A connection with the fixed connection string, opened.
    Connection& connection();
    // Raw SQL straight to SQLite, for setting up and inspecting.
    void exec(const QString& sqliteSql);
    // First column of the first row as text; "" when there is no row.
    QString scalar(const QString& sqliteSql);
    int count(const QString& table);
    void addUser(const QString& name, const QString& password, int level);

private:
    QString m_path;
    std::unique_ptr<EmbeddedCatalog> m_catalog;
    std::unique_ptr<Connection> m_connection;
};
