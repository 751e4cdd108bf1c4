#include "OdsWorkbook.h"

#include "FormulaCells.h"
#include "IsoDates.h"
#include "SheetMessages.h"
#include "ZipArchive.h"

#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using DateKind = CellText::DateKind;

const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kNumber = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0");
const QString kDraw = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
const QString kManifest = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
const QString kMeta = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:meta:1.0");
const QString kCalcExt = QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");

bool is(const QXmlStreamReader& r, const QString& ns, QLatin1StringView name)
{
    return r.name() == name && r.namespaceUri() == ns;
}

// A count attribute (number-rows-repeated, text:c): at least 1, at most `max`.
qint64 count(QStringView v, qint64 max)
{
    if (v.isEmpty())
        return 1;
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
    void start(const QXmlStreamReader& r)
    {
        if (r.namespaceUri() == kNumber) {
            if (r.name() == QLatin1String("date-style") || r.name() == QLatin1String("time-style")) {
                m_dataName = r.attributes().value(kStyle, QLatin1String("name")).toString();
                m_dataTime = r.name() == QLatin1String("time-style");
                m_dataHasTime = false;
                m_elapsed = r.attributes().value(kNumber, QLatin1String("truncate-on-overflow")) == QLatin1String("false");
                m_inData = true;
            } else if (m_inData && (r.name() == QLatin1String("hours") || r.name() == QLatin1String("minutes")
                                    || r.name() == QLatin1String("seconds") || r.name() == QLatin1String("am-pm"))) {
                m_dataHasTime = true;
            }
            return;
        }
        if (is(r, kStyle, QLatin1String("style"))) {
            const QXmlStreamAttributes a = r.attributes();
            if (a.value(kStyle, QLatin1String("family")) != QLatin1String("table-cell"))
                return;
            const QString name = a.value(kStyle, QLatin1String("name")).toString();
            if (!name.isEmpty() && m_cells.size() < kMaxStyles)
                m_cells.insert(name, {a.value(kStyle, QLatin1String("parent-style-name")).toString(),
                                      a.value(kStyle, QLatin1String("data-style-name")).toString()});
        }
    }

    void end(const QXmlStreamReader& r)
    {
        if (!m_inData || r.namespaceUri() != kNumber
            || (r.name() != QLatin1String("date-style") && r.name() != QLatin1String("time-style")))
            return;
        m_inData = false;
        if (m_dataName.isEmpty() || m_data.size() >= kMaxStyles)
            return;
        DateKind kind = DateKind::Date;
        if (m_dataTime)
            kind = m_elapsed ? DateKind::Elapsed : DateKind::Time;
        else if (m_dataHasTime)
            kind = DateKind::DateTime;
        m_data.insert(m_dataName, kind);
    }

    // What the cell style shows its numbers as (None for a plain number),
    // its own data style or the nearest parent's.
    DateKind kindOf(const QString& style)
    {
        if (style.isEmpty())
            return DateKind::None;
        const auto cached = m_kinds.constFind(style);
        if (cached != m_kinds.constEnd())
            return *cached;
        DateKind kind = DateKind::None;
        QString name = style;
        for (int step = 0; step < 32 && !name.isEmpty(); ++step) {
            const auto it = m_cells.constFind(name);
            if (it == m_cells.constEnd())
                break;
            if (!it->data.isEmpty()) {
                kind = m_data.value(it->data, DateKind::None);
                break;
            }
            name = it->parent;
        }
        if (m_kinds.size() < kMaxStyles)
            m_kinds.insert(style, kind);
        return kind;
    }

private:
    static constexpr qsizetype kMaxStyles = 1 << 20;
    struct CellStyle {
        QString parent;
        QString data;
    };
    QHash<QString, DateKind> m_data;
    QHash<QString, CellStyle> m_cells;
    QHash<QString, DateKind> m_kinds;
    QString m_dataName;
    bool m_inData = false;
    bool m_dataTime = false;
    bool m_dataHasTime = false;
    bool m_elapsed = false;
};

[[noreturn]] void failXml(const QString& path, const QString& part, const QXmlStreamReader& r)
{
    SheetMessages::failDamaged(path, QStringLiteral("ส่วน %1 บรรทัดที่ %2: %3").arg(part).arg(r.lineNumber()).arg(r.errorString()));
}

// Entity declarations have no place in a spreadsheet; refusing them keeps an
// entity bomb from growing.
void refuseEntities(const QXmlStreamReader& r, const QString& path, const QString& part)
{
    if (!r.entityDeclarations().isEmpty() || !r.notationDeclarations().isEmpty())
        SheetMessages::failDamaged(path, QStringLiteral("ส่วน %1 บรรทัดที่ %2 ประกาศ entity ซึ่งแฟ้มตารางข้อมูลไม่ใช้").arg(part).arg(r.lineNumber()));
}

// Ends the read of a part: a part cut short by the ZIP cap or damage says
// so; any other error is the XML's own, named with its line.
void checkPart(const QXmlStreamReader& r, const ZipArchive::Part& part, const QString& path, const QString& name)
{
    if (!r.hasError())
        return;
    part.check();
    failXml(path, name, r);
}

void readStyles(const ZipArchive& zip, const QString& path, Styles& styles)
{
    const QString name = zip.find(QStringLiteral("styles.xml"));
    if (name.isEmpty())
        return;
    std::unique_ptr<ZipArchive::Part> part = zip.open(name);
    QXmlStreamReader r(part.get());
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::DTD:
            refuseEntities(r, path, name);
            break;
        case QXmlStreamReader::StartElement:
            // The body of styles.xml holds page layouts, no cells.
            styles.start(r);
            break;
        case QXmlStreamReader::EndElement:
            styles.end(r);
            break;
        default:
            break;
        }
    }
    // A damaged styles.xml costs only the date formats it defines: the cells
    // are in content.xml.
}

// The program that last saved the file (meta.xml's generator), or "" when
// the file does not say.
QString generator(const ZipArchive& zip)
{
    const QString name = zip.find(QStringLiteral("meta.xml"));
    if (name.isEmpty())
        return QString();
    QByteArray bytes;
    try {
        bytes = zip.read(name, 4 << 20);
    } catch (const ZipArchive::Failure&) {
        return QString();
    }
    QXmlStreamReader r(bytes);
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::DTD && !r.entityDeclarations().isEmpty())
            return QString();
        if (token == QXmlStreamReader::StartElement && is(r, kMeta, QLatin1String("generator")))
            return r.readElementText(QXmlStreamReader::SkipChildElements).left(256);
    }
    return QString();
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
    QXmlStreamReader r(bytes);
    bool content = false;
    int depth = 0;
    int entryDepth = -1;
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::DTD && !r.entityDeclarations().isEmpty())
            return false;
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (is(r, kManifest, QLatin1String("file-entry"))) {
                entryDepth = depth;
                content = r.attributes().value(kManifest, QLatin1String("full-path")) == QLatin1String("content.xml");
            } else if (content && entryDepth > 0 && is(r, kManifest, QLatin1String("encryption-data"))) {
                return true;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == entryDepth) {
                entryDepth = -1;
                content = false;
            }
            --depth;
        }
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
        QXmlStreamReader r(part.get());
        while (!r.atEnd() && !m_done) {
            switch (r.readNext()) {
            case QXmlStreamReader::DTD:
                refuseEntities(r, m_path, name);
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
                if (m_paragraph > 0 && m_skip < 0)
                    characters(r.text());
                break;
            default:
                break;
            }
        }
        if (!m_done)
            checkPart(r, *part, m_path, name);
        return m_tableDepth > 0;
    }

private:
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
        QString style;
    };

    void start(const QXmlStreamReader& r)
    {
        if (m_cellDepth > 0) {
            cellElement(r);
            return;
        }
        if (m_tableDepth < 0) {
            if (m_bodyDepth < 0) {
                if (is(r, kOffice, QLatin1String("body")))
                    m_bodyDepth = m_depth;
                else
                    m_styles.start(r);
                return;
            }
            if (is(r, kOffice, QLatin1String("spreadsheet")) && m_spreadsheetDepth < 0) {
                m_spreadsheetDepth = m_depth;
            } else if (m_spreadsheetDepth > 0 && is(r, kTable, QLatin1String("null-date"))) {
                IsoDates::DateTime d;
                if (IsoDates::parseDate(r.attributes().value(kTable, QLatin1String("date-value")), d))
                    m_nullDate = static_cast<double>(IsoDates::daysFrom18991230(d.year, d.month, d.day));
            } else if (m_spreadsheetDepth > 0 && is(r, kTable, QLatin1String("table"))) {
                m_tableDepth = m_depth;
            }
            return;
        }
        if (r.namespaceUri() != kTable)
            return;
        if (r.name() == QLatin1String("table-column") && m_rowDepth < 0) {
            const QXmlStreamAttributes a = r.attributes();
            const qint64 n = count(a.value(kTable, QLatin1String("number-columns-repeated")), SheetCells::kMaxColumn);
            const QString style = a.value(kTable, QLatin1String("default-cell-style-name")).toString();
            if (!style.isEmpty() && m_nextColumnDef <= SheetCells::kMaxColumn)
                m_columnStyles.push_back({m_nextColumnDef, m_nextColumnDef + n - 1, style});
            m_nextColumnDef += n;
        } else if (r.name() == QLatin1String("table-row") && m_rowDepth < 0) {
            const QXmlStreamAttributes a = r.attributes();
            m_rowDepth = m_depth;
            m_rowRepeat = count(a.value(kTable, QLatin1String("number-rows-repeated")), SheetCells::kMaxRow);
            m_rowStyle = a.value(kTable, QLatin1String("default-cell-style-name")).toString();
            m_nextCol = 1;
            m_pending.clear();
        } else if (m_rowDepth > 0 && (r.name() == QLatin1String("table-cell") || r.name() == QLatin1String("covered-table-cell"))) {
            startCell(r);
        }
    }

    void end(const QXmlStreamReader& r)
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
                m_styles.end(r);
            return;
        }
        if (m_depth == m_rowDepth) {
            finishRow();
            m_rowDepth = -1;
        } else if (m_depth == m_tableDepth) {
            m_done = true;
        }
    }

    void startCell(const QXmlStreamReader& r)
    {
        const QXmlStreamAttributes a = r.attributes();
        m_cellDepth = m_depth;
        m_colRepeat = count(a.value(kTable, QLatin1String("number-columns-repeated")), SheetCells::kMaxColumn);
        m_valueType = a.value(kOffice, QLatin1String("value-type")).toString();
        m_calcType = a.value(kCalcExt, QLatin1String("value-type")).toString();
        m_cellStyle = a.value(kTable, QLatin1String("style-name")).toString();
        m_formula = a.value(kTable, QLatin1String("formula")).toString();
        m_hasFormula = a.hasAttribute(kTable, QLatin1String("formula"));
        m_value = a.value(kOffice, QLatin1String("value")).toString();
        m_hasValue = a.hasAttribute(kOffice, QLatin1String("value"));
        m_dateValue = a.value(kOffice, QLatin1String("date-value")).toString();
        m_timeValue = a.value(kOffice, QLatin1String("time-value")).toString();
        m_boolValue = a.value(kOffice, QLatin1String("boolean-value")).toString();
        m_stringValue = a.value(kOffice, QLatin1String("string-value")).toString();
        m_hasStringValue = a.hasAttribute(kOffice, QLatin1String("string-value"));
        m_text.resize(0);
        m_paragraphs = 0;
        m_paragraph = -1;
        m_skip = -1;
    }

    // An element inside a cell: its paragraphs and what they hold.
    void cellElement(const QXmlStreamReader& r)
    {
        if (m_skip > 0)
            return;
        const QStringView ns = r.namespaceUri();
        if (m_paragraph < 0) {
            if (m_depth == m_cellDepth + 1 && ns == kText && (r.name() == QLatin1String("p") || r.name() == QLatin1String("h"))) {
                if (m_paragraphs++ > 0)
                    append(u"\n", 1);
                m_paragraph = m_depth;
            }
            // Anything else in a cell (a comment, a drawing) is not its value.
            return;
        }
        // Drawings, notes and comments anchored in the text are not the text.
        if (ns == kDraw || (ns == kOffice && r.name() == QLatin1String("annotation"))
            || (ns == kText && (r.name() == QLatin1String("note") || r.name() == QLatin1String("ruby-text")))) {
            m_skip = m_depth;
            return;
        }
        if (ns != kText)
            return;
        if (r.name() == QLatin1String("s")) {
            const qint64 n = count(r.attributes().value(kText, QLatin1String("c")), OdsWorkbook::kMaxCellChars);
            spaces(n);
        } else if (r.name() == QLatin1String("tab")) {
            append(u"\t", 1);
        } else if (r.name() == QLatin1String("line-break")) {
            append(u"\n", 1);
        }
    }

    void spaces(qint64 n)
    {
        const qint64 room = std::max<qint64>(0, OdsWorkbook::kMaxCellChars - m_text.size());
        n = std::min(n, room);
        if (n > 0)
            m_text.append(QString(static_cast<qsizetype>(n), QLatin1Char(' ')));
    }

    void append(const char16_t* s, qsizetype n)
    {
        if (m_text.size() + n <= OdsWorkbook::kMaxCellChars)
            m_text.append(QStringView(s, n));
    }

    // Characters as written: LibreOffice keeps white space in a cell's
    // paragraph as it stands (spaces it writes itself come as <text:s/>).
    void characters(QStringView t)
    {
        const qsizetype room = OdsWorkbook::kMaxCellChars - m_text.size();
        if (room > 0)
            m_text.append(t.left(room));
    }

    DateKind styleKind(qint64 col)
    {
        if (!m_cellStyle.isEmpty())
            return m_styles.kindOf(m_cellStyle);
        if (!m_rowStyle.isEmpty())
            return m_styles.kindOf(m_rowStyle);
        auto it = std::upper_bound(m_columnStyles.begin(), m_columnStyles.end(), col,
                                   [](qint64 c, const ColumnStyle& s) { return c < s.first; });
        if (it != m_columnStyles.begin() && col <= (it - 1)->last)
            return m_styles.kindOf((it - 1)->style);
        return m_styles.kindOf(QStringLiteral("Default"));
    }

    void finishCell()
    {
        const qint64 col = m_nextCol;
        m_nextCol = std::min<qint64>(m_nextCol + m_colRepeat, SheetCells::kMaxColumn + 1LL);
        if (col > SheetCells::kMaxColumn)
            return;
        Pending p;
        p.col = static_cast<int>(col);
        p.repeat = m_colRepeat;
        if (m_hasFormula) {
            // "of:=SUM([.A1:.A3])": the formula without its namespace and "=".
            QStringView f = m_formula;
            const qsizetype mark = f.indexOf(u":=");
            if (mark >= 0 && mark < 16 && !f.left(mark).contains(u'"') && !f.left(mark).contains(u'('))
                f = f.mid(mark + 2);
            else if (f.startsWith(u'='))
                f = f.mid(1);
            p.formula = f.toString();
            p.formulaDate = styleKind(col);
            p.hasResult = m_hasValue || m_hasStringValue || !m_dateValue.isEmpty() || !m_timeValue.isEmpty()
                          || !m_boolValue.isEmpty();
        }
        const QString& shown = m_hasStringValue ? m_stringValue : m_text;
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
        if (m_hasFormula && (m_calcType == QLatin1String("error") || isErrorName(shown) || isErrorName(m_text))) {
            p.kind = Pending::Kind::Error;
            const QString& name = isErrorName(m_text) || shown.isEmpty() ? m_text : shown;
            p.text = m_cells.addString(name.isEmpty() ? QStringLiteral("#ERROR") : name);
            return true;
        }
        const QStringView type = m_valueType;
        if (type == QLatin1String("float") || type == QLatin1String("percentage") || type == QLatin1String("currency")) {
            bool ok = false;
            const double v = QStringView(m_value).trimmed().toDouble(&ok);
            if (!ok)
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
        if (type == QLatin1String("date")) {
            if (!IsoDates::parseDate(m_dateValue, p.when))
                return false;
            const DateKind kind = styleKind(col);
            p.kind = Pending::Kind::Date;
            p.date = kind != DateKind::None ? kind : p.when.hasTime ? DateKind::DateTime : DateKind::Date;
            return true;
        }
        if (type == QLatin1String("time")) {
            double days = 0;
            if (!IsoDates::parseDuration(m_timeValue, days))
                return false;
            p.kind = Pending::Kind::Number;
            p.number = days;
            p.date = styleKind(col) == DateKind::Elapsed ? DateKind::Elapsed : DateKind::Time;
            return true;
        }
        if (type == QLatin1String("boolean")) {
            const QString b = m_boolValue.trimmed().toLower();
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
    QString m_rowStyle;
    qint64 m_nextCol = 1;
    qint64 m_nextColumnDef = 1;
    std::vector<ColumnStyle> m_columnStyles;
    std::vector<Pending> m_pending;
    qint64 m_repeated = 0;

    qint64 m_colRepeat = 1;
    QString m_valueType, m_calcType, m_cellStyle, m_formula, m_value, m_dateValue, m_timeValue, m_boolValue, m_stringValue;
    bool m_hasFormula = false;
    bool m_hasValue = false;
    bool m_hasStringValue = false;
    QString m_text;
    int m_paragraphs = 0;
};

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
            SheetMessages::fail(SheetMessages::file(path) + QStringLiteral(" ไม่มีแผ่นงาน (worksheet) ให้อ่าน หรือแฟ้มเสียหาย ")
                                + SheetMessages::askAgainOrResave());
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
