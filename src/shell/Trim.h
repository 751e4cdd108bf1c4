#pragma once

#include <QString>

namespace Trim {
// Removes every leading and trailing character whose code is below 33: blanks
// and control characters, which the stored texts may carry.
QString trimmed(const QString& text);
}
