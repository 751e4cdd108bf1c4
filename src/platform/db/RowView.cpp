#include "RowView.h"

int RowView::columnIndex(const QString& name) const
{
    for (int i = 0; i < columnCount(); ++i)
        if (columnName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString RowView::text(int col) const
{
    const char* p;
    size_t n;
    return utf8(col, p, n) ? QString::fromUtf8(p, static_cast<qsizetype>(n)) : QString();
}

void RowView::appendText(int col, QString& out) const
{
    const char* p;
    size_t n;
    if (!utf8(col, p, n))
        return;
    size_t i = 0;
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80)
        ++i;
    if (i == n)
        out.append(QLatin1StringView(p, static_cast<qsizetype>(n)));  // ASCII: no decoding
    else
        out.append(QString::fromUtf8(p, static_cast<qsizetype>(n)));
}
