#pragma once

#include "CellText.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

// The cells of one worksheet, as a reader of a typed form (.xlsx, .ods, XML
// Spreadsheet 2003, HTML, text) finds them: a sparse table of the cells that
// hold a value, with every text stored once, end to end.
//
// Rows and columns are 1-based, as the sheet's own numbers. Cells may be added
// in any order and a later cell replaces an earlier one at the same place;
// finish() sorts them once. Memory follows the cells added, never what the
// file declares. Cells beyond kMaxColumn or kMaxRow are not kept.
class SheetCells {
public:
    static constexpr int kMaxColumn = 16384;
    static constexpr int kMaxRow = 1 << 24;

    enum class Kind : uint8_t {
        Text,    // text: index of a string
        Number,  // number, shown by `date`
        Bool,    // number: 0 or 1
        Error,   // text: index of the error's name ("#DIV/0!")
        Failed,  // text: index of why a formula's value is not known, in Thai
    };

    struct Cell {
        uint32_t row;
        uint16_t col;
        Kind kind;
        CellText::DateKind date;
        union {
            double number;
            uint32_t text;
        };
    };

    // Stores a string and returns its index, for cells that share it (an
    // .xlsx shared-string table).
    uint32_t addString(QStringView s);
    uint32_t stringCount() const { return static_cast<uint32_t>(m_texts.size()); }
    QStringView string(uint32_t index) const
    {
        const Span& s = m_texts[index];
        return QStringView(m_chars.data() + s.begin, static_cast<qsizetype>(s.length));
    }

    // Empty text adds nothing: an empty cell and a cell of empty text read alike.
    void addText(int row, int col, QStringView text);
    void addTextIndex(int row, int col, uint32_t index);
    void addNumber(int row, int col, double value, CellText::DateKind date = CellText::DateKind::None);
    void addBool(int row, int col, bool value);
    void addError(int row, int col, QStringView name);

    bool system1904 = false;
    // The file asks to be recalculated on opening, or was last saved by a
    // program that does not calculate: no stored formula result is taken.
    bool storedResultsStale = false;
    // How the reader's formulas are spelled; Unknown tells them by their look.
    enum class FormulaSyntax : uint8_t { Unknown, A1, R1C1, OpenFormula };
    FormulaSyntax formulaSyntax = FormulaSyntax::Unknown;
    // A cell whose value cannot be known: reading it fails with `why`.
    void addFailed(int row, int col, QStringView why);

    // A formula as the file gives it, beside the cell that holds (or lacks)
    // its stored result: kept so that a result that cannot be trusted is
    // calculated or named, never read as empty. `text` is the formula in the
    // file's own syntax (A1 for .xlsx, R1C1 for XML Spreadsheet 2003,
    // OpenFormula for .ods), without a leading "="; `hasResult` says whether
    // the file stored a result for it; `date` is what the cell's number
    // format shows, for a result calculated here.
    struct Formula {
        uint32_t row;
        uint16_t col;
        bool hasResult;
        CellText::DateKind date;
        uint32_t text;  // index of a string
    };
    void addFormula(int row, int col, QStringView text, bool hasResult,
                    CellText::DateKind date = CellText::DateKind::None);
    const std::vector<Formula>& formulas() const { return m_formulas; }

    // Sorts the cells and keeps the last of each place. Call once, after the
    // last cell is added and before the first find().
    void finish();

    const Cell* find(int row, int col) const;
    // The highest row and column holding a value (0 when none does).
    int rowCount() const { return m_rowCount; }
    int colCount() const { return m_colCount; }
    size_t cellCount() const { return m_cells.size(); }

    // The text of a cell by the rules every reader shares (Workbook). An error
    // value or a number that is no number throws Workbook::Error naming the
    // cell and the file.
    void readCell(int row, int col, QString& text, const QString& path) const;

    void clear();

private:
    struct Span {
        uint32_t begin;
        uint32_t length;
    };
    bool place(int row, int col) const { return row >= 1 && row <= kMaxRow && col >= 1 && col <= kMaxColumn; }
    void push(const Cell& c);

    std::vector<char16_t> m_chars;
    std::vector<Span> m_texts;
    std::vector<Cell> m_cells;
    std::vector<Formula> m_formulas;
    std::vector<std::pair<uint32_t, uint32_t>> m_rows;  // row and index of its first cell
    mutable size_t m_rowHint = 0;
    bool m_sorted = true;
    int m_rowCount = 0;
    int m_colCount = 0;
};
