#pragma once

#include <QDateTime>
#include <QString>

class Query;

// What the main window asks the database at start-up.
namespace StartupQueries {
// The only database version this program runs against.
inline const QString RequiredVersion = QStringLiteral("2.0");

// The server's current date and time.
QDateTime serverDate(Query& q);
// Version_NO of ZUD_Version as stored (blanks included); empty when the table has no row.
QString versionText(Query& q);
// The stored version, trimmed, is exactly the required one.
bool versionAccepted(const QString& stored);
// The message of a version mismatch, showing the stored text as it is.
QString invalidVersionMessage(const QString& stored);
}
