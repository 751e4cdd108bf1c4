#pragma once

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

    int columnCount() const { return static_cast<int>(m_columns.size()); }
    const QString& columnName(int col) const { return m_columns[col]; }
    // First column of that name, without regard to case; -1 when there is none.
    int columnIndex(const QString& name) const;
    size_t rowCount() const { return m_columns.empty() ? 0 : m_cells / m_columns.size(); }

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
    QByteArray utf8(size_t row, int col) const;   // Text and DateTime cells, undecoded

    // Bytes held by the cells (arena and offsets), for sizing checks.
    size_t memoryBytes() const;

private:
    // Cells live in fixed-size blocks so that growing never copies what is
    // already stored (a vector doubling a 400 MB arena would briefly need three
    // times that). A cell never straddles blocks; a cell bigger than one block
    // gets a contiguous run of block slots of its own.
    static constexpr uint32_t kBlockBits = 20;                 // 1 MiB blocks
    static constexpr uint32_t kBlockSize = 1u << kBlockBits;
    static constexpr size_t kOffsetsPerChunk = 1u << 16;

    const char* cellData(size_t row, int col) const;
    char* reserve(size_t n);  // room for one cell of n bytes; records its offset
    void startCell(Kind k, size_t payload);
    uint32_t offsetOf(size_t cell) const
    {
        return m_offsetChunks[cell / kOffsetsPerChunk][cell % kOffsetsPerChunk];
    }

    std::vector<QString> m_columns;
    std::vector<std::unique_ptr<uint32_t[]>> m_offsetChunks;  // per cell, into the blocks
    size_t m_cells = 0;
    std::vector<std::unique_ptr<char[]>> m_storage;  // owned allocations
    std::vector<char*> m_blocks;                     // block index -> address
    uint32_t m_used = 0;                             // next free offset
    size_t m_storageBytes = 0;
    size_t m_firstCapacity = 0;                      // the first block grows up to kBlockSize
    size_t m_cursorCol = 0;                          // add* calls in the current row
};
