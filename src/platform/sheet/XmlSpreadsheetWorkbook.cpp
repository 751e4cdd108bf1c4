#include "XmlSpreadsheetWorkbook.h"

#include "IsoDates.h"
#include "SheetMessages.h"

#include <QBuffer>
#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

using DateKind = CellText::DateKind;

const QString kSs = QStringLiteral("urn:schemas-microsoft-com:office:spreadsheet");
const QString kExcel = QStringLiteral("urn:schemas-microsoft-com:office:excel");

// An attribute of the spreadsheet namespace; writers that leave the prefix
// off (an unqualified attribute has no namespace) are read the same.
QStringView attribute(const QXmlStreamAttributes& a, QLatin1StringView name)
{
    QStringView plain;
    for (const QXmlStreamAttribute& at : a) {
        if (at.name() != name)
            continue;
        if (at.namespaceUri() == kSs)
            return at.value();
        if (at.namespaceUri().isEmpty())
            plain = at.value();
    }
    return plain;
}

// A 1-based place (ss:Index), or 0 when absent or not a number.
qint64 index(QStringView v, qint64 max)
{
    bool ok = false;
    const qlonglong n = v.trimmed().toLongLong(&ok);
    if (!ok || n < 1)
        return 0;
    return std::min<qint64>(n, max + 1);
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
        // Through a device the reader decodes a block at a time; given the
        // bytes whole it would hold all of them decoded beside them.
        QBuffer device;
        device.setData(bytes);
        device.open(QIODevice::ReadOnly);
        QXmlStreamReader r(&device);
        while (!r.atEnd() && !m_done) {
            switch (r.readNext()) {
            case QXmlStreamReader::DTD:
                // Entity declarations have no place in a spreadsheet; refusing
                // them keeps an entity bomb from growing.
                if (!r.entityDeclarations().isEmpty() || !r.notationDeclarations().isEmpty())
                    SheetMessages::failDamaged(m_path, QStringLiteral("บรรทัดที่ %1 ประกาศ entity ซึ่งแฟ้มตารางข้อมูลไม่ใช้").arg(r.lineNumber()));
                break;
            case QXmlStreamReader::StartElement:
                ++m_depth;
                start(r);
                break;
            case QXmlStreamReader::EndElement:
                end(r);
                --m_depth;
                break;
            case QXmlStreamReader::Characters:
                if (m_dataDepth > 0 && m_text.size() < XmlSpreadsheetWorkbook::kMaxCellChars)
                    m_text.append(r.text().left(XmlSpreadsheetWorkbook::kMaxCellChars - m_text.size()));
                break;
            default:
                break;
            }
        }
        if (!m_done && r.hasError())
            SheetMessages::failDamaged(m_path, QStringLiteral("บรรทัดที่ %1: %2").arg(r.lineNumber()).arg(r.errorString()));
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

    bool isSs(const QXmlStreamReader& r, QLatin1StringView name) const
    {
        return r.name() == name && r.namespaceUri() == m_ns;
    }

    void start(const QXmlStreamReader& r)
    {
        if (m_depth == 1) {
            // The root names the form: Workbook of the spreadsheet namespace
            // (or of none, as some writers leave it).
            if (r.name() != QLatin1String("Workbook") || (r.namespaceUri() != kSs && !r.namespaceUri().isEmpty()))
                notSpreadsheet();
            m_ns = r.namespaceUri().toString();
            m_rooted = true;
            return;
        }
        if (m_worksheetDepth < 0) {
            outside(r);
            return;
        }
        if (m_cellDepth > 0) {
            if (m_dataDepth < 0 && m_depth == m_cellDepth + 1 && isSs(r, QLatin1String("Data"))) {
                m_dataDepth = m_depth;
                m_hasData = true;
                m_type = attribute(r.attributes(), QLatin1String("Type")).trimmed().toString();
                m_text.resize(0);
            }
            return;
        }
        if (m_rowDepth > 0) {
            if (isSs(r, QLatin1String("Cell")))
                startCell(r);
            return;
        }
        if (isSs(r, QLatin1String("Row"))) {
            const QXmlStreamAttributes a = r.attributes();
            const qint64 at = index(attribute(a, QLatin1String("Index")), SheetCells::kMaxRow);
            m_row = at > 0 ? at : m_nextRow;
            const qint64 span = index(attribute(a, QLatin1String("Span")), SheetCells::kMaxRow);
            m_nextRow = std::min<qint64>(m_row + 1 + span, SheetCells::kMaxRow + 1LL);
            m_rowStyle = attribute(a, QLatin1String("StyleID")).toString();
            m_rowDepth = m_depth;
            m_nextCol = 1;
        }
    }

    // Before the first worksheet: styles and the date system.
    void outside(const QXmlStreamReader& r)
    {
        if (isSs(r, QLatin1String("Worksheet"))) {
            m_worksheetDepth = m_depth;
        } else if (isSs(r, QLatin1String("Style"))) {
            const QXmlStreamAttributes a = r.attributes();
            m_styleId = attribute(a, QLatin1String("ID")).toString();
            m_styleDepth = m_depth;
            if (!m_styleId.isEmpty() && m_styles.size() < kMaxStyles)
                m_styles[m_styleId].parent = attribute(a, QLatin1String("Parent")).toString();
        } else if (m_styleDepth > 0 && isSs(r, QLatin1String("NumberFormat"))) {
            if (!m_styleId.isEmpty() && m_styles.contains(m_styleId)) {
                Style& s = m_styles[m_styleId];
                s.kind = formatKind(attribute(r.attributes(), QLatin1String("Format")));
                s.hasFormat = true;
            }
        } else if (r.name() == QLatin1String("Date1904") && r.namespaceUri() == kExcel) {
            m_cells.system1904 = true;
        }
    }

    void startCell(const QXmlStreamReader& r)
    {
        const QXmlStreamAttributes a = r.attributes();
        const qint64 at = index(attribute(a, QLatin1String("Index")), SheetCells::kMaxColumn);
        m_col = at > 0 ? at : m_nextCol;
        const qint64 across = index(attribute(a, QLatin1String("MergeAcross")), SheetCells::kMaxColumn);
        m_nextCol = std::min<qint64>(m_col + 1 + across, SheetCells::kMaxColumn + 1LL);
        m_cellStyle = attribute(a, QLatin1String("StyleID")).toString();
        const QStringView formula = attribute(a, QLatin1String("Formula"));
        m_formula = (formula.startsWith(u'=') ? formula.mid(1) : formula).toString();
        m_cellDepth = m_depth;
        m_hasData = false;
        m_type.clear();
        m_text.resize(0);
    }

    void end(const QXmlStreamReader&)
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

    DateKind styleKind(const QString& id)
    {
        QString name = id;
        for (int step = 0; step < 32 && !name.isEmpty(); ++step) {
            const auto it = m_styles.constFind(name);
            if (it == m_styles.constEnd())
                break;
            if (it->hasFormat)
                return it->kind;
            name = it->parent;
        }
        return DateKind::None;
    }

    DateKind cellKind()
    {
        if (!m_cellStyle.isEmpty())
            return styleKind(m_cellStyle);
        if (!m_rowStyle.isEmpty())
            return styleKind(m_rowStyle);
        return styleKind(QStringLiteral("Default"));
    }

    void finishCell()
    {
        if (m_col > SheetCells::kMaxColumn || m_row > SheetCells::kMaxRow)
            return;
        const int row = static_cast<int>(m_row);
        const int col = static_cast<int>(m_col);
        if (!m_formula.isEmpty())
            m_cells.addFormula(row, col, m_formula, m_hasData, cellKind());
        if (!m_hasData)
            return;
        const QString type = m_type.toLower();
        if (type == QLatin1String("number")) {
            bool ok = false;
            const double v = QStringView(m_text).trimmed().toDouble(&ok);
            if (ok) {
                m_cells.addNumber(row, col, v, cellKind());
                return;
            }
        } else if (type == QLatin1String("datetime")) {
            IsoDates::DateTime when;
            if (IsoDates::parseDate(m_text, when)) {
                DateKind kind = cellKind();
                if (kind == DateKind::None)
                    kind = when.seconds != 0 ? DateKind::DateTime : DateKind::Date;
                IsoDates::addDate(m_cells, row, col, when, kind, true);
                return;
            }
        } else if (type == QLatin1String("boolean")) {
            const QString b = m_text.trimmed().toLower();
            if (b == QLatin1String("1") || b == QLatin1String("true") || b == QLatin1String("0") || b == QLatin1String("false")) {
                m_cells.addBool(row, col, b == QLatin1String("1") || b == QLatin1String("true"));
                return;
            }
        } else if (type == QLatin1String("error")) {
            m_cells.addError(row, col, QStringView(m_text).trimmed());
            return;
        }
        // String data, and data whose type does not hold: the text as written.
        m_cells.addText(row, col, m_text);
    }

    struct Style {
        QString parent;
        DateKind kind = DateKind::None;
        bool hasFormat = false;
    };
    static constexpr qsizetype kMaxStyles = 1 << 20;

    SheetCells& m_cells;
    const QString& m_path;
    QString m_ns;
    bool m_rooted = false;
    bool m_done = false;
    int m_depth = 0;
    int m_worksheetDepth = -1;
    int m_rowDepth = -1;
    int m_cellDepth = -1;
    int m_dataDepth = -1;
    int m_styleDepth = -1;
    QString m_styleId;
    QHash<QString, Style> m_styles;

    qint64 m_nextRow = 1;
    qint64 m_row = 1;
    QString m_rowStyle;
    qint64 m_nextCol = 1;
    qint64 m_col = 1;
    QString m_cellStyle;
    QString m_formula;
    bool m_hasData = false;
    QString m_type;
    QString m_text;
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
