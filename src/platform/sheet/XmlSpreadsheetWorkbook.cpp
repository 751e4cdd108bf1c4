#include "XmlSpreadsheetWorkbook.h"

#include "IsoDates.h"
#include "ScannedText.h"
#include "SheetMessages.h"
#include "XmlScanner.h"

#include <QBuffer>

#include <algorithm>
#include <charconv>
#include <string>
#include <unordered_map>

namespace {

using DateKind = CellText::DateKind;
using Token = XmlScanner::Token;

constexpr std::string_view kSs = "urn:schemas-microsoft-com:office:spreadsheet";
constexpr std::string_view kExcel = "urn:schemas-microsoft-com:office:excel";

using ScannedText::text;
using ScannedText::toDouble;
using ScannedText::trimmed;

// An attribute of the spreadsheet namespace; writers that leave the prefix
// off (an unqualified attribute has no namespace) are read the same.
std::string_view attribute(const XmlScanner& x, std::string_view name)
{
    std::string_view plain;
    for (const XmlScanner::Attribute& a : x.attributes()) {
        if (a.name != name)
            continue;
        if (a.ns == kSs)
            return a.value;
        if (a.ns.empty())
            plain = a.value;
    }
    return plain;
}

bool isAscii(std::string_view v)
{
    return std::all_of(v.begin(), v.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A 1-based place (ss:Index), or 0 when absent or not a number.
qint64 index(std::string_view bytes, qint64 max)
{
    const std::string_view t = trimmed(bytes);
    if (!t.empty() && t.size() <= 18 && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        qint64 n = 0;
        for (const char c : t)
            n = n * 10 + (c - '0');
        return n < 1 ? 0 : std::min<qint64>(n, max + 1);
    }
    // Anything else as Qt reads a number.
    const QString s = text(bytes);
    bool ok = false;
    const qlonglong n = QStringView(s).trimmed().toLongLong(&ok);
    if (!ok || n < 1)
        return 0;
    return std::min<qint64>(n, max + 1);
}

// The data's type trimmed and in lower case, as writers vary its case.
std::string lowerType(std::string_view bytes)
{
    // No other character lowers to a letter of the types' names.
    if (!isAscii(bytes))
        return text(bytes).trimmed().toLower().toStdString();
    std::string type(trimmed(bytes));
    for (char& c : type)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return type;
}

// The name of a reference to an entity XML does not know ("&Tau;") on that
// line of the document, or "": web exporters write HTML's entities, and the
// message names the one that stopped the read.
QString unknownEntity(QByteArrayView bytes, qint64 line)
{
    qsizetype begin = 0;
    for (qint64 n = 1; n < line && begin >= 0; ++n) {
        begin = bytes.indexOf('\n', begin);
        if (begin >= 0)
            ++begin;
    }
    if (begin < 0)
        return QString();
    qsizetype end = bytes.indexOf('\n', begin);
    if (end < 0)
        end = bytes.size();
    const std::string_view row(bytes.data() + begin, static_cast<size_t>(end - begin));
    for (size_t amp = row.find('&'); amp != std::string_view::npos; amp = row.find('&', amp + 1)) {
        const size_t semicolon = row.find(';', amp);
        if (semicolon == std::string_view::npos || semicolon - amp > 40)
            continue;
        const std::string_view name = row.substr(amp + 1, semicolon - amp - 1);
        if (name.empty() || name[0] == '#' || name == "lt" || name == "gt" || name == "amp" || name == "quot" || name == "apos")
            continue;
        if (std::all_of(name.begin(), name.end(), [](char c) {
                return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
            }))
            return text(name);
    }
    return QString();
}

// The kind of the formats the writer names instead of spelling out.
DateKind formatKind(QStringView format)
{
    struct Named {
        const char* name;
        DateKind kind;
    };
    static const Named kNamed[] = {
        {"General Date", DateKind::DateTime}, {"Long Date", DateKind::Date},   {"Medium Date", DateKind::Date},
        {"Short Date", DateKind::Date},       {"Long Time", DateKind::Time},   {"Medium Time", DateKind::Time},
        {"Short Time", DateKind::Time},       {"General", DateKind::None},     {"General Number", DateKind::None},
        {"Currency", DateKind::None},         {"Euro Currency", DateKind::None}, {"Fixed", DateKind::None},
        {"Standard", DateKind::None},         {"Percent", DateKind::None},     {"Scientific", DateKind::None},
        {"Yes/No", DateKind::None},           {"True/False", DateKind::None},  {"On/Off", DateKind::None},
    };
    const QStringView f = format.trimmed();
    for (const Named& n : kNamed)
        if (f.compare(QLatin1StringView(n.name), Qt::CaseInsensitive) == 0)
            return n.kind;
    return CellText::formatDateKind(f);
}

class Reader {
public:
    Reader(SheetCells& cells, const QString& path) : m_cells(cells), m_path(path) {}

    void read(const QByteArray& bytes)
    {
        QBuffer device;
        device.setData(bytes);
        device.open(QIODevice::ReadOnly);
        XmlScanner x(&device);
        while (!m_done) {
            Token token = Token::EndDocument;
            try {
                token = x.next();
            } catch (const XmlScanner::Error& e) {
                failXml(bytes, e);
            }
            if (token == Token::EndDocument)
                break;
            switch (token) {
            case Token::StartElement:
                ++m_depth;
                start(x);
                break;
            case Token::EndElement:
                end();
                --m_depth;
                break;
            case Token::Text:
                if (m_dataDepth > 0)
                    characters(x.text());
                break;
            case Token::EndDocument:
                break;
            }
        }
        if (!m_rooted)
            notSpreadsheet();
        if (m_worksheetDepth < 0)
            SheetMessages::fail(SheetMessages::file(m_path) + QStringLiteral(" ไม่มีแผ่นงาน (worksheet) ให้อ่าน หรือแฟ้มเสียหาย ")
                                + SheetMessages::askAgainOrResave());
    }

private:
    [[noreturn]] void notSpreadsheet()
    {
        SheetMessages::fail(SheetMessages::file(m_path) + QStringLiteral(" เป็นแฟ้ม XML ที่ไม่ใช่ตารางข้อมูล (XML Spreadsheet 2003) ")
                            + SheetMessages::saveAsReadable());
    }

    [[noreturn]] void failXml(const QByteArray& bytes, const XmlScanner::Error& e)
    {
        const QString where = QStringLiteral("บรรทัดที่ %1").arg(e.line);
        switch (e.kind) {
        case XmlScanner::Error::Kind::DocumentType:
            // Entity declarations have no place in a spreadsheet; refusing any
            // document type keeps an entity bomb from growing.
            SheetMessages::failDamaged(m_path, where + QStringLiteral(" ประกาศ DTD หรือ entity ซึ่งแฟ้มตารางข้อมูลไม่ใช้"));
        case XmlScanner::Error::Kind::Encoding:
            SheetMessages::failDamaged(m_path, where + QStringLiteral(" ใช้การเข้ารหัสอักขระที่อ่านไม่ได้"));
        case XmlScanner::Error::Kind::Malformed:
            break;
        }
        const QString entity = unknownEntity(bytes, e.line);
        if (!entity.isEmpty())
            SheetMessages::failDamaged(m_path, where + QStringLiteral(": อ้างถึง &") + entity
                                                   + QStringLiteral("; ซึ่งไม่ใช่อักขระที่ XML รู้จัก"));
        SheetMessages::failDamaged(m_path, where + QStringLiteral(": ข้อมูล XML ไม่ถูกต้องหรือขาดหาย"));
    }

    bool isSs(const XmlScanner& x, std::string_view name) const
    {
        return x.name() == name && x.namespaceUri() == m_ns;
    }

    void start(const XmlScanner& x)
    {
        if (m_depth == 1) {
            // The root names the form: Workbook of the spreadsheet namespace
            // (or of none, as some writers leave it).
            if (x.name() != "Workbook" || (x.namespaceUri() != kSs && !x.namespaceUri().empty()))
                notSpreadsheet();
            m_ns.assign(x.namespaceUri());
            m_rooted = true;
            return;
        }
        if (m_worksheetDepth < 0) {
            outside(x);
            return;
        }
        if (m_cellDepth > 0) {
            if (m_dataDepth < 0 && m_depth == m_cellDepth + 1 && isSs(x, "Data")) {
                m_dataDepth = m_depth;
                m_hasData = true;
                m_type = lowerType(attribute(x, "Type"));
                m_text.resize(0);
                m_bytes.clear();
            }
            return;
        }
        if (m_rowDepth > 0) {
            if (isSs(x, "Cell"))
                startCell(x);
            return;
        }
        if (isSs(x, "Row")) {
            const qint64 at = index(attribute(x, "Index"), SheetCells::kMaxRow);
            m_row = at > 0 ? at : m_nextRow;
            const qint64 span = index(attribute(x, "Span"), SheetCells::kMaxRow);
            m_nextRow = std::min<qint64>(m_row + 1 + span, SheetCells::kMaxRow + 1LL);
            m_rowStyle.assign(attribute(x, "StyleID"));
            m_rowDepth = m_depth;
            m_nextCol = 1;
        }
    }

    // Before the first worksheet: styles and the date system.
    void outside(const XmlScanner& x)
    {
        if (isSs(x, "Worksheet")) {
            m_worksheetDepth = m_depth;
        } else if (isSs(x, "Style")) {
            m_styleId.assign(attribute(x, "ID"));
            m_styleDepth = m_depth;
            if (!m_styleId.empty() && m_styles.size() < kMaxStyles)
                m_styles[m_styleId].parent.assign(attribute(x, "Parent"));
        } else if (m_styleDepth > 0 && isSs(x, "NumberFormat")) {
            const auto it = m_styleId.empty() ? m_styles.end() : m_styles.find(m_styleId);
            if (it != m_styles.end()) {
                it->second.kind = formatKind(text(attribute(x, "Format")));
                it->second.hasFormat = true;
            }
        } else if (x.name() == "Date1904" && x.namespaceUri() == kExcel) {
            m_cells.system1904 = true;
        }
    }

    void startCell(const XmlScanner& x)
    {
        const qint64 at = index(attribute(x, "Index"), SheetCells::kMaxColumn);
        m_col = at > 0 ? at : m_nextCol;
        const qint64 across = index(attribute(x, "MergeAcross"), SheetCells::kMaxColumn);
        m_nextCol = std::min<qint64>(m_col + 1 + across, SheetCells::kMaxColumn + 1LL);
        m_cellStyle.assign(attribute(x, "StyleID"));
        std::string_view formula = attribute(x, "Formula");
        if (!formula.empty() && formula[0] == '=')
            formula.remove_prefix(1);
        m_formula.assign(formula);
        m_cellDepth = m_depth;
        m_hasData = false;
        m_type.clear();
        m_text.resize(0);
        m_bytes.clear();
    }

    void end()
    {
        if (m_depth == m_dataDepth) {
            m_dataDepth = -1;
        } else if (m_depth == m_cellDepth) {
            finishCell();
            m_cellDepth = -1;
        } else if (m_depth == m_rowDepth) {
            m_rowDepth = -1;
        } else if (m_depth == m_styleDepth) {
            m_styleDepth = -1;
            m_styleId.clear();
        } else if (m_depth == m_worksheetDepth) {
            m_done = true;
        }
    }

    void flush() { ScannedText::moveInto(m_bytes, m_text, XmlSpreadsheetWorkbook::kMaxCellChars); }

    void characters(std::string_view t)
    {
        m_bytes.append(t);
        if (m_bytes.size() >= 64 * 1024)
            flush();
    }

    DateKind styleKind(const std::string& id)
    {
        const std::string* name = &id;
        for (int step = 0; step < 32 && !name->empty(); ++step) {
            const auto it = m_styles.find(*name);
            if (it == m_styles.end())
                break;
            if (it->second.hasFormat)
                return it->second.kind;
            name = &it->second.parent;
        }
        return DateKind::None;
    }

    DateKind cellKind()
    {
        static const std::string kDefault = "Default";
        if (!m_cellStyle.empty())
            return styleKind(m_cellStyle);
        if (!m_rowStyle.empty())
            return styleKind(m_rowStyle);
        return styleKind(kDefault);
    }

    void finishCell()
    {
        if (m_col > SheetCells::kMaxColumn || m_row > SheetCells::kMaxRow)
            return;
        const int row = static_cast<int>(m_row);
        const int col = static_cast<int>(m_col);
        if (!m_formula.empty())
            m_cells.addFormula(row, col, text(m_formula), m_hasData, cellKind());
        if (!m_hasData)
            return;
        const std::string_view type = m_type;
        if (type == "number") {
            // Text short enough to be whole in hand is read from its bytes.
            double v = 0;
            bool ok = false;
            if (m_text.isEmpty()) {
                ok = toDouble(m_bytes, v);
            } else {
                flush();
                v = QStringView(m_text).trimmed().toDouble(&ok);
            }
            if (ok) {
                m_cells.addNumber(row, col, v, cellKind());
                return;
            }
        }
        flush();
        if (type == "datetime") {
            IsoDates::DateTime when;
            if (IsoDates::parseDate(m_text, when)) {
                DateKind kind = cellKind();
                if (kind == DateKind::None)
                    kind = when.seconds != 0 ? DateKind::DateTime : DateKind::Date;
                IsoDates::addDate(m_cells, row, col, when, kind, true);
                return;
            }
        } else if (type == "boolean") {
            const QString b = m_text.trimmed().toLower();
            if (b == QLatin1String("1") || b == QLatin1String("true") || b == QLatin1String("0") || b == QLatin1String("false")) {
                m_cells.addBool(row, col, b == QLatin1String("1") || b == QLatin1String("true"));
                return;
            }
        } else if (type == "error") {
            m_cells.addError(row, col, QStringView(m_text).trimmed());
            return;
        }
        // String data, and data whose type does not hold: the text as written.
        m_cells.addText(row, col, m_text);
    }

    struct Style {
        std::string parent;
        DateKind kind = DateKind::None;
        bool hasFormat = false;
    };
    static constexpr size_t kMaxStyles = 1 << 20;

    SheetCells& m_cells;
    const QString& m_path;
    std::string m_ns;
    bool m_rooted = false;
    bool m_done = false;
    int m_depth = 0;
    int m_worksheetDepth = -1;
    int m_rowDepth = -1;
    int m_cellDepth = -1;
    int m_dataDepth = -1;
    int m_styleDepth = -1;
    // Names and values as the file spells them (UTF-8).
    std::string m_styleId;
    std::unordered_map<std::string, Style> m_styles;

    qint64 m_nextRow = 1;
    qint64 m_row = 1;
    std::string m_rowStyle;
    qint64 m_nextCol = 1;
    qint64 m_col = 1;
    std::string m_cellStyle;
    std::string m_formula;
    bool m_hasData = false;
    std::string m_type;
    QString m_text;
    std::string m_bytes;  // text not yet joined to m_text
};

}

void XmlSpreadsheetWorkbook::openData(const QByteArray& bytes, const QString& path)
{
    begin(path);
    try {
        m_cells.formulaSyntax = SheetCells::FormulaSyntax::R1C1;
        // Some web exporters put blank lines before the XML declaration, which
        // XML does not allow; the rest of such a file is whole, so the blanks
        // are passed over.
        qsizetype blank = 0;
        while (blank < bytes.size() && (bytes[blank] == ' ' || bytes[blank] == '\t' || bytes[blank] == '\r' || bytes[blank] == '\n'))
            ++blank;
        if (blank > 0 && QByteArrayView(bytes).sliced(blank).startsWith("<?xml"))
            Reader(m_cells, path).read(QByteArray::fromRawData(bytes.constData() + blank, bytes.size() - blank));
        else
            Reader(m_cells, path).read(bytes);
        done();
    } catch (const std::bad_alloc&) {
        close();
        SheetMessages::failOutOfMemory(path);
    } catch (...) {
        close();
        throw;
    }
}
