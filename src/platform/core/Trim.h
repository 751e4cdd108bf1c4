#pragma once

#include <QString>

// Removes every leading and trailing character whose code is below 33: blanks
// and control characters, which stored texts and sheet cells may carry.
namespace Trim {
QString trimmed(const QString& text);
// The same in place: the buffer keeps its storage for the next text.
void trimInPlace(QString& text);
}
