#pragma once

#include <QString>
#include <QStringView>

// A rectangle of sheet cells, numbered from 1 as the sheet shows them.
// Built from an address the way the spreadsheet program reads one: "A5:U14",
// a single cell "A1", whole columns "A:A" or whole rows "4:4"; corners given
// in either order describe the same rectangle ("A5:U4" is A4:U5).
struct CellRange {
    static constexpr int kMaxRow = 1048576;
    static constexpr int kMaxColumn = 16384;

    int top = 1;
    int left = 1;
    int bottom = 1;
    int right = 1;

    static CellRange cell(int row, int column);
    static CellRange rows(int first, int last);
    static CellRange cells(int top, int left, int bottom, int right);
    // Throws std::invalid_argument when the text is not an address.
    static CellRange parse(QStringView address);

    bool wholeRows() const { return left == 1 && right == kMaxColumn; }
    bool contains(int row, int column) const
    {
        return row >= top && row <= bottom && column >= left && column <= right;
    }
    bool operator==(const CellRange&) const = default;
};
