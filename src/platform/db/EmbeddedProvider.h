#pragma once

#include "DbProvider.h"
#include "TsqlAdapter.h"

#include <QHash>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// The embedded database: one SQLite file in the user's data folder, named
// after the connection string's Initial Catalog. Opening never creates it.
// Statements arrive in T-SQL and pass through TsqlAdapter; prepared statements
// are kept per statement text, which bound parameters make few.
class EmbeddedProvider : public DbProvider {
public:
    EmbeddedProvider() = default;
    ~EmbeddedProvider() override;
    EmbeddedProvider(const EmbeddedProvider&) = delete;
    EmbeddedProvider& operator=(const EmbeddedProvider&) = delete;

    void open(const ConnectionString& cs) override;
    bool isOpen() const override { return m_db != nullptr; }
    ResultSet select(const QString& sql, const std::vector<SqlParam>& params) override;
    long long execute(const QString& sql, const std::vector<SqlParam>& params) override;
    void setProgressHandler(std::function<void()> handler) override;

    // The file a connection string leads to.
    static QString databasePath(const ConnectionString& cs);
    // Opens an existing file with the program's settings, collation and
    // functions; the caller owns the handle. Throws DatabaseError.
    static sqlite3* openFile(const QString& path, bool create = false);

    void close();

private:
    sqlite3_stmt* prepare(const QString& sqliteSql);
    void bind(sqlite3_stmt* st, const std::vector<SqlParam>& params);
    [[noreturn]] void fail() const;
    void installProgressHandler();
    static int onProgress(void* self);

    sqlite3* m_db = nullptr;
    TsqlAdapter m_adapter;
    QHash<QString, sqlite3_stmt*> m_statements;
    std::function<void()> m_progress;
};
