#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
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
    size_t rowCount() const { return m_columns.empty() ? 0 : m_offsets.size() / m_columns.size(); }

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

private:
    const char* cellData(size_t row, int col) const;
    void append(const void* p, size_t n);
    void startCell(Kind k);

    std::vector<QString> m_columns;
    std::vector<uint32_t> m_offsets;  // per cell, into m_arena
    std::vector<char> m_arena;
};
