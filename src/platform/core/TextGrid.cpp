#include "TextGrid.h"

#include "LargeBlock.h"
#include "Varint.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// One byte per character for ASCII (as itself) and the Thai block U+0E00..U+0E7F
// (as 0x80..0xFF): the text of nearly every cheque row.
constexpr char16_t kThaiBase = 0x0E00;

inline bool narrowable(char16_t u)
{
    return u < 0x80 || (u >= kThaiBase && u < kThaiBase + 0x80);
}

inline char toNarrow(char16_t u)
{
    return static_cast<char>(u < 0x80 ? u : u - kThaiBase + 0x80);
}

inline char16_t fromNarrow(unsigned char b)
{
    return b < 0x80 ? char16_t(b) : char16_t(kThaiBase + (b - 0x80));
}


}  // namespace

// ---- RowBuilder -------------------------------------------------------------

void TextGrid::RowBuilder::Bytes::grow(size_t n)
{
    const size_t capacity = std::max<size_t>({n, m_capacity * 2, 256});
    std::unique_ptr<char[]> more(new char[capacity]);
    if (m_size)
        std::memcpy(more.get(), m_data.get(), m_size);
    m_data = std::move(more);
    m_capacity = capacity;
}

void TextGrid::RowBuilder::Bytes::append(const char* p, size_t n)
{
    const size_t at = m_size;
    resize(at + n);
    if (n)
        std::memcpy(m_data.get() + at, p, n);
}

void TextGrid::RowBuilder::clear()
{
    m_wide = false;
    m_narrow.clear();
    m_utf16.clear();
    m_ends.clear();
    m_cellStart = 0;
}

void TextGrid::RowBuilder::widen()
{
    m_utf16.resize(m_narrow.size());
    for (size_t i = 0; i < m_narrow.size(); ++i)
        m_utf16[i] = fromNarrow(static_cast<unsigned char>(m_narrow[i]));
    m_narrow.clear();
    m_wide = true;
}

void TextGrid::RowBuilder::append(QStringView text)
{
    const auto* u = reinterpret_cast<const char16_t*>(text.utf16());
    const size_t n = static_cast<size_t>(text.size());
    if (!m_wide) {
        size_t i = 0;
        const size_t at = m_narrow.size();
        m_narrow.resize(at + n);
        for (; i < n && narrowable(u[i]); ++i)
            m_narrow[at + i] = toNarrow(u[i]);
        if (i == n)
            return;
        m_narrow.resize(at + i);
        widen();
        m_utf16.append(u + i, n - i);
        return;
    }
    m_utf16.append(u, n);
}

void TextGrid::RowBuilder::append(QChar c)
{
    const char16_t u = c.unicode();
    if (!m_wide && narrowable(u)) {
        m_narrow.push_back(toNarrow(u));
        return;
    }
    if (!m_wide)
        widen();
    m_utf16.push_back(u);
}

void TextGrid::RowBuilder::appendAscii(const char* text, size_t bytes)
{
    if (!m_wide)
        m_narrow.append(text, bytes);
    else
        for (size_t i = 0; i < bytes; ++i)
            m_utf16.push_back(static_cast<unsigned char>(text[i]));
}

void TextGrid::RowBuilder::appendNarrow(const char* text, size_t chars)
{
    if (!m_wide)
        m_narrow.append(text, chars);
    else
        for (size_t i = 0; i < chars; ++i)
            m_utf16.push_back(fromNarrow(static_cast<unsigned char>(text[i])));
}

void TextGrid::RowBuilder::appendUtf8(const char* text, size_t bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* const end = p + bytes;
    if (!m_wide) {
        // Written in place: the narrow form never takes more bytes than the
        // UTF-8 it comes from. ASCII bytes stay as they are; Thai letters are
        // E0 B8 80 (U+0E00) .. E0 B9 BF (U+0E7F).
        const size_t at = m_narrow.size();
        m_narrow.resize(at + bytes);
        char* out = m_narrow.data() + at;
        while (p < end) {
            if (*p < 0x80) {
                *out++ = static_cast<char>(*p++);
            } else if (end - p >= 3 && p[0] == 0xE0 && (p[1] == 0xB8 || p[1] == 0xB9) && (p[2] & 0xC0) == 0x80) {
                const unsigned u = ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
                *out++ = static_cast<char>(0x80 + (u - 0xE00));
                p += 3;
            } else {
                break;
            }
        }
        m_narrow.resize(static_cast<size_t>(out - m_narrow.data()));
        if (p == end)
            return;
        widen();
    }
    const QString rest = QString::fromUtf8(reinterpret_cast<const char*>(p), end - p);
    m_utf16.append(reinterpret_cast<const char16_t*>(rest.utf16()), static_cast<size_t>(rest.size()));
}

void TextGrid::RowBuilder::truncateCell(qsizetype units)
{
    if (cellSize() <= units)
        return;
    const size_t to = static_cast<size_t>(m_cellStart + units);
    if (m_wide)
        m_utf16.resize(to);
    else
        m_narrow.resize(to);
}

void TextGrid::RowBuilder::endCell()
{
    m_ends.push_back(static_cast<uint32_t>(size()));
    m_cellStart = size();
}

// ---- Store ------------------------------------------------------------------

// Row records in large blocks. A record: a flag byte (1: UTF-16), the number
// of cells, each cell's length in characters (varints), then the text. A row
// that is written again gets a new record; the old one is garbage until the
// blocks are compacted, which happens once garbage outweighs what is alive.
// Per row, where its record is: 0 for an empty row. Kept in chunks of their
// own, so that growing never copies the table and shrinking gives it back.
class RefTable {
public:
    static constexpr size_t kChunkBits = 12;
    static constexpr size_t kChunk = size_t(1) << kChunkBits;

    size_t size() const { return m_size; }
    uint64_t& operator[](size_t i) { return chunk(i >> kChunkBits)[i & (kChunk - 1)]; }
    uint64_t operator[](size_t i) const { return chunk(i >> kChunkBits)[i & (kChunk - 1)]; }

    // Rows added are empty.
    void resize(size_t n)
    {
        const size_t chunks = (n + kChunk - 1) >> kChunkBits;
        if (chunks < m_chunks.size())
            m_chunks.resize(chunks);
        for (size_t i = m_size; i < n && (i & (kChunk - 1)) != 0 && (i >> kChunkBits) < m_chunks.size(); ++i)
            (*this)[i] = 0;
        // Mapped memory comes zeroed: every row of a new chunk is empty.
        while (m_chunks.size() < chunks)
            m_chunks.push_back(LargeBlock::allocate(kChunk * sizeof(uint64_t)));
        m_size = n;
    }
    void push_back(uint64_t ref)
    {
        resize(m_size + 1);
        (*this)[m_size - 1] = ref;
    }
    size_t bytes() const { return m_chunks.size() * kChunk * sizeof(uint64_t); }

private:
    uint64_t* chunk(size_t c) const { return reinterpret_cast<uint64_t*>(m_chunks[c].get()); }

    std::vector<LargeBlock::Ptr> m_chunks;
    size_t m_size = 0;
};

class TextGrid::Store {
public:
    // Blocks grow with the grid: a small grid takes a small one, a large
    // grid's blocks are big enough to be backed by huge pages.
    static constexpr size_t kFirstBlock = size_t(64) << 10;
    static constexpr size_t kLargestBlock = size_t(8) << 20;
    static constexpr size_t kMappedFrom = size_t(2) << 20;
    static constexpr size_t kGarbageSlack = size_t(4) << 20;

    RefTable refs;  // per row: 0 empty, else (block + 1) << 32 | offset

    const char* record(uint64_t ref) const { return m_blocks[(ref >> 32) - 1].get() + (ref & 0xffffffffu); }

    // A record from cells written end to end: ends[c] is the offset just past cell c.
    uint64_t add(bool wide, const void* text, size_t units, const uint32_t* ends, int cells)
    {
        size_t header = 1 + Varint::size(static_cast<uint32_t>(cells));
        for (int c = 0; c < cells; ++c)
            header += Varint::size(ends[c] - (c ? ends[c - 1] : 0));
        const size_t payload = units * (wide ? 2 : 1);
        const size_t n = header + payload;
        uint64_t ref;
        char* p = room(n, ref);
        *p++ = wide ? 1 : 0;
        p = Varint::put(p, static_cast<uint32_t>(cells));
        for (int c = 0; c < cells; ++c)
            p = Varint::put(p, ends[c] - (c ? ends[c - 1] : 0));
        if (payload)
            std::memcpy(p, text, payload);
        return ref;
    }

    // The last record read, parsed: a reader going cell by cell along a row
    // (the export, the view) finds each cell without walking the lengths again.
    struct Parsed {
        uint64_t ref = 0;
        bool wide = false;
        const char* text = nullptr;
        std::vector<uint32_t> starts;  // per cell its first character, then the end
    };

    const Parsed& parsed(uint64_t ref) const
    {
        if (m_parsed.ref == ref)
            return m_parsed;
        const char* rec = record(ref);
        uint32_t cells = 0;
        const char* p = Varint::get(rec + 1, cells);
        m_parsed.starts.resize(size_t(cells) + 1);
        uint32_t at = 0;
        for (uint32_t c = 0; c < cells; ++c) {
            m_parsed.starts[c] = at;
            uint32_t len;
            p = Varint::get(p, len);
            at += len;
        }
        m_parsed.starts[cells] = at;
        m_parsed.wide = rec[0] != 0;
        m_parsed.text = p;
        m_parsed.ref = ref;
        return m_parsed;
    }

    // The record of a row that is dropped or written anew.
    void release(uint64_t ref)
    {
        if (!ref)
            return;
        if (m_parsed.ref == ref)
            m_parsed.ref = 0;
        const size_t n = recordSize(record(ref));
        m_live -= n;
        m_garbage += n;
    }

    static size_t recordSize(const char* rec)
    {
        const bool wide = rec[0] != 0;
        uint32_t cells = 0;
        const char* p = Varint::get(rec + 1, cells);
        size_t units = 0;
        for (uint32_t c = 0; c < cells; ++c) {
            uint32_t len = 0;
            p = Varint::get(p, len);
            units += len;
        }
        return static_cast<size_t>(p - rec) + units * (wide ? 2 : 1);
    }

    bool wantsCompaction() const { return m_garbage > kGarbageSlack && m_garbage > m_live; }

    // Copies the live records into fresh blocks and frees the old ones.
    void compact() { *this = liveCopy(); }

    Store liveCopy() const
    {
        Store fresh;
        for (size_t r = 0; r < refs.size(); ++r) {
            const uint64_t ref = refs[r];
            if (!ref) {
                fresh.refs.push_back(0);
                continue;
            }
            const char* rec = record(ref);
            const size_t n = recordSize(rec);
            uint64_t copied;
            std::memcpy(fresh.room(n, copied), rec, n);
            fresh.refs.push_back(copied);
        }
        return fresh;
    }

    size_t bytes() const { return m_allocated + refs.bytes(); }

private:
    // Room for a record of n bytes; ref says where it is.
    char* room(size_t n, uint64_t& ref)
    {
        if (m_blocks.empty() || m_used + n > m_capacity) {
            m_garbage += m_capacity - m_used;  // the unused tail of the last block
            m_capacity = std::max(n, std::clamp(m_allocated / 2, kFirstBlock, kLargestBlock));
            // Large blocks are mapped from the system, so that emptying the
            // grid gives the memory back at once rather than to the heap.
            m_blocks.push_back(m_capacity >= kMappedFrom ? LargeBlock::allocate(m_capacity)
                                                         : LargeBlock::heap(m_capacity));
            m_allocated += m_capacity;
            m_used = 0;
        }
        ref = (uint64_t(m_blocks.size()) << 32) | m_used;
        char* p = m_blocks.back().get() + m_used;
        m_used += n;
        m_live += n;
        return p;
    }

    std::vector<LargeBlock::Ptr> m_blocks;
    mutable Parsed m_parsed;
    size_t m_used = 0;
    size_t m_capacity = 0;
    size_t m_allocated = 0;
    size_t m_live = 0;
    size_t m_garbage = 0;
};

// A row's record, parsed: where its lengths and text are.
struct TextGrid::View {
    bool wide = false;
    uint32_t cells = 0;
    const char* lengths = nullptr;  // varints
    const char* text = nullptr;
};

// ---- TextGrid -----------------------------------------------------------------

TextGrid::TextGrid() : m_store(std::make_unique<Store>())
{
    setColCount(5);
    setRowCount(5);
}

TextGrid::TextGrid(const TextGrid& other)
    : m_cols(other.m_cols),
      m_rows(other.m_rows),
      m_fixedRows(other.m_fixedRows),
      m_fixedCols(other.m_fixedCols),
      m_store(std::make_unique<Store>(other.m_store->liveCopy())),
      m_widths(other.m_widths)
{
}

TextGrid& TextGrid::operator=(const TextGrid& other)
{
    if (this != &other)
        *this = TextGrid(other);
    return *this;
}

TextGrid::TextGrid(TextGrid&&) noexcept = default;
TextGrid& TextGrid::operator=(TextGrid&&) noexcept = default;
TextGrid::~TextGrid() = default;

void TextGrid::checkCell(int col, int row) const
{
    if (col < 0 || col >= m_cols || row < 0 || row >= m_rows)
        throw std::out_of_range("grid cell (" + std::to_string(col) + ", " + std::to_string(row)
                                + ") is outside the grid of " + std::to_string(m_cols) + " x "
                                + std::to_string(m_rows));
}

void TextGrid::checkRow(int row) const
{
    if (row < 0 || row >= m_rows)
        throw std::out_of_range("grid row " + std::to_string(row) + " is outside the grid");
}

TextGrid::View TextGrid::view(int row) const
{
    View v;
    const uint64_t ref = m_store->refs[static_cast<size_t>(row)];
    if (!ref)
        return v;
    const char* rec = m_store->record(ref);
    v.wide = rec[0] != 0;
    v.lengths = Varint::get(rec + 1, v.cells);
    const char* p = v.lengths;
    for (uint32_t c = 0; c < v.cells; ++c) {
        uint32_t len;
        p = Varint::get(p, len);
    }
    v.text = p;
    return v;
}

void TextGrid::store(int row, bool wide, const void* text, const uint32_t* ends, int cells)
{
    // Trailing empty cells are not stored: they read as empty anyway.
    while (cells > 0 && ends[cells - 1] == (cells > 1 ? ends[cells - 2] : 0))
        --cells;
    uint64_t& ref = m_store->refs[static_cast<size_t>(row)];
    m_store->release(ref);
    ref = cells ? m_store->add(wide, text, ends[cells - 1], ends, cells) : 0;
    if (m_store->wantsCompaction())
        m_store->compact();
}

void TextGrid::setColCount(int cols)
{
    if (cols < 0)
        throw std::out_of_range("negative column count");
    if (cols == m_cols)
        return;
    if (cols < m_cols) {
        // Cells cut off must not come back when the grid widens again.
        for (int r = 0; r < m_rows; ++r) {
            const View v = view(r);
            if (v.cells <= static_cast<uint32_t>(cols))
                continue;
            std::vector<uint32_t> ends(static_cast<size_t>(cols));
            uint32_t at = 0;
            const char* p = v.lengths;
            for (int c = 0; c < cols; ++c) {
                uint32_t len;
                p = Varint::get(p, len);
                ends[c] = at += len;
            }
            // Copied first: storing may compact the blocks the record is in.
            const std::string copy(v.text, size_t(at) * (v.wide ? 2 : 1));
            store(r, v.wide, copy.data(), ends.data(), cols);
        }
    }
    m_widths.resize(cols, kDefaultColumnWidth);
    m_cols = cols;
}

void TextGrid::setRowCount(int rows)
{
    if (rows < 0)
        throw std::out_of_range("negative row count");
    // Rows past the new count are dropped; rows added are empty.
    auto& refs = m_store->refs;
    for (size_t r = static_cast<size_t>(rows); r < refs.size(); ++r)
        m_store->release(refs[r]);
    refs.resize(static_cast<size_t>(rows));
    m_rows = rows;
    if (m_store->wantsCompaction())
        m_store->compact();
}

QString TextGrid::cell(int col, int row) const
{
    if (col < 0 || col >= m_cols || row < 0 || row >= m_rows)
        return QString();
    const uint64_t ref = m_store->refs[static_cast<size_t>(row)];
    if (!ref)
        return QString();
    const Store::Parsed& p = m_store->parsed(ref);
    if (static_cast<size_t>(col) + 1 >= p.starts.size())
        return QString();
    const uint32_t start = p.starts[static_cast<size_t>(col)];
    const uint32_t length = p.starts[static_cast<size_t>(col) + 1] - start;
    if (length == 0)
        return QString();
    QString s(static_cast<qsizetype>(length), Qt::Uninitialized);
    if (p.wide) {
        std::memcpy(s.data(), p.text + size_t(start) * 2, size_t(length) * 2);
    } else {
        auto* out = reinterpret_cast<char16_t*>(s.data());
        const auto* in = reinterpret_cast<const unsigned char*>(p.text) + start;
        for (uint32_t i = 0; i < length; ++i)
            out[i] = fromNarrow(in[i]);
    }
    return s;
}

void TextGrid::setCell(int col, int row, const QString& text)
{
    checkCell(col, row);
    // The row is rebuilt from its record, with the one cell replaced.
    RowBuilder b;
    const View v = view(row);
    const int cells = std::max(static_cast<int>(v.cells), col + 1);
    const char* lengths = v.lengths;
    const char* t = v.text;
    for (int c = 0; c < cells; ++c) {
        uint32_t len = 0;
        if (static_cast<uint32_t>(c) < v.cells)
            lengths = Varint::get(lengths, len);
        if (c == col) {
            b.append(text);
        } else if (v.wide) {
            // Records are byte-packed: the UTF-16 text may sit at an odd address.
            std::u16string units(len, u'\0');
            std::memcpy(units.data(), t, size_t(len) * 2);
            b.append(QStringView(units.data(), units.size()));
        } else {
            b.appendNarrow(t, len);
        }
        t += size_t(len) * (v.wide ? 2 : 1);
        b.endCell();
    }
    setRow(row, b);
}

void TextGrid::clearRow(int row)
{
    checkRow(row);
    uint64_t& ref = m_store->refs[static_cast<size_t>(row)];
    m_store->release(ref);
    ref = 0;
}

void TextGrid::setRowText(int row, QStringView text, const uint32_t* ends)
{
    checkRow(row);
    for (int c = 0; c < m_cols; ++c)
        if (ends[c] > text.size() || (c > 0 && ends[c] < ends[c - 1]))
            throw std::out_of_range("cell ends do not fit the row text");
    RowBuilder b;
    b.append(text.first(m_cols ? ends[m_cols - 1] : 0));
    b.m_ends.assign(ends, ends + m_cols);
    setRow(row, b);
}

void TextGrid::setRow(int row, const RowBuilder& cells)
{
    checkRow(row);
    if (cells.cellCount() > m_cols)
        throw std::out_of_range("row has more cells than the grid has columns");
    if (cells.m_wide)
        store(row, true, cells.m_utf16.data(), cells.m_ends.data(), cells.cellCount());
    else
        store(row, false, cells.m_narrow.data(), cells.m_ends.data(), cells.cellCount());
}

int TextGrid::colWidth(int col) const
{
    return col >= 0 && col < m_cols ? m_widths[col] : kDefaultColumnWidth;
}

void TextGrid::setColWidth(int col, int pixels)
{
    if (col < 0 || col >= m_cols)
        throw std::out_of_range("column " + std::to_string(col) + " is outside the grid");
    m_widths[col] = pixels;
}

void TextGrid::setFixedRows(int n)
{
    if (n < 0 || n >= m_rows)
        throw std::out_of_range("Fixed row count must be less than row count");
    m_fixedRows = n;
}

void TextGrid::setFixedCols(int n)
{
    if (n < 0 || n >= m_cols)
        throw std::out_of_range("Fixed column count must be less than column count");
    m_fixedCols = n;
}

size_t TextGrid::memoryBytes() const
{
    return m_store->bytes();
}
