#include "HtmlWorkbook.h"

#include "MhtmlDocument.h"
#include "SheetMessages.h"
#include "TextDecoding.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <QHash>
#include <QUtf8StringView>

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr qsizetype kPiece = 1 << 20;
// The style sheet kept for class rules; a page's own is a few kilobytes.
constexpr qsizetype kMaxCss = 4 << 20;
// What the parser may hold of one unfinished tag, comment or text run.
constexpr ptrdiff_t kMaxPending = 64 << 20;
// HTML's own limits on spans.
constexpr int kMaxColspan = 1000;
constexpr int kMaxRowspan = 65534;
// An end tag is matched this deep at most: the parser closes what it opened.
constexpr size_t kMaxUnwind = 256;

enum class Space : uint8_t { Inherit, Collapse, Pre, PreLine };
enum class Format : uint8_t { Inherit, General, Text, Date };

// What a style says about a cell's text.
struct Style {
    Space space = Space::Inherit;
    Format format = Format::Inherit;
    CellText::DateKind date = CellText::DateKind::None;

    void over(const Style& s)
    {
        if (s.space != Space::Inherit)
            space = s.space;
        if (s.format != Format::Inherit) {
            format = s.format;
            date = s.date;
        }
    }
};

QString unescapeCss(QStringView v)
{
    v = v.trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    QString out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] == u'\\' && i + 1 < v.size())
            ++i;
        out += v[i];
    }
    return out;
}

Style numberFormat(const QString& f)
{
    Style s;
    const QString l = f.trimmed().toLower();
    if (l == u"@") {
        s.format = Format::Text;
        return s;
    }
    s.format = Format::General;
    if (l == u"general" || l == u"fixed" || l == u"standard" || l == u"percent" || l == u"scientific")
        return s;
    if (l == u"short date" || l == u"medium date" || l == u"long date")
        s.date = CellText::DateKind::Date;
    else if (l == u"general date")
        s.date = CellText::DateKind::DateTime;
    else if (l == u"short time" || l == u"medium time" || l == u"long time")
        s.date = CellText::DateKind::Time;
    else
        s.date = CellText::formatDateKind(f);
    if (s.date != CellText::DateKind::None)
        s.format = Format::Date;
    return s;
}

// The declarations of one style attribute or rule body.
Style parseDeclarations(QStringView css)
{
    Style s;
    qsizetype i = 0;
    const qsizetype n = css.size();
    while (i < n) {
        // One declaration, up to a ";" outside quotes and not escaped.
        const qsizetype begin = i;
        QChar quote;
        for (; i < n; ++i) {
            const QChar c = css[i];
            if (c == u'\\') {
                ++i;
                continue;
            }
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u';') {
                break;
            }
        }
        const QStringView decl = css.mid(begin, std::min(i, n) - begin);
        ++i;
        const qsizetype colon = decl.indexOf(u':');
        if (colon <= 0)
            continue;
        const QString name = decl.left(colon).trimmed().toString().toLower();
        const QStringView value = decl.mid(colon + 1).trimmed();
        if (name == u"white-space") {
            const QString v = value.toString().toLower();
            if (v.startsWith(u"pre-line"))
                s.space = Space::PreLine;
            else if (v.startsWith(u"pre"))  // pre, pre-wrap
                s.space = Space::Pre;
            else
                s.space = Space::Collapse;
        } else if (name == u"mso-spacerun") {
            if (value.toString().toLower().contains(u"yes"))
                s.space = Space::Pre;
        } else if (name == u"mso-number-format") {
            const Style f = numberFormat(unescapeCss(value));
            s.format = f.format;
            s.date = f.date;
        }
    }
    return s;
}

// Class rules of a style sheet: ".xl65 {...}" and "td.xl65 {...}"; other
// selectors do not name a class and are left out.
void parseStyleSheet(const QString& sheet, QHash<QString, Style>& classes)
{
    QString css = sheet;
    // Comments, and the HTML comment marks pages wrap their style sheet in.
    for (qsizetype a = css.indexOf(u"/*"); a >= 0; a = css.indexOf(u"/*", a)) {
        const qsizetype b = css.indexOf(u"*/", a + 2);
        css.remove(a, b < 0 ? css.size() - a : b + 2 - a);
    }
    css.replace(QStringLiteral("<!--"), QStringLiteral(" "));
    css.replace(QStringLiteral("-->"), QStringLiteral(" "));
    qsizetype i = 0;
    while (i < css.size()) {
        const qsizetype open = css.indexOf(u'{', i);
        if (open < 0)
            return;
        const QString selectors = css.mid(i, open - i).trimmed();
        // The block up to its matching brace (an @media block holds rules).
        int depth = 0;
        qsizetype close = open;
        for (; close < css.size(); ++close) {
            if (css[close] == u'{')
                ++depth;
            else if (css[close] == u'}' && --depth == 0)
                break;
        }
        const QStringView body = QStringView(css).mid(open + 1, std::max<qsizetype>(0, close - open - 1));
        i = close + 1;
        if (selectors.startsWith(u'@'))
            continue;
        const Style s = parseDeclarations(body);
        for (const QString& sel : selectors.split(u',')) {
            const QString t = sel.trimmed();
            const qsizetype dot = t.indexOf(u'.');
            if (dot < 0 || t.indexOf(u'.', dot + 1) >= 0)
                continue;
            const QString name = t.mid(dot + 1);
            const bool simple = std::all_of(name.begin(), name.end(),
                                            [](QChar c) { return c.isLetterOrNumber() || c == u'-' || c == u'_'; })
                                && std::all_of(t.begin(), t.begin() + dot, [](QChar c) { return c.isLetter(); });
            if (simple && !name.isEmpty())
                classes[name.toLower()].over(s);
        }
    }
}

enum class Kind : uint8_t { Other, Table, Row, Cell, Break, Block, Style, Script };

Kind kindOf(const char* name)
{
    switch (std::strlen(name)) {
    case 1:
        return name[0] == 'p' ? Kind::Block : Kind::Other;
    case 2:
        if (name[0] == 't' && (name[1] == 'd' || name[1] == 'h'))
            return Kind::Cell;
        if (name[0] == 't' && name[1] == 'r')
            return Kind::Row;
        if (name[0] == 'b' && name[1] == 'r')
            return Kind::Break;
        if (name[0] == 'l' && name[1] == 'i')
            return Kind::Block;
        if (name[0] == 'h' && name[1] >= '1' && name[1] <= '6')
            return Kind::Block;
        return Kind::Other;
    case 3:
        return std::strcmp(name, "div") == 0 ? Kind::Block : Kind::Other;
    case 5:
        if (std::strcmp(name, "table") == 0)
            return Kind::Table;
        return std::strcmp(name, "style") == 0 ? Kind::Style : Kind::Other;
    case 6:
        return std::strcmp(name, "script") == 0 ? Kind::Script : Kind::Other;
    default:
        return Kind::Other;
    }
}

// The page's events in, the first table's cells out.
class TableReader {
public:
    TableReader(SheetCells& cells, const QString& path) : m_cells(cells), m_path(path) {}

    void parse(const QByteArray& utf8Pieces, bool last);
    void start(const QByteArray& firstPiece);
    void finish();

    bool foundTable() const { return m_state != State::Before; }

private:
    enum class State { Before, In, After };

    struct Open {
        const xmlChar* name;  // the parser's own copy, alive as long as it is
        Kind kind;
        Style style;  // as it applies here, inherited
    };

    struct CellAttrs {
        bool num = false, str = false, boolean = false, err = false, fmla = false, sdval = false;
        QString numValue, strValue, boolValue, errValue, fmlaValue, sdvalValue, sdnumFormat;
        int colspan = 1;
        int rowspan = 1;
    };

    static TableReader* of(void* ctx) { return static_cast<TableReader*>(static_cast<htmlParserCtxtPtr>(ctx)->_private); }
    static void onStart(void* ctx, const xmlChar* name, const xmlChar** attrs);
    static void onEnd(void* ctx, const xmlChar* name);
    static void onText(void* ctx, const xmlChar* text, int len);
    static void onIgnore(void*, const char*, ...) {}

    void startElement(const xmlChar* name, const xmlChar** attrs);
    void endElement(const xmlChar* name);
    void text(const char* s, int len);
    template<typename F>
    void guard(const F& f);

    Style styleOf(const xmlChar** attrs, const Style& parent);
    void startRow();
    void startCell(const xmlChar** attrs);
    void endCell();
    void put(char16_t c);
    [[noreturn]] void failLongCell();
    void flushPending();

    SheetCells& m_cells;
    const QString& m_path;
    htmlParserCtxtPtr m_ctxt = nullptr;
    htmlSAXHandler m_sax{};

    State m_state = State::Before;
    std::vector<Open> m_open;
    int m_tableDepth = 0;
    QString m_css;
    bool m_inStyle = false;
    QHash<QString, Style> m_classes;
    QHash<QByteArray, Style> m_styleCache;

    // Placement.
    int m_row = 0;
    int m_col = 1;
    std::vector<int> m_spanUntil;  // per column, the last row a rowspan above covers

    // The cell being read.
    bool m_inCell = false;
    int m_cellRow = 0;
    int m_cellCol = 0;
    Style m_cellStyle;
    CellAttrs m_attrs;
    QString m_text;
    bool m_pendingSpace = false;
    bool m_pendingBreak = false;
    bool m_afterCr = false;

    // What stopped the parse, thrown once the parser has returned.
    std::exception_ptr m_failure;

public:
    ~TableReader()
    {
        if (m_ctxt)
            htmlFreeParserCtxt(m_ctxt);
    }
};

template<typename F>
void TableReader::guard(const F& f)
{
    if (m_failure)
        return;
    try {
        f();
    } catch (...) {
        // Nothing may unwind through the parser's frames: stop it and throw later.
        m_failure = std::current_exception();
        xmlStopParser(m_ctxt);
    }
}

void TableReader::onStart(void* ctx, const xmlChar* name, const xmlChar** attrs)
{
    TableReader* r = of(ctx);
    r->guard([&] { r->startElement(name, attrs); });
}

void TableReader::onEnd(void* ctx, const xmlChar* name)
{
    TableReader* r = of(ctx);
    r->guard([&] { r->endElement(name); });
}

void TableReader::onText(void* ctx, const xmlChar* text, int len)
{
    TableReader* r = of(ctx);
    r->guard([&] { r->text(reinterpret_cast<const char*>(text), len); });
}

void TableReader::start(const QByteArray& firstPiece)
{
    m_sax.startElement = &TableReader::onStart;
    m_sax.endElement = &TableReader::onEnd;
    m_sax.characters = &TableReader::onText;
    m_sax.cdataBlock = &TableReader::onText;
    m_sax.ignorableWhitespace = &TableReader::onText;
    m_sax.warning = &TableReader::onIgnore;
    m_sax.error = &TableReader::onIgnore;
    m_sax.fatalError = &TableReader::onIgnore;
    const int n = static_cast<int>(std::min<qsizetype>(firstPiece.size(), 4));
    m_ctxt = htmlCreatePushParserCtxt(&m_sax, nullptr, firstPiece.constData(), n, nullptr, XML_CHAR_ENCODING_UTF8);
    if (!m_ctxt)
        throw std::bad_alloc();
    m_ctxt->_private = this;
    m_ctxt->userData = m_ctxt;
    // The text arrives as UTF-8 whatever the page says; nothing is fetched.
    htmlCtxtUseOptions(m_ctxt, HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_RECOVER
                                   | HTML_PARSE_IGNORE_ENC | HTML_PARSE_NODEFDTD);
    m_ctxt->sax->warning = &TableReader::onIgnore;
    m_ctxt->sax->error = &TableReader::onIgnore;
    m_ctxt->sax->fatalError = &TableReader::onIgnore;
    if (firstPiece.size() > n)
        parse(firstPiece.mid(n), false);
}

void TableReader::parse(const QByteArray& piece, bool last)
{
    if (m_failure || m_state == State::After || m_ctxt->disableSAX)
        return;
    htmlParseChunk(m_ctxt, piece.constData(), static_cast<int>(piece.size()), last ? 1 : 0);
    if (m_failure)
        std::rethrow_exception(m_failure);
    // Text the parser holds back waiting for the end of one tag, comment or
    // run of text: no page of a sheet has one this long.
    const xmlParserInputPtr in = m_ctxt->input;
    if (in && in->cur && in->end && in->end - in->cur > kMaxPending)
        SheetMessages::failDamaged(m_path, QStringLiteral("มีแท็ก หมายเหตุ หรือข้อความที่ไม่มีจุดจบยาวกว่า 64 MB"));
}

void TableReader::finish()
{
    if (m_failure)
        std::rethrow_exception(m_failure);
    if (m_inCell)
        endCell();
}

Style TableReader::styleOf(const xmlChar** attrs, const Style& parent)
{
    if (!attrs)
        return parent;
    const char* style = nullptr;
    const char* classes = nullptr;
    for (const xmlChar** a = attrs; a[0]; a += 2) {
        if (!a[1])
            continue;
        if (xmlStrcasecmp(a[0], BAD_CAST "style") == 0)
            style = reinterpret_cast<const char*>(a[1]);
        else if (xmlStrcasecmp(a[0], BAD_CAST "class") == 0 && !m_classes.isEmpty())
            classes = reinterpret_cast<const char*>(a[1]);
    }
    if (!style && !classes)
        return parent;
    // Pages repeat a few styles many times: each is worked out once.
    QByteArray key = classes ? QByteArray(classes) : QByteArray();
    key += '\0';
    if (style)
        key += style;
    auto it = m_styleCache.constFind(key);
    if (it == m_styleCache.constEnd()) {
        Style own;
        if (classes) {
            for (const QString& c : QString::fromUtf8(classes).toLower().split(u' ', Qt::SkipEmptyParts)) {
                const auto found = m_classes.constFind(c);
                if (found != m_classes.constEnd())
                    own.over(*found);
            }
        }
        if (style)
            own.over(parseDeclarations(QString::fromUtf8(style)));
        if (m_styleCache.size() > 10000)
            m_styleCache.clear();
        it = m_styleCache.insert(key, own);
    }
    Style s = parent;
    s.over(*it);
    return s;
}

void TableReader::startElement(const xmlChar* name, const xmlChar** attrs)
{
    if (m_state == State::After)
        return;
    const Kind kind = kindOf(reinterpret_cast<const char*>(name));
    const Style parent = m_open.empty() ? Style{Space::Collapse, Format::Inherit} : m_open.back().style;
    m_open.push_back({name, kind, kind == Kind::Break ? parent : styleOf(attrs, parent)});
    if (kind == Kind::Style)
        m_inStyle = true;
    if (m_state == State::Before) {
        if (kind == Kind::Table) {
            m_state = State::In;
            m_tableDepth = 1;
            return;
        }
        if (kind != Kind::Row && kind != Kind::Cell)
            return;
        // Rows written without their table (a fragment) are the table, to the end.
        m_state = State::In;
        m_tableDepth = 1;
    } else if (kind == Kind::Table) {
        ++m_tableDepth;
    }
    if (m_tableDepth == 1 && kind == Kind::Row) {
        if (m_inCell)
            endCell();
        startRow();
        return;
    }
    if (m_tableDepth == 1 && kind == Kind::Cell) {
        if (m_inCell)
            endCell();
        startCell(attrs);
        return;
    }
    if (!m_inCell)
        return;
    switch (kind) {
    case Kind::Break:
        m_pendingSpace = false;
        m_pendingBreak = false;
        put(u'\n');
        break;
    case Kind::Block:
        m_pendingBreak = true;
        break;
    case Kind::Table:
    case Kind::Row:
    case Kind::Cell:
        // A table inside a cell is that cell's text, its cells apart.
        m_pendingSpace = true;
        break;
    default:
        break;
    }
}

void TableReader::endElement(const xmlChar* name)
{
    // The element closed is the innermost open one of that name.
    size_t k = m_open.size();
    const size_t stop = m_open.size() > kMaxUnwind ? m_open.size() - kMaxUnwind : 0;
    while (k > stop && !xmlStrEqual(m_open[k - 1].name, name))
        --k;
    if (k == stop)
        return;
    const Kind kind = m_open[k - 1].kind;
    m_open.resize(k - 1);
    if (kind == Kind::Style && m_inStyle) {
        m_inStyle = false;
        parseStyleSheet(m_css, m_classes);
        m_css.clear();
    }
    if (m_state != State::In)
        return;
    switch (kind) {
    case Kind::Table:
        if (--m_tableDepth == 0) {
            if (m_inCell)
                endCell();
            m_state = State::After;
            xmlStopParser(m_ctxt);
        } else if (m_inCell) {
            m_pendingSpace = true;
        }
        break;
    case Kind::Cell:
        if (m_tableDepth == 1 && m_inCell)
            endCell();
        else if (m_inCell)
            m_pendingSpace = true;
        break;
    case Kind::Row:
        if (m_tableDepth == 1 && m_inCell)
            endCell();
        else if (m_inCell)
            m_pendingSpace = true;
        break;
    case Kind::Block:
        if (m_inCell)
            m_pendingBreak = true;
        break;
    default:
        break;
    }
}

void TableReader::text(const char* s, int len)
{
    if (m_inStyle) {
        if (m_css.size() < kMaxCss)
            m_css += QString::fromUtf8(s, len);
        return;
    }
    if (!m_inCell || (!m_open.empty() && m_open.back().kind == Kind::Script))
        return;
    const Space space = m_open.empty() ? Space::Collapse : m_open.back().style.space;
    const QString t = QString::fromUtf8(s, len);
    for (const QChar ch : t) {
        const char16_t c = ch.unicode();
        // CR LF is one line break, as a lone CR is.
        const bool lfAfterCr = c == u'\n' && m_afterCr;
        m_afterCr = c == u'\r';
        if (lfAfterCr)
            continue;
        const bool white = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
        if (space == Space::Pre) {
            flushPending();
            put(c == u'\r' ? u'\n' : c == 0xA0 ? u' ' : c);
        } else if (space == Space::PreLine && (c == u'\n' || c == u'\r')) {
            m_pendingSpace = false;
            flushPending();
            put(u'\n');
        } else if (white) {
            m_pendingSpace = true;
        } else {
            flushPending();
            // A no-break space is a space that is kept.
            put(c == 0xA0 ? u' ' : c);
        }
    }
}

void TableReader::flushPending()
{
    if (m_pendingBreak) {
        if (!m_text.isEmpty() && !m_text.endsWith(u'\n'))
            put(u'\n');
        m_pendingBreak = false;
        m_pendingSpace = false;
    }
    if (m_pendingSpace) {
        if (!m_text.isEmpty() && !m_text.endsWith(u'\n'))
            put(u' ');
        m_pendingSpace = false;
    }
}

void TableReader::put(char16_t c)
{
    if (m_text.size() >= HtmlWorkbook::kMaxCellText)
        failLongCell();
    m_text += QChar(c);
}

void TableReader::failLongCell()
{
    SheetMessages::failCell(m_path, m_cellRow, m_cellCol,
                            QStringLiteral("มีข้อความยาวเกิน 32,767 ตัวอักษร ซึ่งเกินกว่าที่เซลล์หนึ่งในโปรแกรมตารางคำนวณเก็บได้ "
                                           "กรุณาตรวจแฟ้มที่ได้จาก SAP"));
}

void TableReader::startRow()
{
    if (m_row <= SheetCells::kMaxRow)
        ++m_row;
    m_col = 1;
}

int spanValue(const xmlChar* v, int most)
{
    if (!v)
        return 1;
    long n = 0;
    const char* p = reinterpret_cast<const char*>(v);
    while (*p == ' ')
        ++p;
    for (; *p >= '0' && *p <= '9'; ++p)
        if ((n = n * 10 + (*p - '0')) > most)
            return most;
    return n < 1 ? 1 : static_cast<int>(n);
}

void TableReader::startCell(const xmlChar** attrs)
{
    if (m_row == 0)
        startRow();  // a cell before any row begins one
    m_attrs = CellAttrs();
    if (attrs) {
        for (const xmlChar** a = attrs; a[0]; a += 2) {
            const char* n = reinterpret_cast<const char*>(a[0]);
            const QString v = a[1] ? QString::fromUtf8(reinterpret_cast<const char*>(a[1])) : QString();
            if (xmlStrcasecmp(a[0], BAD_CAST "colspan") == 0) {
                m_attrs.colspan = spanValue(a[1], kMaxColspan);
            } else if (xmlStrcasecmp(a[0], BAD_CAST "rowspan") == 0) {
                m_attrs.rowspan = spanValue(a[1], kMaxRowspan);
            } else if (strcasecmp(n, "x:num") == 0) {
                m_attrs.num = true;
                m_attrs.numValue = v;
            } else if (strcasecmp(n, "x:str") == 0) {
                m_attrs.str = true;
                m_attrs.strValue = v;
            } else if (strcasecmp(n, "x:bool") == 0) {
                m_attrs.boolean = true;
                m_attrs.boolValue = v;
            } else if (strcasecmp(n, "x:err") == 0) {
                m_attrs.err = true;
                m_attrs.errValue = v;
            } else if (strcasecmp(n, "x:fmla") == 0) {
                m_attrs.fmla = true;
                m_attrs.fmlaValue = v;
            } else if (strcasecmp(n, "sdval") == 0) {
                // LibreOffice's: the value, and "language;language;format".
                m_attrs.sdval = true;
                m_attrs.sdvalValue = v;
            } else if (strcasecmp(n, "sdnum") == 0) {
                m_attrs.sdnumFormat = v.section(u';', 2);
            }
        }
    }
    // Past the columns a rowspan above still covers.
    const int maxCol = SheetCells::kMaxColumn + 1;
    if (m_spanUntil.empty())
        m_spanUntil.assign(static_cast<size_t>(maxCol) + 1, 0);
    while (m_col < maxCol && m_spanUntil[static_cast<size_t>(m_col)] >= m_row)
        ++m_col;
    m_cellRow = m_row;
    m_cellCol = m_col;
    if (m_attrs.rowspan > 1)
        for (int c = m_col; c < std::min(maxCol, m_col + m_attrs.colspan); ++c)
            m_spanUntil[static_cast<size_t>(c)] = std::max(m_spanUntil[static_cast<size_t>(c)], m_row + m_attrs.rowspan - 1);
    m_col = std::min(maxCol, m_col + m_attrs.colspan);
    m_cellStyle = m_open.back().style;
    m_afterCr = false;
    m_inCell = true;
    m_text.clear();
    m_pendingSpace = false;
    m_pendingBreak = false;
}

bool toDouble(const QString& s, double& v)
{
    bool ok = false;
    v = QStringView(s).trimmed().toDouble(&ok);
    return ok;
}

void TableReader::endCell()
{
    m_inCell = false;
    if (m_cells.cellCount() >= HtmlWorkbook::kMaxCells)
        SheetMessages::fail(SheetMessages::file(m_path)
                            + QStringLiteral(" มีเซลล์ที่มีข้อมูลเกิน 20,000,000 เซลล์ มากเกินกว่าจะเป็นรายการเช็คจาก SAP จึงไม่อ่าน "
                                             "กรุณาตรวจแฟ้มที่ได้จาก SAP"));
    const int row = m_cellRow;
    const int col = m_cellCol;
    if (m_cellStyle.space != Space::Pre) {
        // A line break at the very end shows no line (LibreOffice marks an
        // empty cell with one), and a cell of nothing but (no-break) spaces shows nothing.
        if (m_text.endsWith(u'\n'))
            m_text.chop(1);
        if (std::all_of(m_text.begin(), m_text.end(), [](QChar c) { return c == u' '; }))
            m_text.clear();
    }
    if (!m_attrs.sdnumFormat.isEmpty()) {
        const Style f = numberFormat(m_attrs.sdnumFormat);
        if (m_cellStyle.format == Format::Inherit || m_cellStyle.format == Format::General) {
            m_cellStyle.format = f.format;
            m_cellStyle.date = f.date;
        }
    }
    const QString& text = m_text;
    if (m_attrs.fmla) {
        const QString f = m_attrs.fmlaValue.startsWith(u'=') ? m_attrs.fmlaValue.mid(1) : m_attrs.fmlaValue;
        m_cells.addFormula(row, col, f, true);
    }
    if (m_attrs.err) {
        m_cells.addError(row, col, m_attrs.errValue.isEmpty() ? text : m_attrs.errValue);
        return;
    }
    if (m_attrs.sdval && !m_attrs.num && !m_attrs.str && m_cellStyle.format != Format::Text) {
        double v;
        if (toDouble(m_attrs.sdvalValue, v)) {
            m_cells.addNumber(row, col, v, m_cellStyle.format == Format::Date ? m_cellStyle.date : CellText::DateKind::None);
            return;
        }
    }
    if (m_attrs.num) {
        double v;
        const QString& given = m_attrs.numValue;
        QString plain = text;
        plain.remove(u',');
        if ((!given.isEmpty() && toDouble(given, v)) || CellText::parseTypedNumber(text, v) || toDouble(plain, v)) {
            m_cells.addNumber(row, col, v, m_cellStyle.format == Format::Date ? m_cellStyle.date : CellText::DateKind::None);
            return;
        }
    }
    if (m_attrs.boolean) {
        const QString b = (m_attrs.boolValue.isEmpty() ? text : m_attrs.boolValue).trimmed().toUpper();
        if (b == u"TRUE" || b == u"1" || b == u"FALSE" || b == u"0") {
            m_cells.addBool(row, col, b == u"TRUE" || b == u"1");
            return;
        }
    }
    if (m_attrs.str) {
        m_cells.addText(row, col, m_attrs.strValue.isEmpty() ? text : m_attrs.strValue);
        return;
    }
    double v;
    if (m_cellStyle.format != Format::Text && !m_attrs.num && CellText::parseTypedNumber(text, v))
        m_cells.addNumber(row, col, v);
    else
        m_cells.addText(row, col, text);
}

// The encoding of a page: its byte order mark, its meta charset, the MIME
// part's, else windows-1252 as browsers take a page that names none.
TextDecoding pageEncoding(const QByteArray& bytes, const QByteArray& charset, int& skip)
{
    TextDecoding::Encoding e;
    skip = TextDecoding::byteOrderMark(bytes, e);
    if (skip > 0)
        return TextDecoding::of(e);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (bytes.size() >= 4 && p[0] == '<' && p[1] == 0)
        return TextDecoding::of(TextDecoding::Encoding::Utf16LE);
    if (bytes.size() >= 4 && p[0] == 0 && p[1] == '<')
        return TextDecoding::of(TextDecoding::Encoding::Utf16BE);
    bool ok = false;
    const QByteArray meta = HtmlWorkbook::metaCharset(bytes);
    if (!meta.isEmpty()) {
        TextDecoding d = TextDecoding::forLabel(meta, &ok);
        // A page that could read its own meta is no UTF-16 page.
        if (ok && (d.encoding() == TextDecoding::Encoding::Utf16LE || d.encoding() == TextDecoding::Encoding::Utf16BE))
            return TextDecoding::of(TextDecoding::Encoding::Utf8);
        if (ok)
            return d;
    }
    if (!charset.isEmpty()) {
        TextDecoding d = TextDecoding::forLabel(charset, &ok);
        if (ok)
            return d;
    }
    return TextDecoding::codePage(1252);
}

// The length of `b` without a multi-byte sequence left unfinished at its end.
qsizetype wholeUtf8(const QByteArray& b)
{
    qsizetype i = b.size() - 1;
    int back = 0;
    while (i >= 0 && back < 3 && (static_cast<uchar>(b[i]) & 0xC0) == 0x80) {
        --i;
        ++back;
    }
    if (i < 0)
        return b.size();
    const auto lead = static_cast<uchar>(b[i]);
    const qsizetype need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return b.size() - i < need ? i : b.size();
}

QString noTable(const QString& path)
{
    return SheetMessages::file(path) + QStringLiteral(" เป็นหน้าเว็บ (HTML) ที่ไม่มีตาราง จึงไม่มีข้อมูลให้อ่าน ")
           + SheetMessages::saveAsReadable();
}

}

QByteArray HtmlWorkbook::metaCharset(const QByteArray& bytes)
{
    // Where browsers look for it: near the start, before the body.
    const QByteArray head = bytes.left(64 * 1024).toLower();
    const qsizetype body = head.indexOf("<body");
    for (qsizetype at = head.indexOf("<meta"); at >= 0 && (body < 0 || at < body); at = head.indexOf("<meta", at + 5)) {
        // A meta tag is short: a page of unclosed ones is not searched to its end for each.
        const QByteArray tag = head.mid(at, 1024).split('>').front();
        const qsizetype c = tag.indexOf("charset");
        if (c < 0)
            continue;
        qsizetype i = c + 7;
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '='))
            ++i;
        while (i < tag.size() && (tag[i] == '"' || tag[i] == '\''))
            ++i;
        qsizetype j = i;
        while (j < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[j])) || tag[j] == '-' || tag[j] == '_'
                                  || tag[j] == '.' || tag[j] == ':'))
            ++j;
        if (j > i)
            return tag.mid(i, j - i);
    }
    return QByteArray();
}

void HtmlWorkbook::openData(const QByteArray& bytes, const QString& path)
{
    const QByteArray start = bytes.left(4096).toLower();
    if (start.startsWith("mime-version:") || start.contains("\nmime-version:"))
        openMhtml(bytes, path);
    else
        openHtml(bytes, path);
}

void HtmlWorkbook::openHtml(const QByteArray& bytes, const QString& path, const QByteArray& charset)
{
    begin(path);
    try {
        int skip = 0;
        TextDecoding decoding = pageEncoding(bytes, charset, skip);
        TableReader reader(m_cells, path);
        std::u16string piece;
        QByteArray carry;  // a UTF-8 sequence cut at the end of the last piece
        bool started = false;
        for (qsizetype at = skip; at < bytes.size(); at += kPiece) {
            const qsizetype n = std::min(kPiece, bytes.size() - at);
            const bool last = at + n == bytes.size();
            QByteArray utf8;
            if (decoding.encoding() == TextDecoding::Encoding::Utf8) {
                utf8 = carry;
                utf8.append(bytes.constData() + at, n);
                const qsizetype whole = last ? utf8.size() : wholeUtf8(utf8);
                carry = utf8.mid(whole);
                utf8.truncate(whole);
                // Valid UTF-8 goes to the parser as it is; anything else is
                // mended first (U+FFFD), as it would be decoded.
                if (!QUtf8StringView(utf8).isValidUtf8() || utf8.contains('\0'))
                    utf8 = QString::fromUtf8(utf8).replace(QChar(u'\0'), QChar(0xFFFD)).toUtf8();
            } else {
                piece.clear();
                decoding.decode(QByteArrayView(bytes.constData() + at, n), piece, last);
                // The parser takes no NUL characters.
                std::replace(piece.begin(), piece.end(), u'\0', u'\uFFFD');
                utf8 = QStringView(piece.data(), static_cast<qsizetype>(piece.size())).toUtf8();
            }
            if (!started) {
                reader.start(utf8);
                started = true;
                if (last)
                    reader.parse(QByteArray(), true);
            } else {
                reader.parse(utf8, last);
            }
        }
        if (started)
            reader.finish();
        if (!reader.foundTable())
            SheetMessages::fail(noTable(path));
    } catch (const std::bad_alloc&) {
        close();
        SheetMessages::failOutOfMemory(path);
    } catch (...) {
        close();
        throw;
    }
    done();
}

void HtmlWorkbook::openMhtml(const QByteArray& bytes, const QString& path)
{
    std::vector<MhtmlDocument::Part> parts;
    try {
        parts = MhtmlDocument::parts(bytes);
    } catch (const std::bad_alloc&) {
        close();
        SheetMessages::failOutOfMemory(path);
    }
    const int at = MhtmlDocument::sheetPart(parts);
    if (at < 0) {
        close();
        if (parts.empty())
            SheetMessages::failDamaged(path, QStringLiteral("ส่วนหัวของเอกสาร MHTML"));
        SheetMessages::fail(noTable(path));
    }
    MhtmlDocument::Part part = std::move(parts[static_cast<size_t>(at)]);
    parts.clear();
    openHtml(part.body, path, part.charset);
}
