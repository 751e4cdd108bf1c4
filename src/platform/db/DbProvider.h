#pragma once

#include "ConnectionString.h"
#include "ResultSet.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// A value bound to a "?" placeholder: text (quoted in the statement as SQL
// Server receives it) or a number written without quotes.
struct SqlParam {
    enum class Kind { Text, Number };
    Kind kind;
    QString value;
};

// One way of reaching the database. Statements arrive in SQL Server's dialect,
// lines joined by CR LF, with "?" where a value is bound. Every failure throws
// DatabaseError with the database's own message.
class DbProvider {
public:
    virtual ~DbProvider() = default;
    // Opens the connection described by the fixed connection string.
    virtual void open(const ConnectionString& cs) = 0;
    virtual bool isOpen() const = 0;
    // Runs a SELECT and returns its whole result.
    virtual ResultSet select(const QString& sql, const std::vector<SqlParam>& params) = 0;
    // Runs INSERT / UPDATE / DELETE; returns the number of rows affected.
    virtual long long execute(const QString& sql, const std::vector<SqlParam>& params) = 0;
    // Called often (many times a second) while a statement runs, so that a
    // window can keep painting during a long one; empty removes it. Providers
    // that cannot call back while the server works leave this as it is.
    virtual void setProgressHandler(std::function<void()> handler) { (void)handler; }
};

// The provider chosen when the program was built (embedded by default).
std::unique_ptr<DbProvider> createProvider();
