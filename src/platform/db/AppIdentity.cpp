#include "AppIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace AppIdentity {

void apply()
{
    QCoreApplication::setOrganizationName(QStringLiteral("PL"));
    QCoreApplication::setApplicationName(QStringLiteral("ChequeVendor"));
}

QString embeddedDatabasePath(const QString& catalog)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(catalog + QStringLiteral(".sqlite"));
}

}
