#include "TextGrid.h"

#include <stdexcept>

TextGrid::TextGrid()
{
    setColCount(5);
    setRowCount(5);
}

void TextGrid::reshapeRow(Row& r, int cols) const
{
    const int old = static_cast<int>(r.ends.size());
    if (cols < old) {
        r.text.truncate(cols == 0 ? 0 : static_cast<int>(r.ends[cols - 1]));
        r.ends.resize(cols);
    } else if (cols > old) {
        const uint32_t end = old == 0 ? 0 : r.ends[old - 1];
        r.ends.resize(cols, end);
    }
}

void TextGrid::setColCount(int cols)
{
    if (cols < 0)
        throw std::out_of_range("negative column count");
    for (Row& r : m_data)
        reshapeRow(r, cols);
    m_widths.resize(cols, kDefaultColumnWidth);
    m_cols = cols;
}

void TextGrid::setRowCount(int rows)
{
    if (rows < 0)
        throw std::out_of_range("negative row count");
    // Rows beyond the count keep their storage, as the grid control does not
    // clear them either; shrinking only releases rows well past the new end.
    if (static_cast<size_t>(rows) > m_data.size()) {
        m_data.resize(rows);
        for (size_t i = m_rows; i < m_data.size(); ++i)
            reshapeRow(m_data[i], m_cols);
    }
    for (int i = std::min(rows, m_rows); i < rows; ++i)
        reshapeRow(m_data[i], m_cols);
    m_rows = rows;
    if (m_data.size() > static_cast<size_t>(rows) * 2 + 1024) {
        m_data.resize(rows);
        m_data.shrink_to_fit();
    }
}

TextGrid::Row& TextGrid::rowAt(int col, int row)
{
    if (col < 0 || col >= m_cols || row < 0 || row >= m_rows)
        throw std::out_of_range("grid cell (" + std::to_string(col) + ", " + std::to_string(row)
                                + ") is outside the grid of " + std::to_string(m_cols) + " x "
                                + std::to_string(m_rows));
    Row& r = m_data[row];
    if (static_cast<int>(r.ends.size()) != m_cols)
        reshapeRow(r, m_cols);
    return r;
}

QString TextGrid::cell(int col, int row) const
{
    if (col < 0 || col >= m_cols || row < 0 || row >= m_rows)
        return QString();
    const Row& r = m_data[row];
    if (col >= static_cast<int>(r.ends.size()))
        return QString();
    const uint32_t begin = col == 0 ? 0 : r.ends[col - 1];
    return r.text.mid(begin, r.ends[col] - begin);
}

void TextGrid::setCell(int col, int row, const QString& text)
{
    Row& r = rowAt(col, row);
    const uint32_t begin = col == 0 ? 0 : r.ends[col - 1];
    const uint32_t oldLen = r.ends[col] - begin;
    if (col == m_cols - 1 && static_cast<uint32_t>(r.text.size()) == r.ends[col]) {
        r.text.truncate(begin);
        r.text.append(text);
    } else {
        r.text.replace(begin, oldLen, text);
    }
    const int64_t delta = static_cast<int64_t>(text.size()) - oldLen;
    if (delta != 0)
        for (int c = col; c < m_cols; ++c)
            r.ends[c] = static_cast<uint32_t>(r.ends[c] + delta);
}

void TextGrid::clearRow(int row)
{
    if (row < 0 || row >= m_rows)
        throw std::out_of_range("grid row " + std::to_string(row) + " is outside the grid");
    Row& r = m_data[row];
    r.text.clear();
    r.ends.assign(m_cols, 0);
}

void TextGrid::setRow(int row, const QString* cells, int count)
{
    if (row < 0 || row >= m_rows)
        throw std::out_of_range("grid row " + std::to_string(row) + " is outside the grid");
    if (count < 0 || count > m_cols)
        throw std::out_of_range("row of " + std::to_string(count) + " cells for a grid of "
                                + std::to_string(m_cols) + " columns");
    Row& r = m_data[row];
    qsizetype total = 0;
    for (int c = 0; c < count; ++c)
        total += cells[c].size();
    QString text;
    text.reserve(total);
    r.ends.resize(m_cols);
    for (int c = 0; c < m_cols; ++c) {
        if (c < count)
            text.append(cells[c]);
        r.ends[c] = static_cast<uint32_t>(text.size());
    }
    r.text = std::move(text);
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
