#pragma once

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
    long long execute(const QString& sql, const std::vector<SqlParam>& params) override;

    // The ODBC connection string for the fixed connection string's Data
    // Source, Initial Catalog, User ID and Password.
    static QString odbcConnectionString(const ConnectionString& cs, const QString& driver);

private:
    QString m_driver;
    QString m_name;  // Qt's name for this connection
};
