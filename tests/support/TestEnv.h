#pragma once

#include <QString>

namespace TestEnv {
// Points XDG_DATA_HOME at a fresh temporary folder for the whole test program.
void isolateDataFolder();
void applyIdentity();
// The folder holding the committed fixture workbooks.
QString fixturesDir();
QString fixture(const QString& name);
QString sourceDir();
}
