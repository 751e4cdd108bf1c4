#pragma once

#include <QChar>
#include <QDate>
#include <QString>

namespace ServerDate {
// The server's date as the users read it: two-digit day and month and the year
// in the Buddhist era (Christian era + 543), e.g. 07/12/2569 for 7 December 2026.
QString buddhistText(const QDate& date, QChar separator = u'/');
// The one-character date separator of the user's regional settings.
QChar regionalSeparator();
}
