#include "BiffBook.h"

#include "FormulaEval.h"

#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace {

// Record types the reader understands; every other record is passed over.
enum : uint16_t {
    kBof = 0x0809,
    kBof2 = 0x0009,
    kBof3 = 0x0209,
    kBof4 = 0x0409,
    kEof = 0x000A,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kBoundSheet = 0x0085,
    kFont = 0x0031,
    kNumber = 0x0203,
    kRk = 0x027E,
    kMulRk = 0x00BD,
    kLabel = 0x0204,
    kRString = 0x00D6,
    kLabelSst = 0x00FD,
    kBoolErr = 0x0205,
    kFormula = 0x0006,
    kFormula4 = 0x0406,
    kString = 0x0207,
    kRecalcId = 0x01C1,
    kExtSst = 0x00FF,
    kCountry = 0x008C,
};

// Substream type of a worksheet in a BOF record.
constexpr uint16_t kWorksheet = 0x0010;

using Kind = BiffBook::Failure::Kind;

[[noreturn]] void fail(Kind kind, const QString& where)
{
    throw BiffBook::Failure(kind, where.toStdString());
}

uint16_t u16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t u32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16
           | static_cast<uint32_t>(p[3]) << 24;
}

double f64(const uint8_t* p)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | p[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// An RK number: 30 bits of an integer or of a double's high word, maybe / 100.
double rkValue(uint32_t rk)
{
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 1) ? v / 100 : v;
}

struct Record {
    uint16_t type = 0;
    uint16_t length = 0;
    size_t at = 0;  // offset of the record's header in the stream
    const uint8_t* body = nullptr;
};

// Reads the record at `pos`; false at the very end of the stream. A record
// that runs past the end throws.
bool readRecord(const uint8_t* data, size_t size, size_t& pos, Record& r, const QString& where)
{
    if (pos >= size)
        return false;
    if (size - pos < 4)
        fail(Kind::Damaged, where + QStringLiteral(" ข้อมูลขาดหายที่ไบต์ ") + QString::number(pos));
    r.type = u16(data + pos);
    r.length = u16(data + pos + 2);
    r.at = pos;
    if (size - pos - 4 < r.length)
        fail(Kind::Damaged, where + QStringLiteral(" ข้อมูลขาดหายที่ไบต์ ") + QString::number(pos));
    r.body = data + pos + 4;
    pos += 4 + static_cast<size_t>(r.length);
    return true;
}

// Reads through a record and the CONTINUE records after it as one run of
// bytes, the way long texts are stored: where characters run on into the next
// record, that record starts with one byte saying whether they are 8 or 16 bits wide.
class Pieces {
public:
    struct Short {};  // ran out of bytes

    // 8-bit characters are the low bytes of UTF-16 in Excel's own files; a
    // file that names another code page than UTF-16 meant that page.
    explicit Pieces(int codePage = 0) : m_codePage(codePage) {}

    void add(const uint8_t* p, size_t n) { m_pieces.push_back({p, n}); }
    bool atEnd()
    {
        while (m_i < m_pieces.size() && m_off == m_pieces[m_i].second) {
            ++m_i;
            m_off = 0;
        }
        return m_i >= m_pieces.size();
    }
    uint8_t byte()
    {
        if (atEnd())
            throw Short{};
        return m_pieces[m_i].first[m_off++];
    }
    uint16_t word()
    {
        const uint8_t lo = byte();
        return static_cast<uint16_t>(lo | byte() << 8);
    }
    uint32_t dword()
    {
        const uint32_t lo = word();
        return lo | static_cast<uint32_t>(word()) << 16;
    }
    void skip(size_t n)
    {
        while (n > 0) {
            if (atEnd())
                throw Short{};
            const size_t take = std::min(n, m_pieces[m_i].second - m_off);
            m_off += take;
            n -= take;
        }
    }
    // `count` characters, 16-bit when `wide`; with `flagged` a piece that the
    // characters run into starts with a width byte of its own.
    void chars(size_t count, bool wide, bool flagged, std::vector<char16_t>& out)
    {
        while (count > 0) {
            if (m_i < m_pieces.size() && m_off == m_pieces[m_i].second) {
                ++m_i;
                m_off = 0;
                if (m_i < m_pieces.size() && flagged)
                    wide = (byte() & 1) != 0;
            }
            if (m_i >= m_pieces.size())
                throw Short{};
            const uint8_t* p = m_pieces[m_i].first + m_off;
            const size_t avail = (m_pieces[m_i].second - m_off) / (wide ? 2 : 1);
            if (avail == 0) {
                // A record holding only its width byte, or half a 16-bit
                // character: the characters go on in the next record.
                m_off = m_pieces[m_i].second;
                continue;
            }
            const size_t take = std::min(count, avail);
            const size_t at = out.size();
            out.resize(at + take);
            char16_t* o = out.data() + at;
            if (wide)
                for (size_t k = 0; k < take; ++k)
                    o[k] = static_cast<char16_t>(p[2 * k] | p[2 * k + 1] << 8);
            else
                for (size_t k = 0; k < take; ++k)
                    o[k] = p[k];
            if (!wide && m_codePage != 0 && std::any_of(p, p + take, [](uint8_t b) { return b >= 0x80; })) {
                std::u16string decoded;
                BiffBook::appendCodePage(decoded, p, take, m_codePage);
                out.resize(at);
                out.insert(out.end(), decoded.begin(), decoded.end());
            }
            m_off += take * (wide ? 2 : 1);
            count -= take;
        }
    }

private:
    std::vector<std::pair<const uint8_t*, size_t>> m_pieces;
    int m_codePage;
    size_t m_i = 0;
    size_t m_off = 0;
};

// Excel 97-2003 text: character count (1 or 2 bytes), width and option
// flags, then the characters; formatting runs and phonetic data are passed over.
void unicodeString(Pieces& in, bool shortCount, std::vector<char16_t>& out)
{
    const size_t count = shortCount ? in.byte() : in.word();
    const uint8_t flags = in.byte();
    const size_t runs = (flags & 0x08) ? in.word() : 0;
    const size_t ext = (flags & 0x04) ? in.dword() : 0;
    in.chars(count, (flags & 1) != 0, true, out);
    in.skip(runs * 4);
    in.skip(ext);
}

const char16_t kCp874[128] = {
    0x20AC, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0x2026, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD,
    0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0xFFFD,
    0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD,
    // 0xA0: no-break space, then the Thai block U+0E01..U+0E3A, four gaps, U+0E3F..U+0E5B, four gaps
    0x00A0, 0x0E01, 0x0E02, 0x0E03, 0x0E04, 0x0E05, 0x0E06, 0x0E07, 0x0E08, 0x0E09, 0x0E0A, 0x0E0B, 0x0E0C,
    0x0E0D, 0x0E0E, 0x0E0F, 0x0E10, 0x0E11, 0x0E12, 0x0E13, 0x0E14, 0x0E15, 0x0E16, 0x0E17, 0x0E18, 0x0E19,
    0x0E1A, 0x0E1B, 0x0E1C, 0x0E1D, 0x0E1E, 0x0E1F, 0x0E20, 0x0E21, 0x0E22, 0x0E23, 0x0E24, 0x0E25, 0x0E26,
    0x0E27, 0x0E28, 0x0E29, 0x0E2A, 0x0E2B, 0x0E2C, 0x0E2D, 0x0E2E, 0x0E2F, 0x0E30, 0x0E31, 0x0E32, 0x0E33,
    0x0E34, 0x0E35, 0x0E36, 0x0E37, 0x0E38, 0x0E39, 0x0E3A, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0x0E3F, 0x0E40,
    0x0E41, 0x0E42, 0x0E43, 0x0E44, 0x0E45, 0x0E46, 0x0E47, 0x0E48, 0x0E49, 0x0E4A, 0x0E4B, 0x0E4C, 0x0E4D,
    0x0E4E, 0x0E4F, 0x0E50, 0x0E51, 0x0E52, 0x0E53, 0x0E54, 0x0E55, 0x0E56, 0x0E57, 0x0E58, 0x0E59, 0x0E5A,
    0x0E5B, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD,
};

const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The code page a font's character set stands for, for Excel 5.0/95 files
// that do not name theirs; 0 when the set names none.
int fontCodePage(uint8_t charset)
{
    switch (charset) {
    case 0: return 1252;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
    }
}

QString sheetWhere(const std::u16string& name)
{
    return QStringLiteral("แผ่นงานแรก \"") + QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size()))
           + QStringLiteral("\"");
}

}

void BiffBook::appendCodePage(std::u16string& out, const uint8_t* bytes, size_t n, int codePage)
{
    const size_t at = out.size();
    out.resize(at + n);
    char16_t* o = out.data() + at;
    switch (codePage) {
    case 874:
        for (size_t i = 0; i < n; ++i)
            o[i] = bytes[i] < 0x80 ? bytes[i] : kCp874[bytes[i] - 0x80];
        return;
    case 1252:
    case 32769:  // what Excel 5.0/95 writes for Windows Latin 1 too
        for (size_t i = 0; i < n; ++i)
            o[i] = (bytes[i] & 0xE0) == 0x80 ? kCp1252High[bytes[i] - 0x80] : bytes[i];
        return;
    case 367:
    case 20127:
    case 1200:
    case 28591:
        for (size_t i = 0; i < n; ++i)
            o[i] = bytes[i];
        return;
    default:
        break;
    }
    // Other single-byte pages go through the system's converters; one
    // decoder per page, made on first use.
    static thread_local std::map<int, std::unique_ptr<QStringDecoder>> decoders;
    auto& d = decoders[codePage];
    if (!d) {
        const QByteArray name = codePage == 10000 || codePage == 32768 ? QByteArray("macintosh")
                                                                       : "windows-" + QByteArray::number(codePage);
        d = std::make_unique<QStringDecoder>(name.constData(), QStringDecoder::Flag::Stateless);
    }
    bool ascii = true;
    for (size_t i = 0; i < n && ascii; ++i)
        ascii = bytes[i] < 0x80;
    if (ascii || !d->isValid()) {
        for (size_t i = 0; i < n; ++i)
            o[i] = bytes[i];
        return;
    }
    out.resize(at);
    const QString s = d->decode(QByteArrayView(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(n)));
    out.append(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

uint32_t BiffBook::addText(std::u16string_view s)
{
    const Span span{static_cast<uint32_t>(m_chars.size()), static_cast<uint32_t>(s.size())};
    m_chars.insert(m_chars.end(), s.begin(), s.end());
    m_texts.push_back(span);
    return static_cast<uint32_t>(m_texts.size() - 1);
}

void BiffBook::addCell(uint32_t row, uint32_t col, uint16_t xf, CellKind kind, uint8_t code, double number,
                       uint32_t text)
{
    Cell c;
    c.key = row << 16 | col;
    c.xf = xf;
    c.kind = kind;
    c.code = code;
    if (kind == CellKind::Number)
        c.number = number;
    else
        c.text = text;
    if (!m_cells.empty() && c.key <= m_cells.back().key)
        m_sorted = false;
    m_cells.push_back(c);
    m_rowCount = std::max<int>(m_rowCount, static_cast<int>(row) + 1);
    m_colCount = std::max<int>(m_colCount, static_cast<int>(col) + 1);
}

void BiffBook::parse(const uint8_t* data, size_t size)
{
    *this = BiffBook();
    m_data = data;
    m_size = size;
    size_t pos = 0;
    Record r;
    const QString start = QStringLiteral("ต้นข้อมูลสมุดงาน");
    if (!readRecord(data, size, pos, r, start))
        fail(Kind::Damaged, QStringLiteral("ข้อมูลสมุดงานว่างเปล่า"));
    if (r.type == kBof2 || r.type == kBof3 || r.type == kBof4)
        fail(Kind::OldVersion, QStringLiteral("Excel 2.x-4.0"));
    if (r.type != kBof || r.length < 4)
        fail(Kind::Damaged, start + QStringLiteral(" ไม่ใช่จุดเริ่มสมุดงาน"));
    const uint16_t vers = u16(r.body);
    const uint16_t dt = u16(r.body + 2);
    if (vers == 0x0200 || vers == 0x0300 || vers == 0x0400)
        fail(Kind::OldVersion, QStringLiteral("Excel 2.x-4.0"));
    m_version = vers == 0x0500 ? 5 : vers == 0x0600 ? 8 : (r.length >= 16 ? 8 : 5);
    if (r.length >= 12)
        m_fileHistory = u32(r.body + 8);
    m_codePage = m_version == 8 ? 1200 : 874;

    if (dt == kWorksheet) {
        // A stream that is one worksheet and nothing else.
        parseSheet(0);
    } else {
        parseGlobals(pos);
    }
    finishCells();
    if (!m_stale.empty())
        calculateFormulas();
}

void BiffBook::parseGlobals(size_t& pos)
{
    const QString where = QStringLiteral("ส่วนหัวของสมุดงาน");
    size_t sheetPos = 0;
    bool haveSheet = false;
    bool haveCodePage = false;
    int fontPage = 0;
    // An Excel 5.0/95 file that names no code page was written in the
    // system's: the first font's character set tells which, and failing that
    // the office's own Thai page.
    auto settleCodePage = [&] {
        if (m_version < 8 && !haveCodePage) {
            m_codePage = fontPage ? fontPage : 874;
            haveCodePage = true;
        }
    };
    Record r;
    while (readRecord(m_data, m_size, pos, r, where)) {
        if (r.type == kEof)
            break;
        const QString here = where + QStringLiteral(" ที่ไบต์ ") + QString::number(r.at);
        switch (r.type) {
        case kFilePass:
            fail(Kind::Password, here);
        case kRecalcId:
            m_recalcId = true;
            break;
        case kExtSst:
        case kCountry:
            m_programMarks = true;
            break;
        case kCodePage:
            if (r.length >= 2) {
                m_codePage = u16(r.body);
                haveCodePage = true;
            }
            break;
        case kFont:
            if (r.length >= 13 && fontPage == 0 && !haveCodePage)
                fontPage = fontCodePage(r.body[12]);
            break;
        case kDateMode:
            if (r.length >= 2)
                m_1904 = u16(r.body) == 1;
            break;
        case kFormat: {
            settleCodePage();
            if (r.length < 3)
                break;
            const uint16_t index = u16(r.body);
            std::vector<char16_t> chars;
            if (m_version == 8) {
                Pieces in(m_version == 8 && m_codePage != 1200 ? m_codePage : 0);
                in.add(r.body + 2, r.length - 2u);
                try {
                    unicodeString(in, false, chars);
                } catch (const Pieces::Short&) {
                    break;  // a damaged format only loses its date meaning
                }
            } else {
                const size_t n = std::min<size_t>(r.body[2], r.length - 3u);
                std::u16string s;
                appendCodePage(s, r.body + 3, n, m_codePage);
                chars.assign(s.begin(), s.end());
            }
            m_formats.emplace_back(index, CellText::formatDateKind(QStringView(chars.data(),
                                                                                static_cast<qsizetype>(chars.size()))));
            break;
        }
        case kXf:
            if (r.length >= 4)
                m_xfFormat.push_back(u16(r.body + 2));
            break;
        case kSst: {
            if (m_version != 8 || r.length < 8)
                break;
            Pieces in(m_version == 8 && m_codePage != 1200 ? m_codePage : 0);
            in.add(r.body + 8, r.length - 8u);
            // The CONTINUE records that carry the rest of the table.
            size_t next = pos;
            Record c;
            while (next + 4 <= m_size && u16(m_data + next) == kContinue && readRecord(m_data, m_size, next, c, here))
                in.add(c.body, c.length);
            pos = next;
            std::vector<char16_t> chars;
            // Every text that is there, whatever count the table declares (some
            // writers put 0 there): a text takes at least 3 bytes, so the
            // bytes bound the count.
            while (!in.atEnd()) {
                chars.clear();
                try {
                    unicodeString(in, false, chars);
                } catch (const Pieces::Short&) {
                    break;  // cells pointing past what was read fail when they are read
                }
                addText(std::u16string_view(chars.data(), chars.size()));
                ++m_sharedCount;
            }
            break;
        }
        case kBoundSheet: {
            settleCodePage();
            if (haveSheet || r.length < 7)
                break;
            // Only worksheets count (type 0): chart, macro and module sheets are passed over.
            if (r.body[5] != 0)
                break;
            sheetPos = u32(r.body);
            haveSheet = true;
            std::vector<char16_t> chars;
            if (m_version == 8) {
                Pieces in(m_version == 8 && m_codePage != 1200 ? m_codePage : 0);
                in.add(r.body + 6, r.length - 6u);
                try {
                    unicodeString(in, true, chars);
                } catch (const Pieces::Short&) {
                }
                m_sheetName.assign(chars.begin(), chars.end());
            } else {
                appendCodePage(m_sheetName, r.body + 7, std::min<size_t>(r.body[6], r.length - 7u), m_codePage);
            }
            break;
        }
        default:
            break;
        }
    }

    settleCodePage();
    // What each XF's format shows, once every FORMAT record is known.
    m_xfDate.resize(m_xfFormat.size());
    for (size_t i = 0; i < m_xfFormat.size(); ++i) {
        const uint16_t f = m_xfFormat[i];
        CellText::DateKind k = CellText::builtInDateKind(f);
        for (const auto& [index, kind] : m_formats)
            if (index == f)
                k = kind;
        m_xfDate[i] = k;
    }
    if (!haveSheet)
        fail(Kind::NoWorksheet, where);
    // Excel since 2000 and LibreOffice write RECALCID, Excel 97 its
    // file-history flags, and they and OpenOffice a COUNTRY record and an
    // EXTSST index beside the shared strings; a writer that calculates
    // nothing (xlwt) writes none of these.
    m_formulasStale = m_version == 8 && !m_recalcId && m_fileHistory == 0 && !m_programMarks;
    if (sheetPos >= m_size || m_size - sheetPos < 8 || u16(m_data + sheetPos) != kBof)
        fail(Kind::Damaged, sheetWhere(m_sheetName) + QStringLiteral(" ไม่อยู่ที่ตำแหน่งที่สมุดงานระบุ (ไบต์ ")
                                + QString::number(sheetPos) + QStringLiteral(")"));
    parseSheet(sheetPos);
}

void BiffBook::parseSheet(size_t pos)
{
    const QString where = sheetWhere(m_sheetName);
    Record r;
    readRecord(m_data, m_size, pos, r, where);  // its BOF, checked by the caller
    int depth = 0;  // charts inside the sheet carry BOF .. EOF blocks of their own
    long pendingString = -1;  // a formula whose text result comes in the next STRING record
    auto here = [&](uint32_t row) {
        return where + QStringLiteral(" แถว ") + QString::number(row + 1) + QStringLiteral(" (ไบต์ ")
               + QString::number(r.at) + QStringLiteral(")");
    };
    auto settlePending = [&] {
        if (pendingString >= 0) {
            m_cells[static_cast<size_t>(pendingString)].kind = CellKind::Broken;
            m_cells[static_cast<size_t>(pendingString)].code = MissingFormulaText;
        }
        pendingString = -1;
    };
    std::vector<char16_t> chars;
    std::u16string text;

    for (;;) {
        if (!readRecord(m_data, m_size, pos, r, where))
            fail(Kind::Damaged, where + QStringLiteral(" จบไม่ครบ ข้อมูลขาดหายหลังไบต์ ") + QString::number(pos));
        if (r.type == kBof) {
            ++depth;
            continue;
        }
        if (r.type == kEof) {
            if (depth == 0)
                break;
            --depth;
            continue;
        }
        if (depth > 0)
            continue;
        const uint8_t* b = r.body;
        const uint16_t len = r.length;
        switch (r.type) {
        case kNumber:
            if (len < 14)
                fail(Kind::Damaged, here(len >= 2 ? u16(b) : 0));
            settlePending();
            addCell(u16(b), u16(b + 2), u16(b + 4), CellKind::Number, 0, f64(b + 6), 0);
            break;
        case kRk:
            if (len < 10)
                fail(Kind::Damaged, here(len >= 2 ? u16(b) : 0));
            settlePending();
            addCell(u16(b), u16(b + 2), u16(b + 4), CellKind::Number, 0, rkValue(u32(b + 6)), 0);
            break;
        case kMulRk: {
            if (len < 6)
                fail(Kind::Damaged, here(len >= 2 ? u16(b) : 0));
            settlePending();
            const uint16_t row = u16(b);
            const uint16_t first = u16(b + 2);
            const size_t n = (len - 6u) / 6;
            for (size_t k = 0; k < n && first + k <= 0xFFFF; ++k)
                addCell(row, first + static_cast<uint32_t>(k), u16(b + 4 + 6 * k), CellKind::Number, 0,
                        rkValue(u32(b + 6 + 6 * k)), 0);
            break;
        }
        case kLabelSst: {
            if (len < 10)
                fail(Kind::Damaged, here(len >= 2 ? u16(b) : 0));
            settlePending();
            const uint32_t index = u32(b + 6);
            if (index < m_sharedCount)
                addCell(u16(b), u16(b + 2), u16(b + 4), CellKind::Text, 0, 0, index);
            else
                addCell(u16(b), u16(b + 2), u16(b + 4), CellKind::Broken, MissingText, 0, 0);
            break;
        }
        case kLabel:
        case kRString: {
            if (len < 8)
                fail(Kind::Damaged, here(len >= 2 ? u16(b) : 0));
            settlePending();
            text.clear();
            if (m_version == 8) {
                chars.clear();
                Pieces in(m_version == 8 && m_codePage != 1200 ? m_codePage : 0);
                in.add(b + 6, len - 6u);
                try {
                    // The characters only: an RSTRING's formatting runs follow them.
                    const size_t count = in.word();
                    const uint8_t flags = in.byte();
                    in.chars(count, (flags & 1) != 0, false, chars);
                } catch (const Pieces::Short&) {
                    fail(Kind::Damaged, here(u16(b)));
                }
                text.assign(chars.begin(), chars.end());
            } else {
                const size_t n = u16(b + 6);
                if (n > len - 8u)
                    fail(Kind::Damaged, here(u16(b)));
                appendCodePage(text, b + 8, n, m_codePage);
            }
            addCell(u16(b), u16(b + 2), u16(b + 4), CellKind::Text, 0, 0, addText(text));
            break;
        }
        case kBoolErr:
            if (len < 8)
                fail(Kind::Damaged, here(len >= 2 ? u16(b) : 0));
            settlePending();
            addCell(u16(b), u16(b + 2), u16(b + 4), b[7] ? CellKind::Error : CellKind::Bool, b[6] ? b[6] : 0, 0,
                    0);
            if (!b[7])
                m_cells.back().code = b[6] ? 1 : 0;
            break;
        case kFormula:
        case kFormula4: {
            if (len < 14)
                fail(Kind::Damaged, here(len >= 2 ? u16(b) : 0));
            settlePending();
            const uint16_t row = u16(b), col = u16(b + 2), xf = u16(b + 4);
            const uint8_t* res = b + 6;
            if (m_formulasStale) {
                const uint16_t cce = len >= 22 ? u16(b + 20) : 0;
                const bool whole = len >= 22 && cce <= len - 22u;
                m_stale.push_back({row, col, static_cast<uint32_t>(b + 22 - m_data), whole ? cce : uint16_t(0)});
            }
            if (u16(res + 6) != 0xFFFF) {
                addCell(row, col, xf, CellKind::Number, 0, f64(res), 0);
                break;
            }
            switch (res[0]) {
            case 0:  // text: the STRING record that follows holds it
                addCell(row, col, xf, CellKind::Text, 0, 0, 0);
                pendingString = static_cast<long>(m_cells.size() - 1);
                break;
            case 1:
                addCell(row, col, xf, CellKind::Bool, res[2] ? 1 : 0, 0, 0);
                break;
            case 2:
                addCell(row, col, xf, CellKind::Error, res[2], 0, 0);
                break;
            case 3:  // empty text
                addCell(row, col, xf, CellKind::Text, 0, 0, addText(std::u16string_view()));
                break;
            default:
                addCell(row, col, xf, CellKind::Broken, UnknownResult, 0, 0);
                break;
            }
            break;
        }
        case kString: {
            if (pendingString < 0)
                break;  // a text with no formula before it belongs to nothing
            Cell& cell = m_cells[static_cast<size_t>(pendingString)];
            Pieces in(m_version == 8 && m_codePage != 1200 ? m_codePage : 0);
            in.add(b, len);
            size_t next = pos;
            Record c;
            while (next + 4 <= m_size && u16(m_data + next) == kContinue
                   && readRecord(m_data, m_size, next, c, where))
                in.add(c.body, c.length);
            pos = next;
            text.clear();
            chars.clear();
            try {
                if (m_version == 8) {
                    const size_t count = in.word();
                    const uint8_t flags = in.byte();
                    in.chars(count, (flags & 1) != 0, true, chars);
                    text.assign(chars.begin(), chars.end());
                } else {
                    const size_t count = in.word();
                    in.chars(count, false, false, chars);
                    std::vector<uint8_t> bytes(chars.begin(), chars.end());
                    appendCodePage(text, bytes.data(), bytes.size(), m_codePage);
                }
            } catch (const Pieces::Short&) {
                fail(Kind::Damaged, here(cell.key >> 16));
            }
            cell.text = addText(text);
            pendingString = -1;
            break;
        }
        default:
            break;
        }
    }
    settlePending();
}

void BiffBook::finishCells()
{
    if (!m_sorted) {
        std::stable_sort(m_cells.begin(), m_cells.end(), [](const Cell& a, const Cell& b) { return a.key < b.key; });
        // A cell written twice keeps its last value.
        size_t out = 0;
        for (size_t i = 0; i < m_cells.size(); ++i) {
            if (out > 0 && m_cells[out - 1].key == m_cells[i].key)
                m_cells[out - 1] = m_cells[i];
            else
                m_cells[out++] = m_cells[i];
        }
        m_cells.resize(out);
    }
    m_rows.clear();
    for (size_t i = 0; i < m_cells.size(); ++i) {
        const uint32_t row = m_cells[i].key >> 16;
        if (m_rows.empty() || m_rows.back().first != row)
            m_rows.emplace_back(row, static_cast<uint32_t>(i));
    }
    m_cells.shrink_to_fit();
    m_chars.shrink_to_fit();
}

namespace {

// The sheet's cells as the calculator reads them.
class BookCells : public Formula::Cells {
public:
    explicit BookCells(const BiffBook& book) : m_book(book)
    {
        rowCount = book.rowCount();
        colCount = book.colCount();
        system1904 = book.system1904();
    }
    Formula::Value value(int row, int col) const override
    {
        using Formula::Value;
        const BiffBook::Cell* c = m_book.find(row - 1, col - 1);
        if (!c)
            return Value();
        switch (c->kind) {
        case BiffBook::CellKind::Text: {
            const std::u16string_view t = m_book.text(c->text);
            return Value::str(QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size())));
        }
        case BiffBook::CellKind::Number: return Value::num(c->number);
        case BiffBook::CellKind::Bool: return Value::boolean(c->code != 0);
        case BiffBook::CellKind::Error: return Value::error(c->code);
        case BiffBook::CellKind::Broken: break;
        }
        return Value::fail(QStringLiteral("เซลล์ ") + CellText::cellName(row, col) + QStringLiteral(" เสียหาย"));
    }

private:
    const BiffBook& m_book;
};

}

void BiffBook::calculateFormulas()
{
    Formula::Batch batch;
    batch.reserve(m_stale.size());
    for (const StaleFormula& s : m_stale) {
        const size_t begin = batch.code().items.size();
        QString why;
        if (s.length > 0 && Formula::parseBiff8(m_data + s.at, s.length, batch.code(), why))
            batch.add(s.row + 1, s.col + 1, begin, batch.code().items.size());
        else
            batch.addRefused(s.row + 1, s.col + 1, why.isEmpty() ? QStringLiteral("สูตรเสียหาย อ่านไม่ได้") : why);
    }
    m_stale.clear();
    m_stale.shrink_to_fit();
    batch.run(BookCells(*this));
    for (size_t i = 0; i < batch.size(); ++i) {
        auto* c = const_cast<Cell*>(find(batch.row(i) - 1, batch.col(i) - 1));
        if (!c)
            continue;
        const Formula::Value& v = batch.result(i);
        auto textOf = [this](const QString& s) {
            return addText(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())));
        };
        switch (v.type) {
        case Formula::Value::Type::Number:
            c->kind = CellKind::Number;  // the cell's XF still says whether it shows a date
            c->number = v.number;
            break;
        case Formula::Value::Type::Text:
            c->kind = CellKind::Text;
            c->text = textOf(v.text);
            break;
        case Formula::Value::Type::Bool:
            c->kind = CellKind::Bool;
            c->code = v.number != 0 ? 1 : 0;
            break;
        case Formula::Value::Type::Error:
            c->kind = CellKind::Error;
            c->code = v.code;
            break;
        default:
            c->kind = CellKind::Broken;
            c->code = FormulaUnknown;
            c->text = textOf(v.text);
            break;
        }
    }
}

const BiffBook::Cell* BiffBook::find(int row, int col) const
{
    if (row < 0 || col < 0 || row >= m_rowCount || col >= m_colCount || m_rows.empty())
        return nullptr;
    const uint32_t r = static_cast<uint32_t>(row);
    size_t i = m_rowHint;
    if (i >= m_rows.size() || m_rows[i].first != r) {
        // Reads go down the sheet: the next row is the likeliest.
        if (i + 1 < m_rows.size() && m_rows[i + 1].first == r) {
            ++i;
        } else {
            const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), r,
                                             [](const auto& e, uint32_t v) { return e.first < v; });
            if (it == m_rows.end() || it->first != r)
                return nullptr;
            i = static_cast<size_t>(it - m_rows.begin());
        }
        m_rowHint = i;
    }
    const Cell* begin = m_cells.data() + m_rows[i].second;
    const Cell* end = i + 1 < m_rows.size() ? m_cells.data() + m_rows[i + 1].second : m_cells.data() + m_cells.size();
    const uint32_t key = r << 16 | static_cast<uint32_t>(col);
    const Cell* it = std::lower_bound(begin, end, key, [](const Cell& c, uint32_t k) { return c.key < k; });
    return it != end && it->key == key ? it : nullptr;
}
