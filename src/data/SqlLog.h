#pragma once

#include <QString>

// When CHEQUE_SQL_LOG names a folder, every distinct statement the process
// runs is appended there as SQL Server would receive it, for the syntax
// check the test suite makes. Off (and free) otherwise.
class SqlLog {
public:
    // Whether statements are being logged: the caller renders a statement's
    // text only then, as a save runs hundreds of thousands of statements.
    static bool enabled();
    static void record(const QString& statement);
    // The line that separates statements in the log files.
    static QString separator() { return QStringLiteral("GO"); }
};
