#pragma once

#include "DatabaseError.h"
#include "DbProvider.h"

#include <QString>

// SQL Server through Qt's ODBC driver: the statements go as they are, with
// their "?" values bound (Unicode text, numbers as numbers).
class SqlServerProvider : public DbProvider {
public:
    // driver: the ODBC driver's name, e.g. "FreeTDS" or "ODBC Driver 18 for SQL Server".
    explicit SqlServerProvider(QString driver);
    ~SqlServerProvider() override;
    SqlServerProvider(const SqlServerProvider&) = delete;
    SqlServerProvider& operator=(const SqlServerProvider&) = delete;

    void open(const ConnectionString& cs) override;
    bool isOpen() const override;
    ResultSet select(const QString& sql, const std::vector<SqlParam>& params) override;
    void selectEach(const QString& sql, const std::vector<SqlParam>& params,
                    const std::function<void(const RowView&)>& row) override;
    long long execute(const QString& sql, const std::vector<SqlParam>& params) override;

    // An explicit transaction on the session. XACT_ABORT makes the server
    // undo the whole of it on any error, also one that only ends a statement.
    bool begin(int waitMs = -1) override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override { return m_inTransaction; }

    // sp_getapplock with the session as owner: it outlives the transactions
    // of the save and the server frees it when the session ends.
    bool tryLockSave(int waitMs) override;
    void unlockSave() noexcept override;

    // The ODBC connection string for the fixed connection string's Data
    // Source, Initial Catalog, User ID and Password.
    static QString odbcConnectionString(const ConnectionString& cs, const QString& driver);

    // What a refusal means to the clerk, from the native error numbers and
    // SQLSTATEs the driver reports (separated by ";" or blanks) and its text.
    static DatabaseError::Kind kindOf(const QString& codes, const QString& text);

    // The provider's own statements.
    static QString lockStatement(int waitMs);
    static QString unlockStatement();
    static QString beginStatement();
    static QString commitStatement();
    static QString rollbackStatement();
    // The application lock's resource name.
    static QString saveLockResource();

protected:
    // Where every statement goes: the server. A test puts a scripted one here.
    virtual ResultSet runSelect(const QString& sql, const std::vector<SqlParam>& params);
    virtual long long runExecute(const QString& sql, const std::vector<SqlParam>& params);

private:
    QString m_driver;
    QString m_name;  // Qt's name for this connection
    bool m_inTransaction = false;
    bool m_saveLocked = false;
};
