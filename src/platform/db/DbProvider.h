#pragma once

#include "ConnectionString.h"
#include "ResultSet.h"
#include "RowView.h"

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

    // The value as T-SQL reads a number written into a statement: blanks
    // around, an optional minus, digits with at most one point. No exponent,
    // no plus, no thousands separators: false for those, as for any other text.
    // An integer when it has no point and fits, else a double.
    static bool parseNumber(const QString& text, long long& integer, double& real, bool& isInteger);
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
    // Runs a SELECT and calls `row` for each result row in turn, the view
    // valid until `row` returns, so that a result of millions of rows is
    // never held whole; `row` runs no statement on this connection. The
    // default fetches the whole result first.
    virtual void selectEach(const QString& sql, const std::vector<SqlParam>& params,
                            const std::function<void(const RowView&)>& row);
    // Runs INSERT / UPDATE / DELETE; returns the number of rows affected.
    virtual long long execute(const QString& sql, const std::vector<SqlParam>& params) = 0;
    // Called often (many times a second) while a statement runs, so that a
    // window can keep painting during a long one; empty removes it. Providers
    // that cannot call back while the server works leave this as it is.
    virtual void setProgressHandler(std::function<void()> handler) { (void)handler; }

    // One unit of work: every statement until commit() or rollback() is kept
    // or undone as a whole. The embedded database takes its write lock at once
    // (waiting up to waitMs for another writer, the connection's own busy
    // timeout when waitMs < 0) and returns false when it could not get it;
    // SQL Server takes its locks as the statements need them. Both check, for
    // a file, that it is still the one at its path (Kind::Moved otherwise),
    // and commit() checks that again before it commits.
    virtual bool begin(int waitMs = -1) = 0;
    virtual void commit() = 0;
    // Undoes the open transaction; nothing when none is open. Never throws.
    virtual void rollback() noexcept = 0;
    virtual bool inTransaction() const = 0;

    // The save lock, held by a running save from before its flag take until
    // after its flag release, so that the clear button can tell a save that
    // is alive from a flag left behind by one that died. On SQL Server it is
    // an application lock owned by the session, which the server frees when
    // the session ends. The embedded database needs none: a running save
    // holds the file's write lock, which begin(0) cannot get. False when
    // another connection holds it after waiting up to waitMs.
    virtual bool tryLockSave(int waitMs) { (void)waitMs; return true; }
    virtual void unlockSave() noexcept {}
};

// The provider chosen when the program was built (embedded by default).
std::unique_ptr<DbProvider> createProvider();
