#include "OdsWorkbook.h"

#include "FormulaCells.h"
#include "IsoDates.h"
#include "ScannedText.h"
#include "SheetMessages.h"
#include "XmlScanner.h"
#include "ZipArchive.h"

#include <QBuffer>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using DateKind = CellText::DateKind;
using Token = XmlScanner::Token;

constexpr std::string_view kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kTable = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr std::string_view kNumber = "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0";
constexpr std::string_view kDraw = "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0";
constexpr std::string_view kManifest = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0";
constexpr std::string_view kMeta = "urn:oasis:names:tc:opendocument:xmlns:meta:1.0";
constexpr std::string_view kCalcExt = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";

using ScannedText::text;
using ScannedText::toDouble;

bool is(const XmlScanner& x, std::string_view ns, std::string_view name)
{
    return x.name() == name && x.namespaceUri() == ns;
}

// The value of the current element's attribute of that namespace, or a view
// with no data when the element has none.
std::string_view attribute(const XmlScanner& x, std::string_view ns, std::string_view name)
{
    for (const XmlScanner::Attribute& a : x.attributes())
        if (a.name == name && a.ns == ns)
            return a.value;
    return std::string_view();
}

bool isDigits(std::string_view v)
{
    return !v.empty() && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A count attribute (number-rows-repeated, text:c): at least 1, at most `max`.
qint64 count(std::string_view bytes, qint64 max)
{
    if (bytes.empty())
        return 1;
    // Plain digits, as writers put them, are read here; anything else as Qt
    // reads a number, the way it always was.
    if (isDigits(bytes) && bytes.size() <= 18) {
        qint64 n = 0;
        for (const char c : bytes)
            n = n * 10 + (c - '0');
        return std::clamp<qint64>(n, 1, max);
    }
    const QString s = text(bytes);
    const QStringView v = s;
    bool ok = false;
    const qlonglong n = v.trimmed().toLongLong(&ok);
    if (!ok) {
        // More digits than a 64-bit number holds is still a count: the largest.
        const QStringView t = v.trimmed();
        ok = !t.isEmpty() && std::all_of(t.begin(), t.end(), [](QChar c) { return c.isDigit(); });
        return ok ? max : 1;
    }
    return std::clamp<qint64>(n, 1, max);
}

// What a spreadsheet program writes as a formula's text when its result is an error.
bool isErrorName(QStringView t)
{
    static const char16_t* const kNames[] = {u"#NAME?", u"#DIV/0!", u"#VALUE!", u"#REF!", u"#NUM!", u"#N/A", u"#NULL!"};
    for (const char16_t* n : kNames)
        if (t == QStringView(n))
            return true;
    if (t.size() > 4 && t.startsWith(u"Err:")) {
        for (QChar c : t.mid(4))
            if (!c.isDigit())
                return false;
        return true;
    }
    return false;
}

// Number formats that show a date or a time, and the cell styles that use them.
class Styles {
public:
    // Looks at one start or end element of styles.xml or content.xml.
    void start(const XmlScanner& x)
    {
        const std::string_view name = x.name();
        if (x.namespaceUri() == kNumber) {
            if (name == "date-style" || name == "time-style") {
                m_dataName.assign(attribute(x, kStyle, "name"));
                m_dataTime = name == "time-style";
                m_dataHasTime = false;
                m_elapsed = attribute(x, kNumber, "truncate-on-overflow") == "false";
                m_inData = true;
            } else if (m_inData && (name == "hours" || name == "minutes" || name == "seconds" || name == "am-pm")) {
                m_dataHasTime = true;
            }
            return;
        }
        if (name == "style" && x.namespaceUri() == kStyle) {
            if (attribute(x, kStyle, "family") != "table-cell")
                return;
            const std::string_view styleName = attribute(x, kStyle, "name");
            if (!styleName.empty() && m_cells.size() < kMaxStyles)
                m_cells.insert_or_assign(std::string(styleName),
                                         CellStyle{std::string(attribute(x, kStyle, "parent-style-name")),
                                                   std::string(attribute(x, kStyle, "data-style-name"))});
        }
    }

    void end(const XmlScanner& x)
    {
        if (!m_inData || x.namespaceUri() != kNumber || (x.name() != "date-style" && x.name() != "time-style"))
            return;
        m_inData = false;
        if (m_dataName.empty() || m_data.size() >= kMaxStyles)
            return;
        DateKind kind = DateKind::Date;
        if (m_dataTime)
            kind = m_elapsed ? DateKind::Elapsed : DateKind::Time;
        else if (m_dataHasTime)
            kind = DateKind::DateTime;
        m_data.insert_or_assign(m_dataName, kind);
    }

    // What the cell style shows its numbers as (None for a plain number),
    // its own data style or the nearest parent's.
    DateKind kindOf(const std::string& style)
    {
        if (style.empty())
            return DateKind::None;
        const auto cached = m_kinds.find(style);
        if (cached != m_kinds.end())
            return cached->second;
        DateKind kind = DateKind::None;
        const std::string* name = &style;
        for (int step = 0; step < 32 && !name->empty(); ++step) {
            const auto it = m_cells.find(*name);
            if (it == m_cells.end())
                break;
            if (!it->second.data.empty()) {
                const auto data = m_data.find(it->second.data);
                kind = data == m_data.end() ? DateKind::None : data->second;
                break;
            }
            name = &it->second.parent;
        }
        if (m_kinds.size() < kMaxStyles)
            m_kinds.emplace(style, kind);
        return kind;
    }

private:
    static constexpr size_t kMaxStyles = 1 << 20;
    struct CellStyle {
        std::string parent;
        std::string data;
    };
    // Names as the file spells them (UTF-8).
    std::unordered_map<std::string, DateKind> m_data;
    std::unordered_map<std::string, CellStyle> m_cells;
    std::unordered_map<std::string, DateKind> m_kinds;
    std::string m_dataName;
    bool m_inData = false;
    bool m_dataTime = false;
    bool m_dataHasTime = false;
    bool m_elapsed = false;
};

// Entity declarations have no place in a spreadsheet; a part that declares a
// document type at all is not read, which keeps an entity bomb from growing.
// `part` is empty for a single XML document, where the line alone says where.
[[noreturn]] void failXml(const QString& path, const QString& part, const XmlScanner::Error& e)
{
    const QString where = part.isEmpty() ? QStringLiteral("บรรทัดที่ %1").arg(e.line)
                                         : QStringLiteral("ส่วน %1 บรรทัดที่ %2").arg(part).arg(e.line);
    switch (e.kind) {
    case XmlScanner::Error::Kind::DocumentType:
        SheetMessages::failDamaged(path, where + QStringLiteral(" ประกาศ DTD หรือ entity ซึ่งแฟ้มตารางข้อมูลไม่ใช้"));
    case XmlScanner::Error::Kind::Encoding:
        SheetMessages::failDamaged(path, where + QStringLiteral(" ใช้การเข้ารหัสอักขระที่อ่านไม่ได้"));
    case XmlScanner::Error::Kind::Malformed:
        break;
    }
    SheetMessages::failDamaged(path, where + QStringLiteral(": ข้อมูล XML ไม่ถูกต้องหรือขาดหาย"));
}

void readStyles(const ZipArchive& zip, const QString& path, Styles& styles)
{
    const QString name = zip.find(QStringLiteral("styles.xml"));
    if (name.isEmpty())
        return;
    std::unique_ptr<ZipArchive::Part> part = zip.open(name);
    XmlScanner x(part.get());
    try {
        for (;;) {
            switch (x.next()) {
            case Token::StartElement:
                // The body of styles.xml holds page layouts, no cells.
                styles.start(x);
                break;
            case Token::EndElement:
                styles.end(x);
                break;
            case Token::Text:
                break;
            case Token::EndDocument:
                return;
            }
        }
    } catch (const XmlScanner::Error& e) {
        if (e.kind == XmlScanner::Error::Kind::DocumentType)
            failXml(path, name, e);
        // A damaged styles.xml costs only the date formats it defines: the
        // cells are in content.xml.
    }
}

// The program that last saved the file (meta:generator), or "" when the
// file does not say. The metadata comes before the body, where the search
// ends: a single XML document without a generator is not read through twice.
QString generator(const QByteArray& bytes)
{
    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    XmlScanner x(&device);
    // The element's own text, its children's passed over; what was read of it
    // counts when the part breaks off inside it.
    std::string found;
    bool inside = false;
    int depth = 0;
    try {
        for (;;) {
            const Token token = x.next();
            if (token == Token::EndDocument)
                return QString();
            if (!inside) {
                if (token == Token::StartElement && is(x, kMeta, "generator"))
                    inside = true;
                else if (token == Token::StartElement && is(x, kOffice, "body"))
                    return QString();
            } else if (token == Token::StartElement) {
                ++depth;
            } else if (token == Token::EndElement) {
                if (depth-- == 0)
                    break;
            } else if (token == Token::Text && depth == 0 && found.size() < 1024) {
                found.append(x.text().substr(0, 1024 - found.size()));
            }
        }
    } catch (const XmlScanner::Error&) {
        if (!inside)
            return QString();
    }
    return text(found).left(256);
}

QString generator(const ZipArchive& zip)
{
    const QString name = zip.find(QStringLiteral("meta.xml"));
    if (name.isEmpty())
        return QString();
    try {
        return generator(zip.read(name, 4 << 20));
    } catch (const ZipArchive::Failure&) {
        return QString();
    }
}

bool contentEncrypted(const ZipArchive& zip)
{
    const QString name = zip.find(QStringLiteral("META-INF/manifest.xml"));
    if (name.isEmpty())
        return false;
    QByteArray bytes;
    try {
        bytes = zip.read(name, 16 << 20);
    } catch (const ZipArchive::Failure&) {
        return false;
    }
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    XmlScanner x(&device);
    bool content = false;
    int depth = 0;
    int entryDepth = -1;
    try {
        for (;;) {
            const Token token = x.next();
            if (token == Token::EndDocument)
                return false;
            if (token == Token::StartElement) {
                ++depth;
                if (is(x, kManifest, "file-entry")) {
                    entryDepth = depth;
                    content = attribute(x, kManifest, "full-path") == "content.xml";
                } else if (content && entryDepth > 0 && is(x, kManifest, "encryption-data")) {
                    return true;
                }
            } else if (token == Token::EndElement) {
                if (depth == entryDepth) {
                    entryDepth = -1;
                    content = false;
                }
                --depth;
            }
        }
    } catch (const XmlScanner::Error&) {
        // What was read said nothing of encryption.
    }
    return false;
}

// The first table of content.xml, token by token: no recursion over the
// document's nesting, nothing kept per empty cell.
class ContentReader {
public:
    ContentReader(SheetCells& cells, Styles& styles, const QString& path) : m_cells(cells), m_styles(styles), m_path(path) {}

    // True when a table was found.
    bool read(const ZipArchive& zip)
    {
        const QString name = zip.find(QStringLiteral("content.xml"));
        if (name.isEmpty())
            SheetMessages::failDamaged(m_path, QStringLiteral("ไม่พบส่วน content.xml ที่เก็บข้อมูลของตาราง"));
        std::unique_ptr<ZipArchive::Part> part = zip.open(name);
        return read(part.get(), name, part.get());
    }

    // A single XML document: its styles come before its body, so this one
    // pass sees them all.
    bool read(const QByteArray& bytes)
    {
        QBuffer device;
        device.setData(bytes);
        device.open(QIODevice::ReadOnly);
        return read(&device, QString(), nullptr);
    }

private:
    // `part` is the ZIP member being read, or null.
    bool read(QIODevice* device, const QString& name, ZipArchive::Part* part)
    {
        XmlScanner x(device);
        while (!m_done) {
            Token token = Token::EndDocument;
            try {
                token = x.next();
                // The data may have stopped for damage right after the root closed.
                if (token == Token::EndDocument && part)
                    part->check();
            } catch (const XmlScanner::Error& e) {
                if (part)
                    part->check();  // a part over the cap or whose data breaks off says so first
                failXml(m_path, name, e);
            }
            switch (token) {
            case Token::StartElement:
                ++m_depth;
                start(x);
                break;
            case Token::EndElement:
                end(x);
                --m_depth;
                break;
            case Token::Text:
                if (m_paragraph > 0 && m_skip < 0)
                    characters(x.text());
                break;
            case Token::EndDocument:
                return m_tableDepth > 0;
            }
        }
        return m_tableDepth > 0;
    }

    struct Pending {
        int col = 0;
        qint64 repeat = 1;
        enum class Kind : uint8_t { None, Text, Number, Date, Bool, Error } kind = Kind::None;
        DateKind date = DateKind::None;
        double number = 0;
        uint32_t text = 0;
        IsoDates::DateTime when;
        QString formula;
        bool hasResult = false;
        DateKind formulaDate = DateKind::None;  // what the cell's style shows a calculated number as
    };

    struct ColumnStyle {
        qint64 first;
        qint64 last;
        std::string style;
    };

    void start(const XmlScanner& x)
    {
        if (m_cellDepth > 0) {
            cellElement(x);
            return;
        }
        if (m_tableDepth < 0) {
            if (m_bodyDepth < 0) {
                if (is(x, kOffice, "body"))
                    m_bodyDepth = m_depth;
                else
                    m_styles.start(x);
                return;
            }
            if (is(x, kOffice, "spreadsheet") && m_spreadsheetDepth < 0) {
                m_spreadsheetDepth = m_depth;
            } else if (m_spreadsheetDepth > 0 && is(x, kTable, "null-date")) {
                IsoDates::DateTime d;
                if (IsoDates::parseDate(text(attribute(x, kTable, "date-value")), d))
                    m_nullDate = static_cast<double>(IsoDates::daysFrom18991230(d.year, d.month, d.day));
            } else if (m_spreadsheetDepth > 0 && is(x, kTable, "table")) {
                m_tableDepth = m_depth;
            }
            return;
        }
        if (x.namespaceUri() != kTable)
            return;
        const std::string_view name = x.name();
        if (name == "table-column" && m_rowDepth < 0) {
            const qint64 n = count(attribute(x, kTable, "number-columns-repeated"), SheetCells::kMaxColumn);
            const std::string_view style = attribute(x, kTable, "default-cell-style-name");
            if (!style.empty() && m_nextColumnDef <= SheetCells::kMaxColumn)
                m_columnStyles.push_back({m_nextColumnDef, m_nextColumnDef + n - 1, std::string(style)});
            m_nextColumnDef += n;
        } else if (name == "table-row" && m_rowDepth < 0) {
            m_rowDepth = m_depth;
            m_rowRepeat = count(attribute(x, kTable, "number-rows-repeated"), SheetCells::kMaxRow);
            m_rowStyle.assign(attribute(x, kTable, "default-cell-style-name"));
            m_nextCol = 1;
            m_pending.clear();
        } else if (m_rowDepth > 0 && (name == "table-cell" || name == "covered-table-cell")) {
            startCell(x);
        }
    }

    void end(const XmlScanner& x)
    {
        if (m_cellDepth > 0) {
            if (m_depth == m_skip)
                m_skip = -1;
            if (m_depth == m_paragraph)
                m_paragraph = -1;
            if (m_depth == m_cellDepth) {
                finishCell();
                m_cellDepth = -1;
            }
            return;
        }
        if (m_tableDepth < 0) {
            if (m_bodyDepth < 0)
                m_styles.end(x);
            return;
        }
        if (m_depth == m_rowDepth) {
            finishRow();
            m_rowDepth = -1;
        } else if (m_depth == m_tableDepth) {
            m_done = true;
        }
    }

    void startCell(const XmlScanner& x)
    {
        m_cellDepth = m_depth;
        m_valueType.clear();
        m_calcType.clear();
        m_cellStyle.clear();
        m_formula.clear();
        m_value.clear();
        m_dateValue.clear();
        m_timeValue.clear();
        m_boolValue.clear();
        m_stringValue.clear();
        m_hasFormula = m_hasValue = m_hasStringValue = false;
        std::string_view repeat;
        // One pass over the attributes: cells are most of the part.
        for (const XmlScanner::Attribute& a : x.attributes()) {
            if (a.ns == kOffice) {
                if (a.name == "value-type") {
                    m_valueType.assign(a.value);
                } else if (a.name == "value") {
                    m_value.assign(a.value);
                    m_hasValue = true;
                } else if (a.name == "date-value") {
                    m_dateValue.assign(a.value);
                } else if (a.name == "time-value") {
                    m_timeValue.assign(a.value);
                } else if (a.name == "boolean-value") {
                    m_boolValue.assign(a.value);
                } else if (a.name == "string-value") {
                    m_stringValue.assign(a.value);
                    m_hasStringValue = true;
                }
            } else if (a.ns == kTable) {
                if (a.name == "number-columns-repeated") {
                    repeat = a.value;
                } else if (a.name == "style-name") {
                    m_cellStyle.assign(a.value);
                } else if (a.name == "formula") {
                    m_formula.assign(a.value);
                    m_hasFormula = true;
                }
            } else if (a.ns == kCalcExt && a.name == "value-type") {
                m_calcType.assign(a.value);
            }
        }
        m_colRepeat = count(repeat, SheetCells::kMaxColumn);
        m_text.resize(0);
        m_bytes.clear();
        m_paragraphs = 0;
        m_paragraph = -1;
        m_skip = -1;
    }

    // An element inside a cell: its paragraphs and what they hold.
    void cellElement(const XmlScanner& x)
    {
        if (m_skip > 0)
            return;
        const std::string_view ns = x.namespaceUri();
        const std::string_view name = x.name();
        if (m_paragraph < 0) {
            if (m_depth == m_cellDepth + 1 && ns == kText && (name == "p" || name == "h")) {
                if (m_paragraphs++ > 0)
                    append(u"\n", 1);
                m_paragraph = m_depth;
            }
            // Anything else in a cell (a comment, a drawing) is not its value.
            return;
        }
        // Drawings, notes and comments anchored in the text are not the text.
        if (ns == kDraw || (ns == kOffice && name == "annotation") || (ns == kText && (name == "note" || name == "ruby-text"))) {
            m_skip = m_depth;
            return;
        }
        if (ns != kText)
            return;
        if (name == "s") {
            const qint64 n = count(attribute(x, kText, "c"), OdsWorkbook::kMaxCellChars);
            spaces(n);
        } else if (name == "tab") {
            append(u"\t", 1);
        } else if (name == "line-break") {
            append(u"\n", 1);
        }
    }

    void flush() { ScannedText::moveInto(m_bytes, m_text, OdsWorkbook::kMaxCellChars); }

    void spaces(qint64 n)
    {
        flush();
        const qint64 room = std::max<qint64>(0, OdsWorkbook::kMaxCellChars - m_text.size());
        n = std::min(n, room);
        if (n > 0)
            m_text.append(QString(static_cast<qsizetype>(n), QLatin1Char(' ')));
    }

    void append(const char16_t* s, qsizetype n)
    {
        flush();
        if (m_text.size() + n <= OdsWorkbook::kMaxCellChars)
            m_text.append(QStringView(s, n));
    }

    // Characters as written: LibreOffice keeps white space in a cell's
    // paragraph as it stands (spaces it writes itself come as <text:s/>).
    void characters(std::string_view t)
    {
        m_bytes.append(t);
        if (m_bytes.size() >= 64 * 1024)
            flush();
    }

    DateKind styleKind(qint64 col)
    {
        static const std::string kDefault = "Default";
        if (!m_cellStyle.empty())
            return m_styles.kindOf(m_cellStyle);
        if (!m_rowStyle.empty())
            return m_styles.kindOf(m_rowStyle);
        auto it = std::upper_bound(m_columnStyles.begin(), m_columnStyles.end(), col,
                                   [](qint64 c, const ColumnStyle& s) { return c < s.first; });
        if (it != m_columnStyles.begin() && col <= (it - 1)->last)
            return m_styles.kindOf((it - 1)->style);
        return m_styles.kindOf(kDefault);
    }

    void finishCell()
    {
        flush();
        const qint64 col = m_nextCol;
        m_nextCol = std::min<qint64>(m_nextCol + m_colRepeat, SheetCells::kMaxColumn + 1LL);
        if (col > SheetCells::kMaxColumn)
            return;
        Pending p;
        p.col = static_cast<int>(col);
        p.repeat = m_colRepeat;
        if (m_hasFormula) {
            // "of:=SUM([.A1:.A3])": the formula without its namespace and "=".
            const QString formula = text(m_formula);
            QStringView f = formula;
            const qsizetype mark = f.indexOf(u":=");
            if (mark >= 0 && mark < 16 && !f.left(mark).contains(u'"') && !f.left(mark).contains(u'('))
                f = f.mid(mark + 2);
            else if (f.startsWith(u'='))
                f = f.mid(1);
            p.formula = f.toString();
            p.formulaDate = styleKind(col);
            p.hasResult = m_hasValue || m_hasStringValue || !m_dateValue.empty() || !m_timeValue.empty()
                          || !m_boolValue.empty();
        }
        const QString shown = m_hasStringValue ? text(m_stringValue) : m_text;
        if (!valueOf(p, shown) && !shown.isEmpty()) {
            p.kind = Pending::Kind::Text;
            p.text = m_cells.addString(shown);
        }
        // A formula without a result still counts: it is calculated or named.
        if (p.kind != Pending::Kind::None || m_hasFormula)
            m_pending.push_back(std::move(p));
    }

    // The cell's typed value, where its attributes give one.
    bool valueOf(Pending& p, const QString& shown)
    {
        const qint64 col = p.col;
        // LibreOffice writes an error result as an empty string-value and the
        // error's name as the paragraph.
        if (m_hasFormula && (m_calcType == "error" || isErrorName(shown) || isErrorName(m_text))) {
            p.kind = Pending::Kind::Error;
            const QString& name = isErrorName(m_text) || shown.isEmpty() ? m_text : shown;
            p.text = m_cells.addString(name.isEmpty() ? QStringLiteral("#ERROR") : name);
            return true;
        }
        const std::string_view type = m_valueType;
        if (type == "float" || type == "percentage" || type == "currency") {
            double v = 0;
            if (!toDouble(m_value, v))
                return false;
            p.kind = Pending::Kind::Number;
            p.number = v;
            const DateKind kind = styleKind(col);
            if (kind == DateKind::Time || kind == DateKind::Elapsed) {
                p.date = kind;
            } else if (kind != DateKind::None && std::isfinite(v) && std::abs(v) < 1e8) {
                p.kind = Pending::Kind::Date;
                p.date = kind;
                p.when = IsoDates::fromDays(v + m_nullDate);
            }
            return true;
        }
        if (type == "date") {
            if (!IsoDates::parseDate(text(m_dateValue), p.when))
                return false;
            const DateKind kind = styleKind(col);
            p.kind = Pending::Kind::Date;
            p.date = kind != DateKind::None ? kind : p.when.hasTime ? DateKind::DateTime : DateKind::Date;
            return true;
        }
        if (type == "time") {
            double days = 0;
            if (!IsoDates::parseDuration(text(m_timeValue), days))
                return false;
            p.kind = Pending::Kind::Number;
            p.number = days;
            p.date = styleKind(col) == DateKind::Elapsed ? DateKind::Elapsed : DateKind::Time;
            return true;
        }
        if (type == "boolean") {
            const QString b = text(m_boolValue).trimmed().toLower();
            if (b != QLatin1String("true") && b != QLatin1String("false") && b != QLatin1String("1") && b != QLatin1String("0"))
                return false;
            p.kind = Pending::Kind::Bool;
            p.number = b == QLatin1String("true") || b == QLatin1String("1") ? 1 : 0;
            return true;
        }
        return false;
    }

    void finishRow()
    {
        const qint64 row = m_nextRow;
        m_nextRow = std::min<qint64>(m_nextRow + m_rowRepeat, SheetCells::kMaxRow + 1LL);
        if (m_nextRow > SheetCells::kMaxRow)
            m_done = true;  // nothing after this row can be kept
        if (m_pending.empty() || row > SheetCells::kMaxRow)
            return;
        const qint64 rows = std::min<qint64>(m_rowRepeat, SheetCells::kMaxRow - row + 1);
        // A repeated formula costs a calculation per cell when its result is
        // not taken as stored: it counts as many cells.
        qint64 cells = 0;
        qint64 described = 0;
        for (const Pending& p : m_pending) {
            const qint64 weight = p.formula.isEmpty() ? 1 : OdsWorkbook::kRepeatedFormulaWeight;
            cells += weight * std::min<qint64>(p.repeat, SheetCells::kMaxColumn - p.col + 1);
            described += weight;
        }
        m_repeated += rows * cells - described;
        if (m_repeated > OdsWorkbook::kMaxRepeatedCells)
            SheetMessages::fail(SheetMessages::file(m_path)
                                + QStringLiteral(" มีเซลล์ที่ทำซ้ำกันเกิน %L1 เซลล์ ซึ่งมากเกินกว่าแฟ้มตารางข้อมูลปกติ โปรแกรมจึงไม่อ่าน ")
                                      .arg(OdsWorkbook::kMaxRepeatedCells)
                                + SheetMessages::askAgainOrResave());
        for (qint64 r = row; r < row + rows; ++r)
            for (const Pending& p : m_pending) {
                const qint64 last = std::min<qint64>(p.col + p.repeat - 1, SheetCells::kMaxColumn);
                for (qint64 c = p.col; c <= last; ++c)
                    place(static_cast<int>(r), static_cast<int>(c), p);
            }
    }

    void place(int row, int col, const Pending& p)
    {
        switch (p.kind) {
        case Pending::Kind::None:
            break;
        case Pending::Kind::Text:
            m_cells.addTextIndex(row, col, p.text);
            break;
        case Pending::Kind::Number:
            m_cells.addNumber(row, col, p.number, p.date);
            break;
        case Pending::Kind::Date:
            IsoDates::addDate(m_cells, row, col, p.when, p.date);
            break;
        case Pending::Kind::Bool:
            m_cells.addBool(row, col, p.number != 0);
            break;
        case Pending::Kind::Error:
            m_cells.addError(row, col, m_cells.string(p.text));
            break;
        }
        if (!p.formula.isEmpty())
            m_cells.addFormula(row, col, p.formula, p.hasResult, p.formulaDate);
    }

    SheetCells& m_cells;
    Styles& m_styles;
    const QString& m_path;

    int m_depth = 0;
    int m_bodyDepth = -1;
    int m_spreadsheetDepth = -1;
    int m_tableDepth = -1;
    int m_rowDepth = -1;
    int m_cellDepth = -1;
    int m_paragraph = -1;
    int m_skip = -1;
    bool m_done = false;

    double m_nullDate = 0;  // days from 1899-12-30
    qint64 m_nextRow = 1;
    qint64 m_rowRepeat = 1;
    std::string m_rowStyle;
    qint64 m_nextCol = 1;
    qint64 m_nextColumnDef = 1;
    std::vector<ColumnStyle> m_columnStyles;
    std::vector<Pending> m_pending;
    qint64 m_repeated = 0;

    qint64 m_colRepeat = 1;
    // The cell's attributes as the part spells them (UTF-8).
    std::string m_valueType, m_calcType, m_cellStyle, m_formula, m_value, m_dateValue, m_timeValue, m_boolValue,
        m_stringValue;
    bool m_hasFormula = false;
    bool m_hasValue = false;
    bool m_hasStringValue = false;
    QString m_text;
    std::string m_bytes;  // text not yet joined to m_text
    int m_paragraphs = 0;
};

[[noreturn]] void failNoSheet(const QString& path)
{
    SheetMessages::fail(SheetMessages::file(path) + QStringLiteral(" ไม่มีแผ่นงาน (worksheet) ให้อ่าน หรือแฟ้มเสียหาย ")
                        + SheetMessages::askAgainOrResave());
}

[[noreturn]] void failZip(const QString& path, const ZipArchive::Failure& f)
{
    const QString what = QString::fromStdString(f.what());
    if (f.kind == ZipArchive::Failure::Kind::TooLarge)
        SheetMessages::failDamaged(path, QStringLiteral("ส่วน %1 คลายการบีบอัดแล้วใหญ่เกินกว่าแฟ้มตารางข้อมูลปกติ").arg(what));
    SheetMessages::failDamaged(path, QStringLiteral("ส่วน %1 ของแฟ้มบีบอัด (ZIP) อ่านไม่ได้").arg(what));
}

}

void OdsWorkbook::openData(const QByteArray& bytes, const QString& path)
{
    if (!bytes.startsWith("PK")) {
        openFlat(bytes, path);
        return;
    }
    close();
    std::unique_ptr<ZipArchive> zip;
    try {
        zip = std::make_unique<ZipArchive>(bytes);
    } catch (const ZipArchive::Failure& f) {
        failZip(path, f);
    } catch (const std::bad_alloc&) {
        SheetMessages::failOutOfMemory(path);
    }
    openZip(*zip, path);
}

void OdsWorkbook::openZip(const ZipArchive& zip, const QString& path)
{
    begin(path);
    try {
        if (contentEncrypted(zip))
            SheetMessages::failPassword(path);
        m_cells.formulaSyntax = SheetCells::FormulaSyntax::OpenFormula;
        if (!FormulaCells::calculatingApplication(generator(zip)))
            distrustStoredResults();
        Styles styles;
        readStyles(zip, path, styles);
        ContentReader content(m_cells, styles, path);
        if (!content.read(zip))
            failNoSheet(path);
        done();
    } catch (const ZipArchive::Failure& f) {
        close();
        failZip(path, f);
    } catch (const std::bad_alloc&) {
        close();
        SheetMessages::failOutOfMemory(path);
    } catch (...) {
        close();
        throw;
    }
}

void OdsWorkbook::openFlat(const QByteArray& bytes, const QString& path)
{
    close();
    begin(path);
    try {
        m_cells.formulaSyntax = SheetCells::FormulaSyntax::OpenFormula;
        if (!FormulaCells::calculatingApplication(generator(bytes)))
            distrustStoredResults();
        Styles styles;
        ContentReader content(m_cells, styles, path);
        if (!content.read(bytes))
            failNoSheet(path);
        done();
    } catch (const std::bad_alloc&) {
        close();
        SheetMessages::failOutOfMemory(path);
    } catch (...) {
        close();
        throw;
    }
}
