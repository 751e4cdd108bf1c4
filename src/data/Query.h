#pragma once

#include "Connection.h"
#include "ResultSet.h"

#include <QDateTime>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <initializer_list>
#include <vector>

// A value travelling with a statement. SqlText renders as a quoted literal,
// SqlNumber as it stands; both are bound as parameters, never spliced.
struct SqlText {
    QString value;
};
struct SqlNumber {
    QString value;
};

// One piece of a statement line: a string literal of the program's own text
// (only literals: a statement's shape is recognised by where its literals
// live), or a value.
class SqlPiece {
public:
    template <size_t N>
    SqlPiece(const char (&literalUtf8)[N]) : kind(Kind::Literal), literal(literalUtf8)  // NOLINT
    {
    }
    SqlPiece(SqlText t);    // NOLINT: values read naturally in addLine
    SqlPiece(SqlNumber n);  // NOLINT

    enum class Kind { Literal, Text, Number };
    Kind kind;
    const char* literal = nullptr;
    QString value;
};

// The query object of a window (ADOQuery1, ADOQuery2): a statement built line
// by line, then opened (rows fetched whole) or executed.
class Query {
public:
    explicit Query(Connection& connection);

    Connection& connection() const { return m_connection; }

    void close();                // drops the current result
    void clear();                // the statement text becomes empty
    void addLine(std::initializer_list<SqlPiece> pieces);

    void open();                 // runs the statement as a SELECT, positions on the first row
    int recordCount() const;     // 0 when nothing is open
    bool eof() const;            // true once next() passed the last row; at once for no rows
    void next();

    // Fields of the current row by name, without regard to case. A missing
    // value reads as empty text / 0. An unknown name throws DatabaseError.
    QString fieldText(const QString& name) const;
    int fieldInt(const QString& name) const;
    double fieldNumber(const QString& name) const;
    QDateTime fieldDateTime(const QString& name) const;
    // The same by position, for loops over many rows: look the name up once
    // with fieldIndex() (which throws for an unknown name), then read by index.
    int fieldIndex(const QString& name) const;
    QString fieldText(int index) const;
    double fieldNumber(int index) const;

    // Runs the statement as a SELECT and calls `perRow` once per result row,
    // the query standing on that row for the field readers meanwhile. The
    // result is never held whole (a report of a million lines): there is no
    // record count and no next() meanwhile, and `perRow` runs no statement on
    // this connection. Afterwards nothing is open. Returns the number of rows.
    size_t forEachRow(const std::function<void()>& perRow);
    // A Text field's UTF-8 bytes, valid until the query moves on; empty for
    // other kinds and empty texts.
    QByteArrayView fieldUtf8(int index) const;
    // The row the query stands on, for loops that read tens of millions of
    // cells by index (fieldIndex() checked the names); valid until it moves on.
    const RowView& currentRow() const { return row(); }

    // Runs INSERT / UPDATE / DELETE; returns the rows affected.
    long long execute();

    // The statement as SQL Server receives it: text values as quoted literals
    // with quotes doubled, lines joined by CR LF.
    QString text() const;
    // The statement with "?" for each value, and the values in order. The
    // text is made once per shape of statement and then shared: a save runs
    // the same dozen shapes hundreds of thousands of times.
    QString sql() const;
    const std::vector<SqlParam>& params() const { return m_params; }

    // Text form of a number as the field reader gives it: "." as decimal point,
    // no exponent for ordinary amounts, at most 15 significant digits.
    static QString numberText(double v);

private:
    int column(const QString& name) const;
    void checkIndex(int index) const;

    Connection& m_connection;
    // The statement's shape: each literal's address, kValue for a value and
    // kLineEnd after each line. Values are kept apart in m_params, in order.
    std::vector<uintptr_t> m_shape;
    std::vector<SqlParam> m_params;
    static constexpr uintptr_t kValue = 1;
    static constexpr uintptr_t kLineEnd = 2;
    // The row the field readers read: of the held result, or the one
    // forEachRow stands on.
    const RowView& row() const;

    ResultSet m_result;
    mutable ResultSetRow m_held{m_result, 0};
    const RowView* m_current = nullptr;
    bool m_open = false;
    size_t m_row = 0;
};
