#pragma once

#include "ImportGridLayout.h"

#include <QString>
#include <array>

class TextGrid;

// One data row of the import grid as the save's statements read it. A cell
// is taken from the grid the first time a statement asks for it and kept for
// the rest of the row: a row of a cheque already stored needs fewer than half
// of them. The buffers stay from row to row.
class ImportRow {
public:
    explicit ImportRow(const TextGrid& grid);

    // Goes to grid row `row`; the cells taken from the previous row are forgotten.
    void moveTo(int row);
    int row() const { return m_row; }

    // The text of `column` (an ImportGridLayout::Column) in the current row.
    const QString& cell(int column)
    {
        if (!m_have[column])
            take(column);
        return m_cells[column];
    }

private:
    void take(int column);

    const TextGrid& m_grid;
    int m_row = 0;
    std::array<QString, ImportGridLayout::kColumnCount> m_cells;
    std::array<bool, ImportGridLayout::kColumnCount> m_have{};
};
