#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A grid of text cells addressed (column, row), like the grids of the import and
// report windows. It holds only text and shape; QtCore only, so logic layers can
// fill and read it without touching widgets.
//
// Storage: each row is one record in a few large blocks, its cell lengths
// followed by its text. A row of ASCII and Thai text (the usual row here) is
// kept one byte per character; any other row as UTF-16. A million-row report
// grid so costs about what its text does, without an object per row or per
// cell, and emptying the grid gives the blocks back.
class TextGrid {
public:
    static constexpr int kDefaultColumnWidth = 64;
    static constexpr int kDefaultRowHeight = 24;

    // Builds one row's cells end to end, for filling large grids: text goes
    // into the current cell, endCell() closes it. UTF-8 input is taken as it
    // comes from the database, without a QString in between.
    class RowBuilder {
    public:
        void clear();
        void append(QStringView text);
        void append(QChar c);
        void appendAscii(const char* text, size_t bytes);
        void appendUtf8(const char* text, size_t bytes);
        // Cuts the current cell to its first `units` UTF-16 units.
        void truncateCell(qsizetype units);
        qsizetype cellSize() const { return size() - m_cellStart; }
        void endCell();
        int cellCount() const { return static_cast<int>(m_ends.size()); }

    private:
        friend class TextGrid;
        qsizetype size() const { return m_wide ? qsizetype(m_utf16.size()) : qsizetype(m_narrow.size()); }
        void widen();
        void appendNarrow(const char* text, size_t chars);  // the grid's own one-byte form

        // Bytes that grow without being cleared first: a report writes
        // hundreds of millions of them.
        class Bytes {
        public:
            size_t size() const { return m_size; }
            char* data() { return m_data.get(); }
            const char* data() const { return m_data.get(); }
            void clear() { m_size = 0; }
            char& operator[](size_t i) { return m_data[i]; }
            char operator[](size_t i) const { return m_data[i]; }
            // New bytes are left as they were: the caller writes them.
            void resize(size_t n)
            {
                if (n > m_capacity)
                    grow(n);
                m_size = n;
            }
            void push_back(char c)
            {
                resize(m_size + 1);
                m_data[m_size - 1] = c;
            }
            void append(const char* p, size_t n);

        private:
            void grow(size_t n);
            std::unique_ptr<char[]> m_data;
            size_t m_size = 0;
            size_t m_capacity = 0;
        };

        bool m_wide = false;
        Bytes m_narrow;            // one byte per character while every one fits
        std::u16string m_utf16;    // from the first character that does not
        std::vector<uint32_t> m_ends;
        qsizetype m_cellStart = 0;
    };

    // The grid control's shape before anything sets it: 5 x 5, one fixed row
    // and one fixed column.
    TextGrid();
    TextGrid(TextGrid&&) noexcept;
    TextGrid& operator=(TextGrid&&) noexcept;
    TextGrid(const TextGrid& other);
    TextGrid& operator=(const TextGrid& other);
    ~TextGrid();

    int colCount() const { return m_cols; }
    int rowCount() const { return m_rows; }
    // Cells survive a shape change where they stay inside the grid; new cells are empty.
    void setColCount(int cols);
    void setRowCount(int rows);

    QString cell(int col, int row) const;
    // Bounds are checked: a cell outside the grid throws std::out_of_range.
    void setCell(int col, int row, const QString& text);
    // Empties every cell of one row.
    void clearRow(int row);
    // Sets a whole row from its cells written end to end: ends[c] is the
    // offset just past cell c, for every column.
    void setRowText(int row, QStringView text, const uint32_t* ends);
    // Sets a whole row from a builder holding at most colCount() cells; the
    // cells it lacks are empty.
    void setRow(int row, const RowBuilder& cells);

    int colWidth(int col) const;
    void setColWidth(int col, int pixels);

    int fixedRows() const { return m_fixedRows; }
    int fixedCols() const { return m_fixedCols; }
    // A fixed row needs a further, scrollable row after it, as in the grid
    // control this mirrors: asking for as many fixed rows as there are rows throws.
    void setFixedRows(int n);
    void setFixedCols(int n);

    // Bytes the cells take (records and row index), for memory checks.
    size_t memoryBytes() const;

private:
    class Store;
    struct View;

    void checkCell(int col, int row) const;
    void checkRow(int row) const;
    View view(int row) const;
    void store(int row, bool wide, const void* text, const uint32_t* ends, int cells);

    int m_cols = 0;
    int m_rows = 0;
    int m_fixedRows = 1;
    int m_fixedCols = 1;
    std::unique_ptr<Store> m_store;
    std::vector<int> m_widths;
};
