#pragma once

#include "DatabaseError.h"
#include "DbProvider.h"
#include "TsqlAdapter.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <vector>

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
    void selectEach(const QString& sql, const std::vector<SqlParam>& params,
                    const std::function<void(const RowView&)>& row) override;
    long long execute(const QString& sql, const std::vector<SqlParam>& params) override;
    void setProgressHandler(std::function<void()> handler) override;
    bool begin(int waitMs = -1) override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override;

    // The file a connection string leads to.
    static QString databasePath(const ConnectionString& cs);
    // Opens an existing file with the program's settings, collation and
    // functions; the caller owns the handle. Throws DatabaseError.
    static sqlite3* openFile(const QString& path, bool create = false);

    void close();

    // What a failed call's result code and the operating system's error
    // number mean to the clerk.
    static DatabaseError::Kind kindOf(int extendedCode, int systemErrno);
    // Runs SQL of the program's own (set-up, catalogue) on db; a failure
    // throws DatabaseError with SQLite's text and its kind.
    static void exec(sqlite3* db, const char* sql);

    // A value bound as a number: what T-SQL reads as a numeric literal. False
    // for anything else (an exponent, a plus, separators, letters).

private:
    // A statement as received, its translation and its prepared form.
    struct Prepared {
        QString tsql;  // also keeps the text's storage, and so its address, alive
        TsqlAdapter::Result adapted;
        sqlite3_stmt* st = nullptr;
        std::shared_ptr<const std::vector<QString>> columns;  // result column names
        std::vector<bool> dateTime;                            // per result column
    };
    Prepared& prepare(const QString& tsql);
    static void describeColumns(Prepared& p);
    // The program's settings, collation and functions on a fresh handle.
    static void configure(sqlite3* db);
    static bool writable(const QString& path);
    void dropStatements();
    void bind(sqlite3_stmt* st, const std::vector<SqlParam>& params);
    [[noreturn]] void fail() const;
    // Throws Kind::Moved once the open file is no longer the one at its path
    // (deleted, renamed, or replaced by a restored copy), and from then on for
    // every statement: what this connection would read or write is not the
    // file the office uses any more.
    void checkInPlace();
    // Before a statement outside a transaction; inside one, begin() checked.
    void checkBeforeStatement();
    void installProgressHandler();
    static int onProgress(void* self);

    sqlite3* m_db = nullptr;
    std::vector<std::unique_ptr<Prepared>> m_prepared;
    QHash<QString, Prepared*> m_byText;
    // Query hands the same shared text for every statement of one shape; its
    // address finds the statement without hashing the text.
    QHash<const void*, Prepared*> m_byAddress;
    QByteArray m_bindBuffer;  // the UTF-8 of the bound texts, reused
    std::function<void()> m_progress;
    bool m_moved = false;
};
