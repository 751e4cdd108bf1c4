#pragma once

#include <QString>
#include <vector>

// Turns the program's T-SQL statements into SQLite's dialect. It knows the
// subset the program uses and refuses everything else with a DatabaseError
// naming the construct, so a new statement that the embedded database would
// run differently from SQL Server fails loudly instead of quietly.
//
// Rewritten: the FOR XML PATH('') concatenation of [text()] values (with `+`
// as string concatenation there, each value XML-escaped), LEFT( (a keyword in
// SQLite), bracketed aliases after a closing parenthesis. Passed through:
// SELECT [DISTINCT] / INSERT INTO ... VALUES / UPDATE ... SET / DELETE FROM,
// WHERE, INNER JOIN ... ON, GROUP BY, ORDER BY, LIKE, IS [NOT] NULL, AND, OR,
// NOT, the functions Getdate, LEN, SUM, COUNT, MIN, MAX, "?" placeholders.
class TsqlAdapter {
public:
    struct Result {
        QString sql;
        // Result columns that hold Getdate() and are read back as date-times.
        std::vector<int> dateTimeColumns;
    };

    // The embedded provider keeps the result with the prepared statement.
    static Result translate(const QString& tsql);
};
