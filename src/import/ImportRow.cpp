#include "ImportRow.h"

#include "TextGrid.h"

ImportRow::ImportRow(const TextGrid& grid) : m_grid(grid) {}

void ImportRow::moveTo(int row)
{
    m_row = row;
    m_have.fill(false);
}

const QString& ImportRow::cell(int column)
{
    if (!m_have[column]) {
        m_cells[column] = m_grid.cell(column, m_row);
        m_have[column] = true;
    }
    return m_cells[column];
}
