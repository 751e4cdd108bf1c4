#include "ResultSet.h"

#include "DatabaseError.h"
#include "LargeBlock.h"
#include "Varint.h"

#include <algorithm>
#include <cstring>
#include <new>

ResultSet::Region ResultSet::heapRegion(size_t bytes)
{
    return LargeBlock::heap(bytes);
}

ResultSet::Region ResultSet::mappedRegion(size_t bytes)
{
    return LargeBlock::allocate(bytes);
}

ResultSet::ResultSet(std::vector<QString> columnNames)
    : ResultSet(std::make_shared<const std::vector<QString>>(std::move(columnNames)))
{
}

ResultSet::ResultSet(std::shared_ptr<const std::vector<QString>> columnNames)
    : m_columns(std::move(columnNames)), m_ncols(m_columns ? m_columns->size() : 0)
{
}

int ResultSet::columnIndex(const QString& name) const
{
    for (size_t i = 0; i < m_ncols; ++i)
        if ((*m_columns)[i].compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

void ResultSet::reserveRows(size_t rows)
{
    const size_t cells = rows * m_ncols;
    m_offsetChunks.reserve(1 + (cells + kOffsetsPerChunk - 1) / kOffsetsPerChunk);
}

void ResultSet::clearRows()
{
    if (m_firstCapacity > 0 && !m_storage.empty()) {
        m_storage.resize(1);
        m_blocks.assign(1, m_storage[0].get());
    } else {
        m_storage.clear();
        m_blocks.clear();
        m_firstCapacity = 0;
    }
    if (m_offsetChunks.size() > 1)
        m_offsetChunks.resize(1);
    m_used = 0;
    m_cells = 0;
    m_cursorCol = 0;
}

void ResultSet::beginRow()
{
    m_cursorCol = 0;
}

char* ResultSet::reserve(size_t n)
{
    if (m_cursorCol >= m_ncols)
        throw DatabaseError(QStringLiteral("Result row has more values than columns"));
    ++m_cursorCol;

    const uint64_t end = static_cast<uint64_t>(m_used) + n;
    if (m_blocks.size() == 1 && m_firstCapacity < kBlockSize && end <= kBlockSize && end > m_firstCapacity) {
        // The first block grows gradually: most results are a handful of rows.
        size_t cap = std::max<size_t>(m_firstCapacity * 2, 4096);
        while (cap < end)
            cap *= 2;
        cap = std::min<size_t>(cap, kBlockSize);
        Region grown = heapRegion(cap);
        std::memcpy(grown.get(), m_storage[0].get(), m_used);
        m_storage[0] = std::move(grown);
        m_blocks[0] = m_storage[0].get();
        m_firstCapacity = cap;
    } else if (m_blocks.empty() || end > (static_cast<uint64_t>(m_blocks.size()) << kBlockBits)) {
        // A fresh block, or a run of block slotCount for an oversized cell.
        const size_t slotCount = std::max<size_t>((n + kBlockSize - 1) / kBlockSize, 1);
        const uint64_t start = static_cast<uint64_t>(m_blocks.size()) << kBlockBits;
        if (start + slotCount * static_cast<uint64_t>(kBlockSize) > UINT32_MAX)
            throw DatabaseError(QStringLiteral("Query result too large to hold in memory"));
        size_t bytes = slotCount * kBlockSize;
        if (m_blocks.empty() && n <= kBlockSize) {
            bytes = std::max<size_t>(4096, n);
            m_firstCapacity = bytes;
            m_storage.push_back(heapRegion(bytes));
        } else {
            m_storage.push_back(mappedRegion(bytes));
        }
        for (size_t s = 0; s < slotCount; ++s)
            m_blocks.push_back(m_storage.back().get() + s * kBlockSize);
        m_used = static_cast<uint32_t>(start);
    }

    if (m_cells < kFirstOffsets && m_cells >= m_firstOffsetsCapacity) {
        // The first offset chunk grows like the first block: most results
        // are a row or two, and a large allocation per result costs more
        // than the statement that made it.
        const size_t cap = std::min(std::max<size_t>(m_firstOffsetsCapacity * 2, 64), kFirstOffsets);
        Region grown = heapRegion(cap * sizeof(uint32_t));
        if (m_cells)
            std::memcpy(grown.get(), m_offsetChunks[0].get(), m_cells * sizeof(uint32_t));
        if (m_offsetChunks.empty())
            m_offsetChunks.push_back(std::move(grown));
        else
            m_offsetChunks[0] = std::move(grown);
        m_firstOffsetsCapacity = cap;
    } else if (m_cells >= kFirstOffsets && ((m_cells - kFirstOffsets) & (kOffsetsPerChunk - 1)) == 0)
        m_offsetChunks.push_back(mappedRegion(kOffsetsPerChunk * sizeof(uint32_t)));
    *offsetSlot(m_cells) = m_used;
    ++m_cells;

    char* p = m_blocks[m_used >> kBlockBits] + (m_used & (kBlockSize - 1));
    m_used += static_cast<uint32_t>(n);
    return p;
}

void ResultSet::startCell(Kind k, size_t payload)
{
    char* p = reserve(1 + payload);
    *p = static_cast<char>(k);
}

void ResultSet::addNull()
{
    startCell(Kind::Null, 0);
}

void ResultSet::addInteger(int64_t v)
{
    char* p = reserve(1 + sizeof v);
    *p = static_cast<char>(Kind::Integer);
    std::memcpy(p + 1, &v, sizeof v);
}

void ResultSet::addReal(double v)
{
    char* p = reserve(1 + sizeof v);
    *p = static_cast<char>(Kind::Real);
    std::memcpy(p + 1, &v, sizeof v);
}

void ResultSet::addText(const char* utf8, size_t bytes)
{
    char* p = reserve(1 + Varint::size(bytes) + bytes);
    *p = static_cast<char>(Kind::Text);
    p = Varint::put(p + 1, bytes);
    if (bytes)
        std::memcpy(p, utf8, bytes);
}

void ResultSet::addText(const QString& text)
{
    const QByteArray u = text.toUtf8();
    addText(u.constData(), static_cast<size_t>(u.size()));
}

void ResultSet::addDateTime(const QString& iso)
{
    const QByteArray u = iso.toUtf8();
    const auto bytes = static_cast<size_t>(u.size());
    char* p = reserve(1 + Varint::size(bytes) + bytes);
    *p = static_cast<char>(Kind::DateTime);
    p = Varint::put(p + 1, bytes);
    std::memcpy(p, u.constData(), bytes);
}

const char* ResultSet::cellData(size_t row, int col) const
{
    const uint32_t off = offsetOf(row * m_ncols + static_cast<size_t>(col));
    return m_blocks[off >> kBlockBits] + (off & (kBlockSize - 1));
}

ResultSet::Kind ResultSet::kind(size_t row, int col) const
{
    return static_cast<Kind>(*cellData(row, col));
}

int64_t ResultSet::integer(size_t row, int col) const
{
    const char* p = cellData(row, col);
    if (static_cast<Kind>(*p) != Kind::Integer)
        return 0;
    int64_t v;
    std::memcpy(&v, p + 1, sizeof v);
    return v;
}

double ResultSet::real(size_t row, int col) const
{
    const char* p = cellData(row, col);
    if (static_cast<Kind>(*p) != Kind::Real)
        return 0;
    double v;
    std::memcpy(&v, p + 1, sizeof v);
    return v;
}

bool ResultSet::textBytes(size_t row, int col, const char*& bytes, size_t& size) const
{
    const char* p = cellData(row, col);
    const auto k = static_cast<Kind>(*p);
    if (k != Kind::Text && k != Kind::DateTime)
        return false;
    bytes = Varint::get(p + 1, size);
    return true;
}

QString ResultSet::text(size_t row, int col) const
{
    const char* p;
    size_t n;
    return textBytes(row, col, p, n) ? QString::fromUtf8(p, static_cast<qsizetype>(n)) : QString();
}

size_t ResultSet::memoryBytes() const
{
    // What the cells occupy: mapped blocks are reserved whole but only the
    // pages written to are ever backed by memory.
    return static_cast<size_t>(m_used) + m_cells * sizeof(uint32_t) + m_blocks.capacity() * sizeof(char*);
}
