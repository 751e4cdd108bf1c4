#include "ImportRow.h"

#include "TextGrid.h"

ImportRow::ImportRow(const TextGrid& grid) : m_grid(grid) {}

void ImportRow::moveTo(int row)
{
    m_row = row;
    m_have.fill(false);
}

void ImportRow::take(int column)
{
    m_cells[column] = m_grid.cell(column, m_row);
    m_have[column] = true;
}
