#include "TextWorkbook.h"

#include "SheetMessages.h"
#include "TextDecoding.h"

#include <QUtf8StringView>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace {

// Pieces of the file decoded at a time: a large file is never held as one string.
constexpr qsizetype kPiece = 1 << 20;

TextDecoding encodingOf(const QByteArray& bytes, int& skip)
{
    TextDecoding::Encoding e;
    skip = TextDecoding::byteOrderMark(bytes, e);
    if (skip > 0)
        return TextDecoding::of(e);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    // UTF-16 without a mark: the high byte of every ASCII character is zero.
    if (bytes.size() >= 4 && p[0] != 0 && p[1] == 0 && p[2] != 0 && p[3] == 0)
        return TextDecoding::of(TextDecoding::Encoding::Utf16LE);
    bool ascii = true;
    qsizetype i = 0;
    for (; ascii && i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        ascii = (word & 0x8080808080808080ULL) == 0;
    }
    for (; ascii && i < bytes.size(); ++i)
        ascii = p[i] < 0x80;
    // Bytes that are valid UTF-8 and hold a multi-byte sequence are UTF-8;
    // Thai text in code page 874 almost never is.
    if (!ascii && QUtf8StringView(bytes.constData(), bytes.size()).isValidUtf8())
        return TextDecoding::of(TextDecoding::Encoding::Utf8);
    return TextDecoding::codePage(874);
}

class TsvParser {
public:
    TsvParser(SheetCells& cells, const QString& path) : m_cells(cells), m_path(path) {}

    void feed(const char16_t* s, size_t n);
    void finish();
    bool sawTab() const { return m_sawTab; }
    bool stopped() const { return m_stopped; }

private:
    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };

    bool keeping() const { return m_col <= SheetCells::kMaxColumn; }
    void checkOverflow() const;
    void append(const char16_t* s, size_t n);
    void endField();
    void endRecord();

    SheetCells& m_cells;
    const QString& m_path;
    std::u16string m_field;
    State m_state = State::FieldStart;
    int m_row = 1;
    int m_col = 1;
    bool m_afterCr = false;
    bool m_sawTab = false;
    bool m_stopped = false;
    int m_overflowRow = 0;  // the first field too long for a cell
    int m_overflowCol = 0;
};

void TsvParser::append(const char16_t* s, size_t n)
{
    if (!keeping())
        return;
    if (m_field.size() + n > static_cast<size_t>(TextWorkbook::kMaxCellText)) {
        // Before the first tab this is most likely no table at all, which
        // the end of the read says rather than naming a cell.
        if (m_overflowRow == 0) {
            m_overflowRow = m_row;
            m_overflowCol = m_col;
        }
        checkOverflow();
        return;
    }
    m_field.append(s, n);
}

void TsvParser::checkOverflow() const
{
    if (m_overflowRow != 0 && m_sawTab)
        SheetMessages::failCell(m_path, m_overflowRow, m_overflowCol,
                                QStringLiteral("มีข้อความยาวเกิน 32,767 ตัวอักษร ซึ่งเกินกว่าที่เซลล์หนึ่งในโปรแกรมตารางคำนวณเก็บได้ "
                                               "กรุณาตรวจแฟ้มที่ได้จาก SAP"));
}

void TsvParser::endField()
{
    if (keeping() && !m_field.empty()) {
        const QStringView f(m_field.data(), static_cast<qsizetype>(m_field.size()));
        double value;
        if (CellText::parseTypedNumber(f, value))
            m_cells.addNumber(m_row, m_col, value);
        else
            m_cells.addText(m_row, m_col, f);
        if (m_cells.cellCount() > TextWorkbook::kMaxCells)
            SheetMessages::fail(SheetMessages::file(m_path)
                                + QStringLiteral(" มีเซลล์ที่มีข้อมูลเกิน 20,000,000 เซลล์ มากเกินกว่าจะเป็นรายการเช็คจาก SAP จึงไม่อ่าน "
                                                 "กรุณาตรวจแฟ้มที่ได้จาก SAP"));
    }
    m_field.clear();
    m_state = State::FieldStart;
}

void TsvParser::endRecord()
{
    endField();
    m_col = 1;
    if (++m_row > SheetCells::kMaxRow)
        m_stopped = true;  // rows past the last the table holds are not read
}

void TsvParser::feed(const char16_t* s, size_t n)
{
    size_t i = 0;
    while (i < n && !m_stopped) {
        const char16_t c = s[i];
        if (m_afterCr) {
            m_afterCr = false;
            if (c == u'\n') {
                ++i;
                continue;
            }
        }
        switch (m_state) {
        case State::FieldStart:
            if (c == u'"') {
                m_state = State::Quoted;
                ++i;
                continue;
            }
            m_state = State::Unquoted;
            [[fallthrough]];
        case State::Unquoted: {
            // The run up to the next separator at once.
            size_t j = i;
            while (j < n && s[j] != u'\t' && s[j] != u'\r' && s[j] != u'\n')
                ++j;
            append(s + i, j - i);
            i = j;
            if (i == n)
                return;
            if (s[i] == u'\t') {
                m_sawTab = true;
                checkOverflow();
                endField();
                ++m_col;
            } else {
                m_afterCr = s[i] == u'\r';
                endRecord();
            }
            ++i;
            break;
        }
        case State::Quoted: {
            size_t j = i;
            while (j < n && s[j] != u'"' && s[j] != u'\r')
                ++j;
            append(s + i, j - i);
            m_sawTab = m_sawTab || std::find(s + i, s + j, u'\t') != s + j;
            i = j;
            if (i == n)
                return;
            if (s[i] == u'\r') {
                // A line break in a cell is one LF, whichever the file wrote.
                append(u"\n", 1);
                m_afterCr = true;
            } else {
                m_state = State::QuoteInQuoted;
            }
            ++i;
            break;
        }
        case State::QuoteInQuoted:
            if (c == u'"') {
                append(u"\"", 1);
                m_state = State::Quoted;
                ++i;
            } else {
                // After the closing quote the field goes on as written.
                m_state = State::Unquoted;
            }
            break;
        }
    }
}

void TsvParser::finish()
{
    if (!m_stopped)
        endField();
    checkOverflow();
}

}

void TextWorkbook::openData(const QByteArray& bytes, const QString& path)
{
    begin(path);
    try {
        int skip = 0;
        TextDecoding decoding = encodingOf(bytes, skip);
        TsvParser parser(m_cells, path);
        std::u16string piece;
        for (qsizetype at = skip; at < bytes.size() && !parser.stopped(); at += kPiece) {
            const qsizetype n = std::min(kPiece, bytes.size() - at);
            piece.clear();
            decoding.decode(QByteArrayView(bytes.constData() + at, n), piece, at + n == bytes.size());
            parser.feed(piece.data(), piece.size());
        }
        parser.finish();
        if (!parser.sawTab())
            SheetMessages::fail(SheetMessages::file(path)
                                + QStringLiteral(" เป็นแฟ้มข้อความที่ไม่มีอักขระแท็บ (Tab) คั่นคอลัมน์ จึงไม่ใช่ตารางข้อมูลที่โปรแกรมอ่านได้ ")
                                + SheetMessages::saveAsReadable());
    } catch (const std::bad_alloc&) {
        close();
        SheetMessages::failOutOfMemory(path);
    } catch (...) {
        close();
        throw;
    }
    done();
}
