#pragma once

#include "Connection.h"
#include "ResultSet.h"

#include <QDateTime>
#include <QString>
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

// One piece of a statement line: a literal from the program's own text, or a value.
class SqlPiece {
public:
    SqlPiece(const char* literalUtf8);  // NOLINT: literals read naturally in addLine
    SqlPiece(SqlText t);                // NOLINT
    SqlPiece(SqlNumber n);              // NOLINT

    enum class Kind { Literal, Text, Number };
    Kind kind;
    QString value;
};

// The query object of a window (ADOQuery1, ADOQuery2): a statement built line
// by line, then opened (rows fetched whole) or executed.
class Query {
public:
    explicit Query(Connection& connection);

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
    // fieldText(index) appended to out, without a string of its own.
    void appendFieldText(int index, QString& out) const;
    double fieldNumber(int index) const;

    // Runs INSERT / UPDATE / DELETE; returns the rows affected.
    long long execute();

    // The statement as SQL Server receives it: text values as quoted literals
    // with quotes doubled, lines joined by CR LF.
    QString text() const;
    // The statement with "?" for each value, and the values in order.
    QString sql() const;
    std::vector<SqlParam> params() const;

    // Text form of a number as the field reader gives it: "." as decimal point,
    // no exponent for ordinary amounts, at most 15 significant digits.
    static QString numberText(double v);

private:
    int column(const QString& name) const;
    void checkIndex(int index) const;

    Connection& m_connection;
    std::vector<std::vector<SqlPiece>> m_lines;
    ResultSet m_result;
    bool m_open = false;
    size_t m_row = 0;
};
