#pragma once

#include "CellText.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The first worksheet of an Excel 5.0-2003 workbook stream (BIFF5, BIFF7,
// BIFF8), parsed once into a sparse table of the cells that hold a value.
//
// Every read is bounds-checked against the stream: a damaged stream is
// refused with where it broke, never read past. Memory follows what the
// stream holds, never what it declares: no count taken from the file sizes
// anything before the bytes behind it have been seen.
class BiffBook {
public:
    // Why a stream cannot be read. `where` says, in Thai, how far the reader got.
    class Failure : public std::runtime_error {
    public:
        enum class Kind { Damaged, Password, NoWorksheet, OldVersion };
        Failure(Kind kind, std::string where) : std::runtime_error(where), kind(kind) {}
        Kind kind;
    };

    enum class CellKind : uint8_t {
        Text,    // value: index into the text table
        Number,  // number
        Bool,    // code: 0 or 1
        Error,   // code: the spreadsheet's error code (#DIV/0! ...)
        Broken,  // code: a Fault; the cell's record is damaged
    };
    // What is wrong with a Broken cell. FormulaUnknown: a formula whose
    // stored result is not to be trusted and that could not be calculated;
    // the cell's `text` says why.
    enum Fault : uint8_t { MissingText, MissingFormulaText, UnknownResult, FormulaUnknown };

    struct Cell {
        uint32_t key;  // row << 16 | column, both 0-based
        uint16_t xf;
        CellKind kind;
        uint8_t code;
        union {
            double number;
            uint32_t text;
        };
    };

    // Parses `size` bytes of a workbook stream. Throws Failure.
    void parse(const uint8_t* data, size_t size);

    // The cell at (row, col), 0-based, or null when it holds no value.
    const Cell* find(int row, int col) const;
    std::u16string_view text(uint32_t index) const
    {
        const Span& s = m_texts[index];
        return {m_chars.data() + s.begin, s.length};
    }
    CellText::DateKind dateKind(uint16_t xf) const
    {
        return xf < m_xfDate.size() ? m_xfDate[xf] : CellText::DateKind::None;
    }
    bool system1904() const { return m_1904; }
    // One past the last row and column that hold a value (0 when none does).
    int rowCount() const { return m_rowCount; }
    int colCount() const { return m_colCount; }
    // 8 for Excel 97-2003, 5 for Excel 5.0/95.
    int version() const { return m_version; }
    const std::u16string& sheetName() const { return m_sheetName; }
    // Whether the workbook's stored formula results were set aside and its
    // formulas calculated: an Excel 97-2003 workbook that no spreadsheet
    // program saved last (no RECALCID record, no file-history flags in its
    // BOF, no COUNTRY record or EXTSST index), as libraries that write
    // placeholder results leave it.
    bool formulasCalculated() const { return m_formulasStale; }

    // Decodes 8-bit text of the given Windows code page (874 Thai, 1252 and
    // the other single-byte pages Excel wrote) and appends it.
    static void appendCodePage(std::u16string& out, const uint8_t* bytes, size_t n, int codePage);

private:
    struct Span {
        uint32_t begin;
        uint32_t length;
    };
    void parseGlobals(size_t& pos);
    void parseSheet(size_t pos);
    void finishCells();
    void calculateFormulas();
    uint32_t addText(std::u16string_view s);
    void addCell(uint32_t row, uint32_t col, uint16_t xf, CellKind kind, uint8_t code, double number,
                 uint32_t text);

    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    int m_version = 8;
    int m_codePage = 1252;
    bool m_1904 = false;
    std::u16string m_sheetName;

    std::vector<char16_t> m_chars;  // every text, end to end
    std::vector<Span> m_texts;      // shared strings first, then cell texts
    uint32_t m_sharedCount = 0;

    std::vector<uint16_t> m_xfFormat;           // XF index -> format index
    std::vector<CellText::DateKind> m_xfDate;   // XF index -> what its format shows
    std::vector<std::pair<uint16_t, CellText::DateKind>> m_formats;  // FORMAT records

    bool m_recalcId = false;
    bool m_programMarks = false;  // COUNTRY or EXTSST seen
    uint32_t m_fileHistory = 0;
    bool m_formulasStale = false;
    // Formulas to calculate: cell and where their parsed tokens lie in the stream.
    struct StaleFormula {
        uint16_t row, col;
        uint32_t at;
        uint16_t length;
    };
    std::vector<StaleFormula> m_stale;

    std::vector<Cell> m_cells;  // sorted by key once parsed
    bool m_sorted = true;
    // Rows that hold cells: row number and index of its first cell, ascending.
    std::vector<std::pair<uint32_t, uint32_t>> m_rows;
    mutable size_t m_rowHint = 0;
    int m_rowCount = 0;
    int m_colCount = 0;
};
