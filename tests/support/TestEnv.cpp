#include "TestEnv.h"

#include "AppIdentity.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace TestEnv {

void isolateDataFolder()
{
    static QTemporaryDir dir;  // removed when the test program ends
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
}

void isolateTempFolder()
{
    static QTemporaryDir dir;  // made in the system's folder, before TMPDIR points into it
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
}

void applyIdentity()
{
    AppIdentity::apply();
}

QString fixturesDir()
{
    return QStringLiteral(CHEQUE_FIXTURES_DIR);
}

QString fixture(const QString& name)
{
    return QDir(fixturesDir()).filePath(name);
}

QString sourceDir()
{
    return QStringLiteral(CHEQUE_SOURCE_DIR);
}

}
