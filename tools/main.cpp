#include "AdminCommand.h"
#include "AppIdentity.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    AppIdentity::apply();
    QTextStream in(stdin), out(stdout), err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return AdminCommand(in, out, err).run(args);
}
