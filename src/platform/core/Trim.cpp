#include "Trim.h"

namespace Trim {

QString trimmed(const QString& text)
{
    QString copy = text;
    trimInPlace(copy);
    return copy;
}

void trimInPlace(QString& s)
{
    qsizetype end = s.size();
    while (end > 0 && s.at(end - 1).unicode() < 33)
        --end;
    qsizetype begin = 0;
    while (begin < end && s.at(begin).unicode() < 33)
        ++begin;
    if (end < s.size())
        s.truncate(end);
    if (begin > 0)
        s.remove(0, begin);
}

}
