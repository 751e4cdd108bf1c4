#pragma once

#include <QString>
#include <cstdint>
#include <vector>

// A grid of text cells addressed (column, row), like the grids of the import and
// report windows. It holds only text and shape; QtCore only, so logic layers can
// fill and read it without touching widgets.
//
// Storage is one string per row plus one offset table for the whole grid, so
// a grid of a million rows costs a few hundred bytes per row instead of one
// string object per cell, and growing it allocates once, not once per row.
class TextGrid {
public:
    static constexpr int kDefaultColumnWidth = 64;
    static constexpr int kDefaultRowHeight = 24;

    // The grid control's shape before anything sets it: 5 x 5, one fixed row
    // and one fixed column.
    TextGrid();

    int colCount() const { return m_cols; }
    int rowCount() const { return m_rows; }
    // Cells survive a shape change where they stay inside the grid; new cells are empty.
    void setColCount(int cols);
    void setRowCount(int rows);

    QString cell(int col, int row) const;
    // Bounds are checked: a cell outside the grid throws std::out_of_range.
    void setCell(int col, int row, const QString& text);
    // Empties every cell of one row.
    void clearRow(int row);
    // Sets a whole row from its cells written end to end: ends[c] is the
    // offset just past cell c, for every column. One allocation per row, for
    // filling large grids.
    void setRowText(int row, QStringView text, const uint32_t* ends);

    int colWidth(int col) const;
    void setColWidth(int col, int pixels);

    int fixedRows() const { return m_fixedRows; }
    int fixedCols() const { return m_fixedCols; }
    // A fixed row needs a further, scrollable row after it, as in the grid
    // control this mirrors: asking for as many fixed rows as there are rows throws.
    void setFixedRows(int n);
    void setFixedCols(int n);

private:
    uint32_t* endsOf(int row) { return m_ends.data() + static_cast<size_t>(row) * m_cols; }
    const uint32_t* endsOf(int row) const { return m_ends.data() + static_cast<size_t>(row) * m_cols; }
    void checkCell(int col, int row) const;
    void checkRow(int row) const;

    int m_cols = 0;
    int m_rows = 0;
    int m_fixedRows = 1;
    int m_fixedCols = 1;
    std::vector<QString> m_text;   // per row: all its cells, end to end
    std::vector<uint32_t> m_ends;  // per cell, row by row: offset just past the cell in its row's text
    std::vector<int> m_widths;
};
