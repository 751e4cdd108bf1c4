#pragma once

#include "TextGrid.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QTableView>

class TextGridModel;

// The on-screen text grid: a QTableView over a TextGrid. Not editable, range
// selection, resizable columns. Fixed rows are shown as the (frozen) column
// header, fixed columns greyed in the body. Code that changes the TextGrid calls
// refresh() once afterwards, so filling a large grid costs no per-cell signals.
//
// The TextGrid's column widths are pixels of the original's small system font;
// on screen they are scaled by this font's average character width against
// that font's (kOriginalCharWidth), and never drawn narrower than the column's
// header or its widest expected value. The TextGrid keeps the unscaled widths
// (a column the user drags is stored back unscaled), so the export sees them as
// they are. Double-clicking a header divider fits that column to its content.
class StringGrid : public QTableView {
    Q_OBJECT
public:
    explicit StringGrid(QWidget* parent = nullptr);
    ~StringGrid() override;

    // Average character width, in pixels, of the font the widths were given for.
    static constexpr double kOriginalCharWidth = 6.0;

    TextGrid& grid() { return m_grid; }
    const TextGrid& grid() const { return m_grid; }

    // Re-reads shape, widths and cells from the TextGrid.
    void refresh();
    // Shows the first line and the first column, as after opening a new file.
    void scrollToStart();

    // How a column shows: its alignment (amounts and counts to the right) and
    // the widest text it is expected to hold, which it is always wide enough
    // for ("999,999,999.99", "00.00.0000").
    void setColumnLook(int col, Qt::Alignment alignment, const QString& widest = QString());
    Qt::Alignment columnAlignment(int col) const;

    // The on-screen width of a TextGrid width in column col.
    int shownWidth(int col, int gridWidth) const;
    double scale() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyWidths();
    void storeWidth(int col, int oldWidth, int width);

    struct Look {
        Qt::Alignment alignment;
        QString widest;
    };
    TextGrid m_grid;
    TextGridModel* m_model;
    QHash<int, Look> m_looks;
    bool m_applying = false;  // the widths being set come from the TextGrid
};
