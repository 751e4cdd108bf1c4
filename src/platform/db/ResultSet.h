#pragma once

#include "LargeBlock.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

// A whole query result held in memory (a client-side cursor). Cells are packed
// into one byte arena with one offset per cell, so a million-row join stays in
// a few hundred megabytes instead of one heap object per value.
class ResultSet {
public:
    enum class Kind : uint8_t { Null, Integer, Real, Text, DateTime };

    ResultSet() = default;
    explicit ResultSet(std::vector<QString> columnNames);
    // Names shared with every other result of the same statement.
    explicit ResultSet(std::shared_ptr<const std::vector<QString>> columnNames);

    int columnCount() const { return static_cast<int>(m_ncols); }
    const QString& columnName(int col) const { return (*m_columns)[col]; }
    // First column of that name, without regard to case; -1 when there is none.
    int columnIndex(const QString& name) const;
    size_t rowCount() const { return m_ncols == 0 ? 0 : m_cells / m_ncols; }

    // Drops every row and keeps the columns, and the first block's memory
    // for the rows that follow: a result fetched in batches reuses it.
    void clearRows();

    // Building, one row at a time: beginRow(), then exactly columnCount() add* calls.
    void reserveRows(size_t rows);
    void beginRow();
    void addNull();
    void addInteger(int64_t v);
    void addReal(double v);
    void addText(const char* utf8, size_t bytes);
    void addText(const QString& text);
    // ISO 8601 text, "yyyy-MM-ddTHH:mm:ss.zzz"
    void addDateTime(const QString& iso);

    Kind kind(size_t row, int col) const;
    int64_t integer(size_t row, int col) const;   // Integer cells
    double real(size_t row, int col) const;       // Real cells
    QString text(size_t row, int col) const;      // Text and DateTime cells
    // The undecoded UTF-8 bytes of a Text or DateTime cell, valid while the
    // result lives; false (and nothing) for other kinds.
    bool utf8View(size_t row, int col, const char*& bytes, size_t& size) const { return textBytes(row, col, bytes, size); }

    // Bytes the cells occupy (arena and offsets), for sizing checks.
    size_t memoryBytes() const;

private:
    // Cells live in fixed-size blocks so that growing never copies what is
    // already stored (a vector doubling a 400 MB arena would briefly need three
    // times that). A cell never straddles blocks; a cell bigger than one block
    // gets a contiguous run of block slots of its own.
    // Large results get 32 MiB blocks mapped with huge pages: filling a
    // million-row result one 4 KiB page fault at a time cost a third of its time.
    static constexpr uint32_t kBlockBits = 25;                 // 32 MiB blocks
    static constexpr uint32_t kBlockSize = 1u << kBlockBits;
    // The first offset chunk is small (most results are a few rows); later
    // ones are 32 MiB mapped regions like the blocks.
    static constexpr size_t kFirstOffsets = size_t(1) << 16;
    static constexpr uint32_t kOffsetChunkBits = 23;
    static constexpr size_t kOffsetsPerChunk = size_t(1) << kOffsetChunkBits;

    // Memory owned by the result: from the heap, or a large mapped block.
    using Region = LargeBlock::Ptr;
    static Region heapRegion(size_t bytes);
    static Region mappedRegion(size_t bytes);

    const char* cellData(size_t row, int col) const;
    // The UTF-8 bytes of a Text or DateTime cell; false for other kinds.
    bool textBytes(size_t row, int col, const char*& bytes, size_t& size) const;
    char* reserve(size_t n);  // room for one cell of n bytes; records its offset
    void startCell(Kind k, size_t payload);
    uint32_t* offsetSlot(size_t cell) const
    {
        if (cell < kFirstOffsets)
            return reinterpret_cast<uint32_t*>(m_offsetChunks[0].get()) + cell;
        cell -= kFirstOffsets;
        return reinterpret_cast<uint32_t*>(m_offsetChunks[1 + (cell >> kOffsetChunkBits)].get())
            + (cell & (kOffsetsPerChunk - 1));
    }
    uint32_t offsetOf(size_t cell) const { return *offsetSlot(cell); }

    std::shared_ptr<const std::vector<QString>> m_columns;
    size_t m_ncols = 0;
    size_t m_firstOffsetsCapacity = 0;               // entries in m_offsetChunks[0]
    std::vector<Region> m_offsetChunks;              // per cell, into the blocks
    size_t m_cells = 0;
    std::vector<Region> m_storage;                   // owned allocations
    std::vector<char*> m_blocks;                     // block index -> address
    uint32_t m_used = 0;                             // next free offset
    size_t m_firstCapacity = 0;                      // the first block grows up to kBlockSize
    size_t m_cursorCol = 0;                          // add* calls in the current row
};
