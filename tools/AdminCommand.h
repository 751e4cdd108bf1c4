#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// cheque-admin: creates the embedded database and keeps its users and
// version, which the program itself never changes (besides a user's own
// password).
class AdminCommand {
public:
    AdminCommand(QTextStream& in, QTextStream& out, QTextStream& err);

    // Arguments without the program name. Returns the exit code.
    int run(QStringList args);

private:
    int usage();
    QString readPassword();
    static QString generatePassword();

    QTextStream& m_in;
    QTextStream& m_out;
    QTextStream& m_err;
};
