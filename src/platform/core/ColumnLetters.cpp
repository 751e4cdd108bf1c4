#include "ColumnLetters.h"

#include <stdexcept>
#include <string>

namespace ColumnLetters {

QString name(int column)
{
    if (column < 1 || column > kMaxColumn)
        throw std::out_of_range("column " + std::to_string(column) + " lies outside a sheet");
    // Bijective base 26: there is no zero digit, so take one off before each division.
    QChar out[4];
    int n = 0;
    for (int c = column; c > 0; c = (c - 1) / 26)
        out[n++] = QChar(u'A' + (c - 1) % 26);
    QString s(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i)
        s[i] = out[n - 1 - i];
    return s;
}

int number(QStringView letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int n = 0;
    for (QChar ch : letters) {
        const char16_t u = ch.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            return 0;
        n = n * 26 + (u - u'A' + 1);
    }
    return n <= kMaxColumn ? n : 0;
}

}
