#include "AdminCommand.h"

#include "Connection.h"
#include "ConnectionString.h"
#include "DatabaseError.h"
#include "EmbeddedCatalog.h"
#include "EmbeddedProvider.h"
#include "HiddenInput.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdio>

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

}  // namespace

AdminCommand::AdminCommand(QTextStream& in, QTextStream& out, QTextStream& err) : m_in(in), m_out(out), m_err(err) {}

int AdminCommand::usage()
{
    m_err << "usage: cheque-admin [--db FILE] COMMAND\n"
             "  path                          print the database file's path\n"
             "  create                        create the database (refused when the file exists)\n"
             "  add-user NAME LEVEL [--generate]\n"
             "                                add a user; the password is read from standard input,\n"
             "                                or generated and printed once with --generate\n"
             "  set-password NAME             replace a user's password (read from standard input)\n"
             "  set-version TEXT              set the version the database requires\n"
             "  list-users                    print each user's name and level\n";
    m_err.flush();
    return kUsage;
}

QString AdminCommand::readPassword()
{
    // Hidden while a person types it; piped input is untouched.
    const HiddenInput echo;
    if (echo.active()) {
        m_err << "Password: ";
        m_err.flush();
    }
    const QString line = m_in.readLine();
    if (echo.active()) {
        m_err << "\n";
        m_err.flush();
    }
    if (line.isEmpty())
        throw DatabaseError(QStringLiteral("No password given (one line on standard input)"));
    return line;
}

QString AdminCommand::generatePassword()
{
    // No look-alike characters; 10 characters, the most the password window accepts.
    static const QString chars = QStringLiteral("abcdefghjkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789");
    QString p;
    for (int i = 0; i < 10; ++i)
        p += chars.at(QRandomGenerator::system()->bounded(static_cast<int>(chars.size())));
    return p;
}

int AdminCommand::run(QStringList args)
{
    QString path = EmbeddedProvider::databasePath(ConnectionString(Connection::fixedConnectionString()));
    if (args.size() >= 2 && args.at(0) == u"--db") {
        path = args.at(1);
        args = args.mid(2);
    }
    if (args.isEmpty())
        return usage();
    const QString cmd = args.takeFirst();

    try {
        if (cmd == u"path" && args.isEmpty()) {
            m_out << path << "\n";
        } else if (cmd == u"create" && args.isEmpty()) {
            EmbeddedCatalog::create(path);
            m_out << "Created " << path << "\n";
        } else if (cmd == u"add-user" && (args.size() == 2 || (args.size() == 3 && args.at(2) == u"--generate"))) {
            bool ok = false;
            const int level = args.at(1).toInt(&ok);
            if (!ok) {
                m_err << "cheque-admin: the level must be a whole number, not '" << args.at(1) << "'\n";
                return kFailed;
            }
            if (!QFileInfo::exists(path))
                throw DatabaseError(QStringLiteral("No database at %1 (create it first)").arg(path));
            EmbeddedCatalog catalog(path);
            const bool generate = args.size() == 3;
            const QString password = generate ? generatePassword() : readPassword();
            catalog.addUser(args.at(0), password, level);
            if (generate)
                m_out << "User " << args.at(0) << ", password " << password << "\n";
            else
                m_out << "User " << args.at(0) << " added\n";
        } else if (cmd == u"set-password" && args.size() == 1) {
            EmbeddedCatalog catalog(path);
            catalog.setPassword(args.at(0), readPassword());
            m_out << "Password of " << args.at(0) << " changed\n";
        } else if (cmd == u"set-version" && args.size() == 1) {
            EmbeddedCatalog catalog(path);
            catalog.setVersion(args.at(0));
            m_out << "Version set to " << args.at(0) << "\n";
        } else if (cmd == u"list-users" && args.isEmpty()) {
            EmbeddedCatalog catalog(path);
            for (const EmbeddedCatalog::User& u : catalog.users())
                m_out << u.name << "\t" << u.level << "\n";
        } else {
            return usage();
        }
    } catch (const DatabaseError& e) {
        m_out.flush();
        m_err << "cheque-admin: " << QString::fromStdString(e.what()) << "\n";
        m_err.flush();
        return kFailed;
    }
    m_out.flush();
    m_err.flush();
    return 0;
}
