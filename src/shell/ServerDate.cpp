#include "ServerDate.h"

#include <QLocale>

namespace ServerDate {

QString buddhistText(const QDate& date, QChar separator)
{
    // dd/mm/yyyy first, then the year part (from the seventh character) moved
    // into the Buddhist era; day and month keep their leading zeros.
    const QString christian = QStringLiteral("%1%2%3%4%5")
                                  .arg(date.day(), 2, 10, QLatin1Char('0'))
                                  .arg(separator)
                                  .arg(date.month(), 2, 10, QLatin1Char('0'))
                                  .arg(separator)
                                  .arg(date.year(), 4, 10, QLatin1Char('0'));
    const int buddhistYear = christian.mid(6, 4).toInt() + 543;
    return christian.left(6) + QString::number(buddhistYear);
}

QChar regionalSeparator()
{
    // The first character of the short date pattern that is not part of a field.
    const QString pattern = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (const QChar c : pattern) {
        if (!c.isLetter() && c != u'\'' && !c.isSpace())
            return c;
    }
    return u'/';
}

}
