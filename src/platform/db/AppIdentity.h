#pragma once

#include <QString>

// The program's name as the system knows it; it decides where the embedded
// database lives, so the program, the administration command and the tests
// must all set it the same way before asking for paths.
namespace AppIdentity {
void apply();  // sets organisation and application names on the running Q*Application
// <user's data folder>/<catalog>.sqlite, the folder from QStandardPaths::AppDataLocation.
QString embeddedDatabasePath(const QString& catalog);
}
