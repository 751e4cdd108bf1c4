#pragma once

#include <QString>

namespace TestEnv {
// Points XDG_DATA_HOME at a fresh temporary folder for the whole test program.
void isolateDataFolder();
// Points TMPDIR (QDir::tempPath()) at a fresh temporary folder for the whole
// test program, removed with all in it when the program ends: exported
// workbooks and their folders are not left behind.
void isolateTempFolder();
void applyIdentity();
// The folder holding the committed fixture workbooks.
QString fixturesDir();
QString fixture(const QString& name);
QString sourceDir();
}
