#pragma once

#include "SheetCells.h"
#include "Workbook.h"

#include <QByteArray>

// A Workbook whose reader parses the first worksheet once into a SheetCells
// table and closes the file: every reader of a form other than .xls.
class CellsWorkbook : public Workbook {
public:
    // Reads the whole file (a regular file, not empty) and parses it.
    void open(const QString& path) override;
    // Parses a file held in memory; `path` only names it in messages. Throws
    // Error; on failure nothing stays open.
    virtual void openData(const QByteArray& bytes, const QString& path) = 0;

    bool isOpen() const override { return m_open; }
    void close() override;
    int rowCount() const override { return m_cells.rowCount(); }
    int colCount() const override { return m_cells.colCount(); }
    void readCell(int row, int col, QString& text) const override { m_cells.readCell(row, col, text, m_path); }

    const SheetCells& cells() const { return m_cells; }

protected:
    // For openData(): starts afresh with the file's name, and, once the cells
    // are all added, sorts them, calculates the formulas whose stored result
    // cannot be trusted (none stored, or distrustStoredResults()) and marks
    // the workbook open.
    void begin(const QString& path);
    void done();
    // Before done(), for a file that asks to be recalculated on opening or
    // was last saved by a program that does not calculate (see
    // FormulaCells::calculatingApplication): every formula is calculated.
    void distrustStoredResults() { m_cells.storedResultsStale = true; }

    SheetCells m_cells;
    QString m_path;
    bool m_open = false;
};
