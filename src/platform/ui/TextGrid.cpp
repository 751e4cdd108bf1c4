#include "TextGrid.h"

#include <algorithm>
#include <stdexcept>
#include <string>

TextGrid::TextGrid()
{
    setColCount(5);
    setRowCount(5);
}

void TextGrid::checkCell(int col, int row) const
{
    if (col < 0 || col >= m_cols || row < 0 || row >= m_rows)
        throw std::out_of_range("grid cell (" + std::to_string(col) + ", " + std::to_string(row)
                                + ") is outside the grid of " + std::to_string(m_cols) + " x "
                                + std::to_string(m_rows));
}

void TextGrid::checkRow(int row) const
{
    if (row < 0 || row >= m_rows)
        throw std::out_of_range("grid row " + std::to_string(row) + " is outside the grid");
}

void TextGrid::setColCount(int cols)
{
    if (cols < 0)
        throw std::out_of_range("negative column count");
    if (cols == m_cols)
        return;
    std::vector<uint32_t> ends(static_cast<size_t>(m_rows) * cols);
    const int kept = std::min(cols, m_cols);
    for (int r = 0; r < m_rows; ++r) {
        const uint32_t* from = endsOf(r);
        uint32_t* to = ends.data() + static_cast<size_t>(r) * cols;
        std::copy(from, from + kept, to);
        const uint32_t end = kept == 0 ? 0 : from[kept - 1];
        std::fill(to + kept, to + cols, end);
        m_text[r].truncate(end);
    }
    m_ends = std::move(ends);
    m_widths.resize(cols, kDefaultColumnWidth);
    m_cols = cols;
}

void TextGrid::setRowCount(int rows)
{
    if (rows < 0)
        throw std::out_of_range("negative row count");
    // Rows past the new count are dropped; rows added are empty.
    m_text.resize(rows);
    m_ends.resize(static_cast<size_t>(rows) * m_cols, 0);
    if (m_text.capacity() > static_cast<size_t>(rows) * 2 + 1024) {
        m_text.shrink_to_fit();
        m_ends.shrink_to_fit();
    }
    m_rows = rows;
}

QString TextGrid::cell(int col, int row) const
{
    if (col < 0 || col >= m_cols || row < 0 || row >= m_rows)
        return QString();
    const uint32_t* ends = endsOf(row);
    const uint32_t begin = col == 0 ? 0 : ends[col - 1];
    return m_text[row].mid(begin, ends[col] - begin);
}

void TextGrid::setCell(int col, int row, const QString& text)
{
    checkCell(col, row);
    uint32_t* ends = endsOf(row);
    QString& t = m_text[row];
    const uint32_t begin = col == 0 ? 0 : ends[col - 1];
    const uint32_t oldLen = ends[col] - begin;
    if (col == m_cols - 1 || ends[m_cols - 1] == ends[col]) {
        // Nothing after this cell: cells written left to right only append.
        t.truncate(begin);
        t.append(text);
    } else {
        t.replace(begin, oldLen, text);
    }
    const int64_t delta = static_cast<int64_t>(text.size()) - oldLen;
    if (delta != 0)
        for (int c = col; c < m_cols; ++c)
            ends[c] = static_cast<uint32_t>(ends[c] + delta);
}

void TextGrid::clearRow(int row)
{
    checkRow(row);
    m_text[row].clear();
    std::fill(endsOf(row), endsOf(row) + m_cols, 0u);
}

void TextGrid::setRowText(int row, QStringView text, const uint32_t* ends)
{
    checkRow(row);
    for (int c = 0; c < m_cols; ++c)
        if (ends[c] > text.size() || (c > 0 && ends[c] < ends[c - 1]))
            throw std::out_of_range("cell ends do not fit the row text");
    m_text[row] = text.toString();
    std::copy(ends, ends + m_cols, endsOf(row));
}

int TextGrid::colWidth(int col) const
{
    return col >= 0 && col < m_cols ? m_widths[col] : kDefaultColumnWidth;
}

void TextGrid::setColWidth(int col, int pixels)
{
    if (col < 0 || col >= m_cols)
        throw std::out_of_range("column " + std::to_string(col) + " is outside the grid");
    m_widths[col] = pixels;
}

void TextGrid::setFixedRows(int n)
{
    if (n < 0 || n >= m_rows)
        throw std::out_of_range("Fixed row count must be less than row count");
    m_fixedRows = n;
}

void TextGrid::setFixedCols(int n)
{
    if (n < 0 || n >= m_cols)
        throw std::out_of_range("Fixed column count must be less than column count");
    m_fixedCols = n;
}
