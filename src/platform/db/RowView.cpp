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

void forEachRow(const ResultSet& rs, const std::function<void(const RowView&)>& fn)
{
    ResultSetRow view(rs, 0);
    for (size_t r = 0; r < rs.rowCount(); ++r) {
        view.moveTo(rs, r);
        fn(view);
    }
}
