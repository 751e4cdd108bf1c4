#pragma once

#include "TextGrid.h"

#include <QAbstractTableModel>
#include <QTableView>

class TextGridModel;

// The on-screen text grid: a QTableView over a TextGrid. Not editable, range
// selection, resizable columns. Fixed rows are shown as the (frozen) column
// header, fixed columns greyed in the body. Code that changes the TextGrid calls
// refresh() once afterwards, so filling a large grid costs no per-cell signals.
class StringGrid : public QTableView {
    Q_OBJECT
public:
    explicit StringGrid(QWidget* parent = nullptr);
    ~StringGrid() override;

    TextGrid& grid() { return m_grid; }
    const TextGrid& grid() const { return m_grid; }

    // Re-reads shape, widths and cells from the TextGrid.
    void refresh();

private:
    TextGrid m_grid;
    TextGridModel* m_model;
};
