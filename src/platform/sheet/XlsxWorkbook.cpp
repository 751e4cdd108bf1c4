#include "XlsxWorkbook.h"

#include "CellText.h"
#include "FormulaCells.h"
#include "ScannedText.h"
#include "SheetMessages.h"
#include "XmlScanner.h"
#include "ZipArchive.h"

#include <QHash>
#include <QUrl>

#include <charconv>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using DateKind = CellText::DateKind;
using Token = XmlScanner::Token;

constexpr std::string_view kSmlTransitional = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kSmlStrict = "http://purl.oclc.org/ooxml/spreadsheetml/main";
constexpr std::string_view kRelTransitional = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kRelStrict = "http://purl.oclc.org/ooxml/officeDocument/relationships";
constexpr std::string_view kPackageRels = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kAppTransitional = "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";
constexpr std::string_view kAppStrict = "http://purl.oclc.org/ooxml/officeDocument/extendedProperties";

// Nesting of the elements a part's reader follows; anything else is passed
// over by counting, so deep nesting costs no stack.
constexpr int kMaxLevels = 16;
constexpr qsizetype kMaxApplication = 256;

bool isSml(std::string_view ns)
{
    return ns == kSmlTransitional || ns == kSmlStrict;
}

bool isRelNamespace(std::string_view ns)
{
    return ns == kRelTransitional || ns == kRelStrict;
}

// "<base>/<name>" with the transitional or the strict base.
bool isRelType(QStringView type, QStringView name)
{
    for (const std::string_view b : {kRelTransitional, kRelStrict}) {
        const QLatin1StringView base(b.data(), static_cast<qsizetype>(b.size()));
        if (type.size() == base.size() + 1 + name.size() && type.startsWith(base) && type[base.size()] == u'/'
            && type.endsWith(name))
            return true;
    }
    return false;
}

using ScannedText::text;
using ScannedText::trimmed;

bool isTrue(std::string_view v)
{
    v = trimmed(v);
    return v == "1" || v == "true";
}

bool parseUInt(std::string_view v, uint32_t& out)
{
    v = trimmed(v);
    if (v.empty() || v.size() > 10)
        return false;
    uint64_t n = 0;
    for (const char c : v) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n > UINT32_MAX)
        return false;
    out = static_cast<uint32_t>(n);
    return true;
}

bool parseDouble(std::string_view v, double& out)
{
    v = trimmed(v);
    if (!v.empty() && v[0] == '+')
        v.remove_prefix(1);
    if (v.empty())
        return false;
    const char* end = v.data() + v.size();
    const auto r = std::from_chars(v.data(), end, out);
    return r.ec == std::errc() && r.ptr == end;
}

// "AB12" as row 12, column 28. Past the sheet's limits the numbers stay large
// (SheetCells keeps no such cell) rather than wrap.
bool parseReference(std::string_view ref, int& row, int& col)
{
    size_t i = 0;
    int64_t c = 0;
    while (i < ref.size()) {
        char ch = ref[i];
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
        if (ch < 'A' || ch > 'Z')
            break;
        c = std::min<int64_t>(c * 26 + (ch - 'A' + 1), INT32_MAX);
        ++i;
    }
    if (i == 0 || i == ref.size())
        return false;
    int64_t r = 0;
    for (; i < ref.size(); ++i) {
        const char ch = ref[i];
        if (ch < '0' || ch > '9')
            return false;
        r = std::min<int64_t>(r * 10 + (ch - '0'), INT32_MAX);
    }
    if (r == 0)
        return false;
    row = static_cast<int>(r);
    col = static_cast<int>(c);
    return true;
}

// A row number; one past the sheet's limits stays large rather than wrap.
bool parseRowNumber(std::string_view v, int& row)
{
    v = trimmed(v);
    if (v.empty())
        return false;
    int64_t r = 0;
    for (const char c : v) {
        if (c < '0' || c > '9')
            return false;
        r = std::min<int64_t>(r * 10 + (c - '0'), INT32_MAX);
    }
    row = static_cast<int>(r);
    return r >= 1;
}

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// Text in these files escapes characters XML cannot carry as _xHHHH_, and a
// literal "_x" that would read as one as _x005F_. One pass, left to right,
// as the spreadsheet program decodes it: "_x005F_x0041_" is "_x0041_".
void decodeEscapes(QString& s)
{
    const qsizetype first = s.indexOf(u"_x");
    if (first < 0)
        return;
    char16_t* p = reinterpret_cast<char16_t*>(s.data());
    const qsizetype n = s.size();
    qsizetype out = first;
    qsizetype i = first;
    while (i < n) {
        if (p[i] == u'_' && i + 6 < n && p[i + 1] == u'x' && p[i + 6] == u'_') {
            int v = 0;
            bool ok = true;
            for (int k = 2; k < 6 && ok; ++k) {
                const int d = hexDigit(p[i + k]);
                ok = d >= 0;
                v = v * 16 + d;
            }
            if (ok) {
                p[out++] = static_cast<char16_t>(v);
                i += 7;
                continue;
            }
        }
        p[out++] = p[i++];
    }
    s.truncate(out);
}

int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

bool digits(QStringView s, qsizetype at, int count, int& value)
{
    if (at + count > s.size())
        return false;
    value = 0;
    for (int k = 0; k < count; ++k) {
        const char16_t c = s[at + k].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

// An ISO 8601 date, date-time or time ("2010-05-03", "2010-05-03T13:45:00Z",
// "13:45:00") as a serial number of the workbook's date system. A zone is
// passed over: the spreadsheet program shows the time as written.
bool isoSerial(QStringView s, bool system1904, double& serial, bool& hasDate)
{
    s = s.trimmed();
    qsizetype i = 0;
    hasDate = false;
    double days = 0;
    int y = 0, mo = 0, d = 0;
    if (s.size() >= 10 && s[4] == u'-') {
        if (!digits(s, 0, 4, y) || s[4] != u'-' || !digits(s, 5, 2, mo) || s[7] != u'-' || !digits(s, 8, 2, d))
            return false;
        static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1])
            return false;
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        if (mo == 2 && d == 29 && !leap)
            return false;
        hasDate = true;
        i = 10;
        const int64_t n = daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
        if (system1904) {
            days = static_cast<double>(n - daysFromCivil(1904, 1, 1));
        } else {
            days = static_cast<double>(n - daysFromCivil(1899, 12, 30));
            if (days < 61)
                days -= 1;  // the 1900 system counts a 29 February 1900 that never was
        }
        if (i < s.size() && (s[i] == u'T' || s[i] == u' '))
            ++i;
    } else if (i < s.size() && s[i] == u'T') {
        ++i;
    }
    double time = 0;
    if (i < s.size() && s[i].isDigit()) {
        int h = 0, mi = 0, sec = 0;
        if (!digits(s, i, 2, h) || i + 2 >= s.size() || s[i + 2] != u':' || !digits(s, i + 3, 2, mi))
            return false;
        i += 5;
        double frac = 0;
        if (i < s.size() && s[i] == u':') {
            if (!digits(s, i + 1, 2, sec))
                return false;
            i += 3;
            if (i < s.size() && (s[i] == u'.' || s[i] == u',')) {
                double scale = 0.1;
                ++i;
                while (i < s.size() && s[i].isDigit()) {
                    frac += scale * (s[i].unicode() - u'0');
                    scale /= 10;
                    ++i;
                }
            }
        }
        if (h > 24 || mi > 59 || sec > 60)
            return false;
        time = (h * 3600.0 + mi * 60.0 + sec + frac) / 86400.0;
    } else if (!hasDate) {
        return false;
    }
    // A zone (Z, +07:00) is allowed and not applied; anything else is not a date.
    if (i < s.size()) {
        const QStringView zone = s.mid(i);
        int zh = 0, zm = 0;
        const bool ok = zone == u"Z"
                        || ((zone[0] == u'+' || zone[0] == u'-')
                            && ((zone.size() == 6 && digits(zone, 1, 2, zh) && zone[3] == u':' && digits(zone, 4, 2, zm))
                                || (zone.size() == 5 && digits(zone, 1, 4, zh))
                                || (zone.size() == 3 && digits(zone, 1, 2, zh))));
        if (!ok)
            return false;
    }
    serial = days + time;
    return true;
}

// Where in the file something went wrong, for the damaged-file message.
QString where(const QString& part, qint64 line)
{
    return QStringLiteral("ส่วน \"") + part + QStringLiteral("\" บรรทัดที่ ") + QString::number(line);
}

// One part being parsed: its inflating stream and the XML scanner over it.
class PartXml {
public:
    PartXml(const ZipArchive& zip, const QString& part, const QString& path)
        : m_part(zip.open(part)), m_xml(m_part.get()), m_name(part), m_path(path)
    {
    }

    XmlScanner& xml() { return m_xml; }
    const QString& name() const { return m_name; }

    XmlScanner::Token next()
    {
        try {
            const XmlScanner::Token t = m_xml.next();
            if (t == XmlScanner::Token::EndDocument)
                m_part->check();  // the data may have stopped for damage right after the root closed
            return t;
        } catch (const XmlScanner::Error& e) {
            m_part->check();  // a part over the cap or whose data breaks off says so first
            // Workbook parts never declare a document type; one that does may be
            // trying entity expansion, so it is not read at all.
            if (e.kind == XmlScanner::Error::Kind::DocumentType)
                SheetMessages::failDamaged(m_path, where(m_name, e.line)
                                                       + QStringLiteral(" มีการประกาศ DTD ซึ่งสมุดงานไม่ใช้"));
            if (e.kind == XmlScanner::Error::Kind::Encoding)
                SheetMessages::failDamaged(m_path, where(m_name, e.line)
                                                       + QStringLiteral(" ใช้การเข้ารหัสอักขระที่อ่านไม่ได้"));
            SheetMessages::failDamaged(m_path, where(m_name, e.line)
                                                   + QStringLiteral(" ข้อมูล XML ไม่ถูกต้องหรือขาดหาย"));
        }
    }

    qint64 line() const { return m_xml.line(); }

private:
    std::unique_ptr<ZipArchive::Part> m_part;
    XmlScanner m_xml;
    QString m_name;
    const QString& m_path;
};

// The state of a part's walk: the followed elements open above the reader,
// and how deep it is inside one it passes over.
template <typename State>
class Walk {
public:
    explicit Walk(State root) { m_stack[0] = root; }
    State top() const { return m_stack[m_top]; }
    bool skipping() const { return m_skip > 0; }
    // Returns false when the element is passed over.
    bool enter(State s)
    {
        if (m_skip > 0 || m_top + 1 >= kMaxLevels) {
            ++m_skip;
            return false;
        }
        m_stack[++m_top] = s;
        return true;
    }
    void skip() { ++m_skip; }
    // The state that ends, or none (false) when the end closes a passed-over element.
    bool leave(State& ended)
    {
        if (m_skip > 0) {
            --m_skip;
            return false;
        }
        ended = m_stack[m_top];
        if (m_top > 0)
            --m_top;
        return true;
    }

private:
    State m_stack[kMaxLevels];
    int m_top = 0;
    int64_t m_skip = 0;
};

struct Relationship {
    QString id;
    QString type;
    QString target;
};

class Reader {
public:
    Reader(const ZipArchive& zip, const QString& path, SheetCells& cells) : m_zip(zip), m_path(path), m_cells(cells) {}

    void run();

    bool fullCalcOnLoad = false;
    QString application;

private:
    static QString relsPartOf(const QString& part)
    {
        const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
        return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
    }

    // The stored name of a part, or empty. Some writers store names with
    // Windows separators ("xl\\workbook.xml"); they name the same parts.
    QString find(const QString& name) const
    {
        QString stored = m_zip.find(name);
        if (stored.isEmpty() && name.contains(QLatin1Char('/')))
            stored = m_zip.find(QString(name).replace(QLatin1Char('/'), QLatin1Char('\\')));
        return stored;
    }

    // The stored name of the part a relationship names, or empty.
    QString partFor(const QString& from, const QString& target) const
    {
        const QString p = ZipArchive::resolve(QString(from).replace(QLatin1Char('\\'), QLatin1Char('/')), target);
        QString stored = find(p);
        if (stored.isEmpty() && p.contains(QLatin1Char('%')))
            stored = find(QUrl::fromPercentEncoding(p.toUtf8()));
        return stored;
    }

    [[noreturn]] void failMissing(const QString& what) const
    {
        SheetMessages::failDamaged(m_path, QStringLiteral("ไม่พบ") + what + QStringLiteral("ภายในแฟ้ม"));
    }

    std::vector<Relationship> readRels(const QString& part);
    void readWorkbook(const QString& part, std::vector<QString>& sheetIds, std::vector<QString>& sheetNames);
    void readStyles(const QString& part);
    void readSharedStrings(const QString& part);
    void readSheet(const QString& part);
    void readApplication(const QString& part);

    const ZipArchive& m_zip;
    const QString& m_path;
    SheetCells& m_cells;
    std::vector<DateKind> m_xfKinds;
    uint32_t m_sstBase = 0;
    uint32_t m_sstCount = 0;
};

std::vector<Relationship> Reader::readRels(const QString& part)
{
    std::vector<Relationship> rels;
    PartXml px(m_zip, part, m_path);
    XmlScanner& xml = px.xml();
    enum class S { Doc, Root, Rel };
    Walk<S> walk(S::Doc);
    for (;;) {
        switch (px.next()) {
        case Token::StartElement: {
            if (walk.skipping() || xml.namespaceUri() != kPackageRels) {
                walk.skip();
                break;
            }
            if (walk.top() == S::Doc && xml.name() == "Relationships") {
                walk.enter(S::Root);
            } else if (walk.top() == S::Root && xml.name() == "Relationship") {
                walk.enter(S::Rel);
                if (trimmed(xml.attribute("TargetMode")) == "External")
                    break;
                rels.push_back({text(xml.attribute("Id")), text(trimmed(xml.attribute("Type"))),
                                text(trimmed(xml.attribute("Target")))});
            } else {
                walk.skip();
            }
            break;
        }
        case Token::EndElement: {
            S ended;
            walk.leave(ended);
            break;
        }
        case Token::EndDocument:
            return rels;
        default:
            break;
        }
    }
}

void Reader::readWorkbook(const QString& part, std::vector<QString>& sheetIds, std::vector<QString>& sheetNames)
{
    PartXml px(m_zip, part, m_path);
    XmlScanner& xml = px.xml();
    enum class S { Doc, Workbook, Sheets, Leaf };
    Walk<S> walk(S::Doc);
    bool root = false;
    for (;;) {
        switch (px.next()) {
        case Token::StartElement: {
            if (walk.skipping() || !isSml(xml.namespaceUri())) {
                walk.skip();
                break;
            }
            const std::string_view name = xml.name();
            if (walk.top() == S::Doc && name == "workbook") {
                walk.enter(S::Workbook);
                root = true;
            } else if (walk.top() == S::Workbook && name == "sheets") {
                walk.enter(S::Sheets);
            } else if (walk.top() == S::Workbook && name == "workbookPr") {
                walk.enter(S::Leaf);
                m_cells.system1904 = isTrue(xml.attribute("date1904"));
            } else if (walk.top() == S::Workbook && name == "calcPr") {
                walk.enter(S::Leaf);
                fullCalcOnLoad = isTrue(xml.attribute("fullCalcOnLoad"));
            } else if (walk.top() == S::Sheets && name == "sheet") {
                walk.enter(S::Leaf);
                QString id;
                for (const XmlScanner::Attribute& a : xml.attributes())
                    if (a.name == "id" && isRelNamespace(a.ns))
                        id = text(trimmed(a.value));
                sheetIds.push_back(id);
                sheetNames.push_back(text(xml.attribute("name")).left(64));
            } else {
                walk.skip();
            }
            break;
        }
        case Token::EndElement: {
            S ended;
            walk.leave(ended);
            break;
        }
        case Token::EndDocument:
            if (!root)
                SheetMessages::failDamaged(m_path, where(px.name(), px.line())
                                                       + QStringLiteral(" ไม่ใช่ข้อมูลสมุดงาน (workbook)"));
            return;
        default:
            break;
        }
    }
}

void Reader::readStyles(const QString& part)
{
    PartXml px(m_zip, part, m_path);
    XmlScanner& xml = px.xml();
    enum class S { Doc, StyleSheet, NumFmts, CellXfs, Leaf };
    Walk<S> walk(S::Doc);
    QHash<uint32_t, DateKind> custom;
    std::vector<uint32_t> xfFormats;
    for (;;) {
        switch (px.next()) {
        case Token::StartElement: {
            if (walk.skipping() || !isSml(xml.namespaceUri())) {
                walk.skip();
                break;
            }
            const std::string_view name = xml.name();
            if (walk.top() == S::Doc && name == "styleSheet") {
                walk.enter(S::StyleSheet);
            } else if (walk.top() == S::StyleSheet && name == "numFmts") {
                walk.enter(S::NumFmts);
            } else if (walk.top() == S::StyleSheet && name == "cellXfs") {
                walk.enter(S::CellXfs);
            } else if (walk.top() == S::NumFmts && name == "numFmt") {
                walk.enter(S::Leaf);
                uint32_t id = 0;
                if (parseUInt(xml.attribute("numFmtId"), id))
                    custom.insert(id, CellText::formatDateKind(text(xml.attribute("formatCode"))));
            } else if (walk.top() == S::CellXfs && name == "xf") {
                walk.enter(S::Leaf);
                uint32_t id = 0;
                if (!parseUInt(xml.attribute("numFmtId"), id))
                    id = 0;
                xfFormats.push_back(id);
            } else {
                walk.skip();
            }
            break;
        }
        case Token::EndElement: {
            S ended;
            walk.leave(ended);
            break;
        }
        case Token::EndDocument: {
            // A format the workbook spells out stands over the built-in one of its number.
            m_xfKinds.reserve(xfFormats.size());
            for (const uint32_t id : xfFormats) {
                const auto it = custom.constFind(id);
                m_xfKinds.push_back(it != custom.constEnd() ? *it
                                    : id < 1000 ? CellText::builtInDateKind(static_cast<int>(id))
                                                : DateKind::None);
            }
            return;
        }
        default:
            break;
        }
    }
}

void Reader::readSharedStrings(const QString& part)
{
    PartXml px(m_zip, part, m_path);
    XmlScanner& xml = px.xml();
    // Rich text's runs are joined; phonetic guides (rPh) are not part of the text.
    enum class S { Doc, Sst, Si, Run, T };
    Walk<S> walk(S::Doc);
    std::string bytes;
    m_sstBase = m_cells.stringCount();
    uint32_t count = 0;
    for (;;) {
        switch (px.next()) {
        case Token::StartElement: {
            if (walk.skipping() || !isSml(xml.namespaceUri())) {
                walk.skip();
                break;
            }
            const std::string_view name = xml.name();
            const S top = walk.top();
            if (top == S::Doc && name == "sst") {
                walk.enter(S::Sst);
            } else if (top == S::Sst && name == "si") {
                walk.enter(S::Si);
                bytes.clear();
            } else if ((top == S::Si || top == S::Run) && name == "t") {
                walk.enter(S::T);
            } else if (top == S::Si && name == "r") {
                walk.enter(S::Run);
            } else {
                walk.skip();
            }
            break;
        }
        case Token::Text:
            if (!walk.skipping() && walk.top() == S::T)
                bytes.append(xml.text());
            break;
        case Token::EndElement: {
            S ended;
            if (walk.leave(ended) && ended == S::Si) {
                if (count >= XlsxWorkbook::kMaxCells)
                    SheetMessages::fail(SheetMessages::file(m_path)
                                        + QStringLiteral(" มีข้อความในตารางข้อความเกิน 20,000,000 รายการ "
                                                         "มากเกินกว่าจะเป็นรายการเช็คจาก SAP จึงไม่อ่าน กรุณาตรวจแฟ้มที่ได้จาก SAP"));
                QString s = text(bytes);
                decodeEscapes(s);
                m_cells.addString(s);
                ++count;
            }
            break;
        }
        case Token::EndDocument:
            m_sstCount = count;
            return;
        default:
            break;
        }
    }
}

void Reader::readSheet(const QString& part)
{
    PartXml px(m_zip, part, m_path);
    XmlScanner& xml = px.xml();
    enum class S { Doc, Worksheet, SheetData, Row, Cell, V, F, Is, IsRun, IsT };
    enum class Type { Number, Shared, Str, Inline, Bool, Error, Date };
    Walk<S> walk(S::Doc);
    bool root = false;

    int lastRow = 0;
    int lastCol = 0;
    int row = 0;
    int col = 0;
    uint32_t style = 0;
    Type type = Type::Number;
    bool haveV = false, haveF = false, haveIs = false;
    // The cell's value, formula and inline text as the part spells them (UTF-8).
    std::string v, f, is;

    const auto failCell = [&](const QString& what) {
        SheetMessages::failCell(m_path, row, col,
                                what + QStringLiteral(" (") + where(px.name(), px.line()) + QStringLiteral(") ")
                                    + SheetMessages::askAgainOrResave());
    };
    const auto addText = [&](const std::string& bytes) {
        QString s = text(bytes);
        decodeEscapes(s);
        m_cells.addText(row, col, s);
    };

    const auto emitCell = [&] {
        if (m_cells.cellCount() + m_cells.formulas().size() >= XlsxWorkbook::kMaxCells)
            SheetMessages::fail(SheetMessages::file(m_path)
                                + QStringLiteral(" มีเซลล์ที่มีข้อมูลเกิน 20,000,000 เซลล์ มากเกินกว่าจะเป็นรายการเช็คจาก SAP "
                                                 "จึงไม่อ่าน กรุณาตรวจแฟ้มที่ได้จาก SAP"));
        const DateKind kind = style < m_xfKinds.size() ? m_xfKinds[style] : DateKind::None;
        if (haveF)
            m_cells.addFormula(row, col, text(f), haveV && (!v.empty() || type == Type::Str), kind);
        if (type == Type::Inline || (haveIs && !haveV)) {
            addText(haveIs ? is : v);
            return;
        }
        if (!haveV)
            return;
        switch (type) {
        case Type::Shared: {
            if (trimmed(v).empty())
                return;
            uint32_t index = 0;
            if (!parseUInt(v, index) || index >= m_sstCount)
                failCell(QStringLiteral("อ้างถึงข้อความลำดับที่ ") + text(trimmed(v)).left(20)
                         + QStringLiteral(" ซึ่งไม่มีอยู่ในตารางข้อความของแฟ้ม"));
            m_cells.addTextIndex(row, col, m_sstBase + index);
            return;
        }
        case Type::Str:
        case Type::Inline:
            addText(v);
            return;
        case Type::Bool: {
            const std::string_view b = trimmed(v);
            if (b.empty())
                return;
            if (b == "1" || b == "true")
                m_cells.addBool(row, col, true);
            else if (b == "0" || b == "false")
                m_cells.addBool(row, col, false);
            else
                failCell(QStringLiteral("มีค่าตรรกะที่อ่านไม่ได้"));
            return;
        }
        case Type::Error:
            if (!trimmed(v).empty())
                m_cells.addError(row, col, text(trimmed(v)).left(32));
            return;
        case Type::Date: {
            double serial = 0;
            bool hasDate = false;
            const QString value = text(v);
            if (!isoSerial(value, m_cells.system1904, serial, hasDate)) {
                // Not a date after all: kept as the text it is, not dropped.
                m_cells.addText(row, col, value);
                return;
            }
            const DateKind k = kind != DateKind::None ? kind : hasDate ? DateKind::DateTime : DateKind::Time;
            m_cells.addNumber(row, col, serial, k);
            return;
        }
        case Type::Number: {
            if (trimmed(v).empty())
                return;
            double number = 0;
            if (!parseDouble(v, number))
                failCell(QStringLiteral("มีตัวเลขที่อ่านไม่ได้"));
            m_cells.addNumber(row, col, number, kind);
            return;
        }
        }
    };

    for (;;) {
        switch (px.next()) {
        case Token::StartElement: {
            if (walk.skipping()) {
                walk.skip();
                break;
            }
            const std::string_view name = xml.name();
            const S top = walk.top();
            S next = S::Doc;  // Doc: not followed
            if (top == S::Row) {
                if (name == "c")
                    next = S::Cell;
            } else if (top == S::Cell) {
                if (name == "v")
                    next = S::V;
                else if (name == "f")
                    next = S::F;
                else if (name == "is")
                    next = S::Is;
            } else if (top == S::SheetData) {
                if (name == "row")
                    next = S::Row;
            } else if (top == S::Is || top == S::IsRun) {
                if (name == "t")
                    next = S::IsT;
                else if (name == "r" && top == S::Is)
                    next = S::IsRun;
            } else if (top == S::Worksheet) {
                if (name == "sheetData")
                    next = S::SheetData;
            } else if (top == S::Doc) {
                if (name == "worksheet")
                    next = S::Worksheet;
                else
                    SheetMessages::failDamaged(m_path, where(px.name(), px.line())
                                                           + QStringLiteral(" ไม่ใช่ข้อมูลแผ่นงาน (worksheet)"));
            }
            if (next == S::Doc || !isSml(xml.namespaceUri())) {
                if (top == S::Doc)
                    SheetMessages::failDamaged(m_path, where(px.name(), px.line())
                                                           + QStringLiteral(" ไม่ใช่ข้อมูลแผ่นงาน (worksheet)"));
                walk.skip();
                break;
            }
            walk.enter(next);
            switch (next) {
            case S::Worksheet:
                root = true;
                break;
            case S::Row: {
                // No number, or one that is no row number ("0", as some
                // exporters count): the next row, as if there were none.
                if (!parseRowNumber(xml.attribute("r"), row))
                    row = lastRow < INT32_MAX ? lastRow + 1 : lastRow;
                lastRow = row;
                lastCol = 0;
                break;
            }
            case S::Cell: {
                style = 0;
                type = Type::Number;
                haveV = haveF = haveIs = false;
                v.clear();  // keeps the capacity: no allocation per cell
                f.clear();
                is.clear();
                bool placed = false;
                for (const XmlScanner::Attribute& a : xml.attributes()) {
                    if (!a.ns.empty())
                        continue;
                    const std::string_view an = a.name;
                    if (an == "r") {
                        // A reference that is none ("0", "1" as some exporters
                        // write column numbers) places the cell as a missing one would.
                        placed = parseReference(a.value, row, col);
                    } else if (an == "s") {
                        if (!parseUInt(a.value, style))
                            style = 0;
                    } else if (an == "t") {
                        const std::string_view t = a.value;
                        type = t == "s"           ? Type::Shared
                               : t == "str"       ? Type::Str
                               : t == "inlineStr" ? Type::Inline
                               : t == "b"         ? Type::Bool
                               : t == "e"         ? Type::Error
                               : t == "d"         ? Type::Date
                                                  : Type::Number;
                    }
                }
                if (!placed) {
                    // No reference: the cell after the last one in this row.
                    row = lastRow;
                    col = lastCol < INT32_MAX ? lastCol + 1 : lastCol;
                }
                lastCol = col;
                break;
            }
            case S::V:
                haveV = true;
                break;
            case S::F:
                haveF = true;
                break;
            case S::Is:
                haveIs = true;
                break;
            default:
                break;
            }
            break;
        }
        case Token::Text:
            if (!walk.skipping()) {
                switch (walk.top()) {
                case S::V:
                    v.append(xml.text());
                    break;
                case S::F:
                    f.append(xml.text());
                    break;
                case S::IsT:
                    is.append(xml.text());
                    break;
                default:
                    break;
                }
            }
            break;
        case Token::EndElement: {
            S ended;
            if (walk.leave(ended) && ended == S::Cell)
                emitCell();
            break;
        }
        case Token::EndDocument:
            if (!root)
                SheetMessages::failDamaged(m_path, where(px.name(), px.line())
                                                       + QStringLiteral(" ไม่ใช่ข้อมูลแผ่นงาน (worksheet)"));
            return;
        }
    }
}

void Reader::readApplication(const QString& part)
{
    PartXml px(m_zip, part, m_path);
    XmlScanner& xml = px.xml();
    enum class S { Doc, Properties, Application };
    Walk<S> walk(S::Doc);
    std::string bytes;
    for (;;) {
        switch (px.next()) {
        case Token::StartElement: {
            const std::string_view ns = xml.namespaceUri();
            if (walk.skipping() || (ns != kAppTransitional && ns != kAppStrict)) {
                walk.skip();
                break;
            }
            if (walk.top() == S::Doc && xml.name() == "Properties")
                walk.enter(S::Properties);
            else if (walk.top() == S::Properties && xml.name() == "Application")
                walk.enter(S::Application);
            else
                walk.skip();
            break;
        }
        case Token::Text:
            // Four bytes a character at most: enough for the characters kept.
            if (!walk.skipping() && walk.top() == S::Application && bytes.size() < 4 * kMaxApplication)
                bytes.append(xml.text().substr(0, 4 * kMaxApplication - bytes.size()));
            break;
        case Token::EndElement: {
            S ended;
            if (walk.leave(ended) && ended == S::Application) {
                application = text(bytes).left(kMaxApplication);
                return;
            }
            break;
        }
        case Token::EndDocument:
            return;
        }
    }
}

void Reader::run()
{
    // The package's relationships lead to the workbook and its properties.
    QString workbook;
    QString properties;
    const QString packageRels = find(QStringLiteral("_rels/.rels"));
    if (!packageRels.isEmpty()) {
        for (const Relationship& r : readRels(packageRels)) {
            if (workbook.isEmpty() && isRelType(r.type, u"officeDocument"))
                workbook = partFor(QString(), r.target);
            else if (properties.isEmpty()
                     && (isRelType(r.type, u"extended-properties") || isRelType(r.type, u"extendedProperties")))
                properties = partFor(QString(), r.target);
        }
    } else {
        // A package without its relationships: only the usual names are left to go by.
        workbook = find(QStringLiteral("xl/workbook.xml"));
        properties = find(QStringLiteral("docProps/app.xml"));
    }
    if (workbook.isEmpty())
        failMissing(QStringLiteral("สมุดงาน (workbook) "));

    std::vector<QString> sheetIds;
    std::vector<QString> sheetNames;
    readWorkbook(workbook, sheetIds, sheetNames);

    std::vector<Relationship> rels;
    const QString workbookRels = find(relsPartOf(QString(workbook).replace(QLatin1Char('\\'), QLatin1Char('/'))));
    if (!workbookRels.isEmpty())
        rels = readRels(workbookRels);

    // The first worksheet in the workbook's own order; chart, dialog and
    // macro sheets before it are passed over.
    QString sheet;
    for (size_t i = 0; i < sheetIds.size() && sheet.isEmpty(); ++i) {
        const Relationship* rel = nullptr;
        for (const Relationship& r : rels)
            if (r.id == sheetIds[i]) {
                rel = &r;
                break;
            }
        if (!rel)
            SheetMessages::failDamaged(m_path, QStringLiteral("แผ่นงาน \"") + sheetNames[i]
                                                   + QStringLiteral("\" อ้างถึงส่วนข้อมูลที่ไม่มีอยู่"));
        if (!isRelType(rel->type, u"worksheet"))
            continue;
        sheet = partFor(workbook, rel->target);
        if (sheet.isEmpty())
            failMissing(QStringLiteral("ส่วน \"") + ZipArchive::resolve(workbook, rel->target)
                        + QStringLiteral("\" ของแผ่นงาน \"") + sheetNames[i] + QStringLiteral("\" "));
    }
    if (sheet.isEmpty())
        SheetMessages::fail(SheetMessages::file(m_path) + QStringLiteral(" ไม่มีแผ่นงาน (worksheet) ให้อ่าน หรือแฟ้มเสียหาย"));

    QString strings;
    QString styles;
    for (const Relationship& r : rels) {
        if (strings.isEmpty() && isRelType(r.type, u"sharedStrings"))
            strings = partFor(workbook, r.target);
        else if (styles.isEmpty() && isRelType(r.type, u"styles"))
            styles = partFor(workbook, r.target);
    }
    if (!styles.isEmpty())
        readStyles(styles);
    if (!strings.isEmpty())
        readSharedStrings(strings);
    readSheet(sheet);

    if (!properties.isEmpty()) {
        // The writer's name is a note beside the cells: a damaged one is left out.
        try {
            readApplication(properties);
        } catch (const Workbook::Error&) {
            application.clear();
        } catch (const ZipArchive::Failure&) {
            application.clear();
        }
    }
}

}

void XlsxWorkbook::openData(const QByteArray& bytes, const QString& path)
{
    begin(path);
    m_fullCalcOnLoad = false;
    m_application.clear();
    std::unique_ptr<ZipArchive> zip;
    try {
        zip = std::make_unique<ZipArchive>(bytes);
    } catch (const ZipArchive::Failure&) {
        SheetMessages::failDamaged(path, QStringLiteral("โครงสร้างแฟ้มบีบอัด (ZIP) อ่านไม่ได้"));
    } catch (const std::bad_alloc&) {
        SheetMessages::failOutOfMemory(path);
    }
    openZip(*zip, path);
}

void XlsxWorkbook::openZip(const ZipArchive& zip, const QString& path)
{
    begin(path);
    m_fullCalcOnLoad = false;
    m_application.clear();
    try {
        Reader reader(zip, path, m_cells);
        reader.run();
        m_fullCalcOnLoad = reader.fullCalcOnLoad;
        m_application = reader.application;
        // A workbook that asks to be recalculated on opening, or that a
        // program which does not calculate saved, holds no result to take.
        m_cells.formulaSyntax = SheetCells::FormulaSyntax::A1;
        if (m_fullCalcOnLoad || !FormulaCells::calculatingApplication(m_application))
            distrustStoredResults();
        done();
    } catch (const ZipArchive::Failure& f) {
        close();
        const QString part = QString::fromStdString(f.what());
        if (f.kind == ZipArchive::Failure::Kind::TooLarge)
            SheetMessages::fail(SheetMessages::file(path) + QStringLiteral(" มีส่วนข้อมูล \"") + part
                                + QStringLiteral("\" ที่ขยายออกใหญ่เกินกว่าที่แฟ้มตารางข้อมูลจะเป็นได้ "
                                                 "(แฟ้มเสียหาย หรือเป็นแฟ้มที่ทำขึ้นให้โปรแกรมทำงานค้าง) จึงไม่อ่าน ")
                                + SheetMessages::askAgainOrResave());
        SheetMessages::failDamaged(path, QStringLiteral("ส่วน \"") + part + QStringLiteral("\" ของแฟ้มบีบอัดอ่านไม่ได้"));
    } catch (const std::bad_alloc&) {
        close();
        SheetMessages::failOutOfMemory(path);
    } catch (...) {
        close();
        throw;
    }
}
