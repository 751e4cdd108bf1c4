#include "CellRange.h"

#include "ColumnLetters.h"

#include <stdexcept>
#include <utility>

namespace {

struct Corner {
    int row = 0;     // 0: no row given ("A" of "A:A")
    int column = 0;  // 0: no column given ("4" of "4:4")
};

bool parseCorner(QStringView text, Corner& out)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isLetter())
        ++i;
    if (i > 0) {
        out.column = ColumnLetters::number(text.left(i));
        if (out.column == 0)
            return false;
    }
    const QStringView digits = text.mid(i);
    if (digits.isEmpty())
        return i > 0;
    if (digits.size() > 7)
        return false;
    for (QChar ch : digits)
        if (ch < u'0' || ch > u'9')
            return false;
    out.row = digits.toInt();
    return out.row >= 1 && out.row <= CellRange::kMaxRow;
}

}

CellRange CellRange::cell(int row, int column)
{
    return cells(row, column, row, column);
}

CellRange CellRange::rows(int first, int last)
{
    return cells(first, 1, last, kMaxColumn);
}

CellRange CellRange::cells(int top, int left, int bottom, int right)
{
    if (top > bottom)
        std::swap(top, bottom);
    if (left > right)
        std::swap(left, right);
    if (top < 1 || bottom > kMaxRow || left < 1 || right > kMaxColumn)
        throw std::out_of_range("cell range lies outside a sheet");
    return CellRange{top, left, bottom, right};
}

CellRange CellRange::parse(QStringView address)
{
    const auto bad = [&] {
        return std::invalid_argument("not a cell address: " + address.toString().toStdString());
    };
    const qsizetype colon = address.indexOf(u':');
    Corner a, b;
    if (!parseCorner(colon < 0 ? address : address.left(colon), a))
        throw bad();
    if (colon < 0) {
        b = a;
    } else if (!parseCorner(address.mid(colon + 1), b)) {
        throw bad();
    }
    const bool aFull = a.row && a.column, bFull = b.row && b.column;
    if (aFull && bFull)
        return cells(a.row, a.column, b.row, b.column);
    if (colon >= 0 && !a.row && !b.row && a.column && b.column)
        return cells(1, a.column, kMaxRow, b.column);
    if (colon >= 0 && !a.column && !b.column && a.row && b.row)
        return rows(a.row, b.row);
    throw bad();
}
