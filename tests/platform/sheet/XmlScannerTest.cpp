// The workbook parts' pull parser against QXmlStreamReader as the reference,
// over hand-written documents with what writers do and over every XML part
// of the fixture workbooks; then what it must refuse, and reads that arrive
// a few bytes at a time.
#include "TestEnv.h"
#include "XmlScanner.h"
#include "ZipArchive.h"

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QStringEncoder>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <utility>
#include <vector>

namespace {

using Kind = XmlScanner::Error::Kind;
using Doc = std::pair<const char*, QByteArray>;

// A document as a canonical list: "<{ns}name {ns}attr=value..." with the
// attributes sorted and namespace declarations left out, "</{ns}name", and
// "T:text" for each run of character data, a run being everything between
// two tags (white space outside the root is dropped).
struct Result {
    std::vector<std::string> tokens;
    bool failed = false;
    std::string message;
    Kind kind = Kind::Malformed;
    qint64 line = 0;
};

bool isDeclaration(std::string_view ns, std::string_view name)
{
    return ns == "http://www.w3.org/2000/xmlns/" || (ns.empty() && (name == "xmlns" || name.substr(0, 6) == "xmlns:"));
}

std::string qualified(std::string_view ns, std::string_view name)
{
    return "{" + std::string(ns) + "}" + std::string(name);
}

std::string startToken(const std::string& name, std::vector<std::string> attrs)
{
    std::sort(attrs.begin(), attrs.end());
    std::string start = "<" + name;
    for (const std::string& a : attrs)
        start += " " + a;
    return start;
}

std::string str(QStringView s)
{
    return s.toString().toStdString();
}

void flushText(Result& r, std::string& run, int depth)
{
    if (!run.empty() && (depth > 0 || run.find_first_not_of(" \t\r\n") != std::string::npos))
        r.tokens.push_back("T:" + run);
    run.clear();
}

Result scan(QIODevice* device)
{
    Result r;
    std::string run;
    int depth = 0;
    try {
        XmlScanner s(device);
        for (;;) {
            const XmlScanner::Token t = s.next();
            if (t == XmlScanner::Token::Text) {
                run += s.text();
                continue;
            }
            flushText(r, run, depth);
            if (t == XmlScanner::Token::EndDocument) {
                if (s.next() != XmlScanner::Token::EndDocument || s.next() != XmlScanner::Token::EndDocument)
                    r.tokens.push_back("!a token after the end");
                break;
            }
            if (t == XmlScanner::Token::EndElement) {
                --depth;
                r.tokens.push_back("</" + qualified(s.namespaceUri(), s.name()));
                continue;
            }
            ++depth;
            std::vector<std::string> attrs;
            for (const XmlScanner::Attribute& a : s.attributes()) {
                if (isDeclaration(a.ns, a.name))
                    continue;
                attrs.push_back(qualified(a.ns, a.name) + "=" + std::string(a.value));
                // attribute() finds what attributes() lists, present even when empty.
                if (a.ns.empty() && (s.attribute(a.name) != a.value || s.attribute(a.name).data() == nullptr))
                    attrs.push_back("!attribute(" + std::string(a.name) + ") differs");
            }
            if (s.attribute("\x01").data() != nullptr)
                attrs.push_back("!attribute() found a name no element has");
            r.tokens.push_back(startToken(qualified(s.namespaceUri(), s.name()), std::move(attrs)));
        }
    } catch (const XmlScanner::Error& e) {
        r.failed = true;
        r.message = e.what();
        r.kind = e.kind;
        r.line = e.line;
    }
    return r;
}

Result scan(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return scan(&buffer);
}

Result reference(const QByteArray& bytes)
{
    Result r;
    std::string run;
    int depth = 0;
    QXmlStreamReader x(bytes);
    while (!x.atEnd()) {
        switch (x.readNext()) {
        case QXmlStreamReader::Characters:
            run += str(x.text());
            break;
        case QXmlStreamReader::StartElement: {
            flushText(r, run, depth++);
            std::vector<std::string> attrs;
            for (const QXmlStreamAttribute& a : x.attributes())
                if (!isDeclaration(str(a.namespaceUri()), str(a.name())))
                    attrs.push_back(qualified(str(a.namespaceUri()), str(a.name())) + "=" + str(a.value()));
            r.tokens.push_back(startToken(qualified(str(x.namespaceUri()), str(x.name())), std::move(attrs)));
            break;
        }
        case QXmlStreamReader::EndElement:
            flushText(r, run, depth--);
            r.tokens.push_back("</" + qualified(str(x.namespaceUri()), str(x.name())));
            break;
        case QXmlStreamReader::EndDocument:
            flushText(r, run, depth);
            break;
        default:  // comments, processing instructions, the document type
            break;
        }
    }
    if (x.hasError()) {
        r.failed = true;
        r.message = x.errorString().toStdString();
        r.line = x.lineNumber();
    }
    return r;
}

std::string shortened(const std::string& s)
{
    return s.size() <= 120 ? s : s.substr(0, 120) + "... (" + std::to_string(s.size()) + " bytes)";
}

// "" when both read the same; else where they part.
std::string difference(const Result& want, const Result& got)
{
    if (want.failed != got.failed)
        return want.failed ? "reference refused (" + want.message + "), scanner read it"
                           : "scanner refused at line " + std::to_string(got.line) + ": " + got.message;
    const size_t n = std::min(want.tokens.size(), got.tokens.size());
    for (size_t i = 0; i < n; ++i)
        if (want.tokens[i] != got.tokens[i])
            return "token " + std::to_string(i) + ": want " + shortened(want.tokens[i]) + " got " + shortened(got.tokens[i]);
    if (want.tokens.size() != got.tokens.size())
        return std::to_string(want.tokens.size()) + " tokens wanted, " + std::to_string(got.tokens.size()) + " read";
    return {};
}

// A device that hands out at most `chunk` bytes per read, as a socket or an
// inflating stream does, so tokens, references and characters are split.
class ChunkDevice : public QIODevice {
public:
    ChunkDevice(QByteArray data, qint64 chunk) : m_data(std::move(data)), m_chunk(chunk)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_pos >= m_data.size(); }
    qint64 bytesAvailable() const override { return m_data.size() - m_pos; }

protected:
    qint64 readData(char* out, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, m_chunk, qint64(m_data.size()) - m_pos});
        if (n <= 0)
            return -1;
        std::memcpy(out, m_data.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_chunk;
    qint64 m_pos = 0;
};

QByteArray utf16(const QString& s, bool littleEndian, bool bom)
{
    QByteArray out;
    for (const QChar c : (bom ? QStringLiteral("\uFEFF") : QString()) + s) {
        const char16_t u = c.unicode();
        out.append(char(littleEndian ? u & 0xFF : u >> 8)).append(char(littleEndian ? u >> 8 : u & 0xFF));
    }
    return out;
}

std::vector<Doc> trickyDocuments()
{
    const QByteArray ml = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    QByteArray longText = "<a>";
    for (int i = 0; i < 48000; ++i)
        longText += "abc &amp; &#x0E01;\xE0\xB8\x81\r\n";  // ก as a reference and as UTF-8
    longText += "</a>";
    QByteArray longAttr = "<a v=\"" + QByteArray("x&quot;\ty ", 10).repeated(30000) + "\" w='" + QByteArray(200000, 'w') + "'";
    for (int i = 0; i < 500; ++i)
        longAttr += " a" + QByteArray::number(i) + "=\"" + QByteArray::number(i) + "\"";
    longAttr += "/>";
    return {
        {"prefixed SpreadsheetML",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<x:worksheet xmlns:x=\"" + ml +
             "\" xmlns:r=\"urn:r\"><x:sheetData><x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c>"
             "<x:c r=\"B1\" t=\"inlineStr\"><x:is><x:t xml:space=\"preserve\"> a  b </x:t></x:is></x:c></x:row>"
             "</x:sheetData><x:drawing r:id=\"rId1\"/></x:worksheet>"},
        {"default namespace re-declared and undeclared",
         "<root xmlns=\"urn:a\" at=\"1\"><b xmlns=\"urn:b\"><c/><d xmlns=\"\"><e/></d><f/></b><g/>"
         "<p:x xmlns:p=\"urn:1\"><p:y xmlns:p=\"urn:2\" p:k=\"2\"/><p:z p:k=\"1\"/></p:x></root>"},
        {"attribute prefix bound after its use on the same element",
         "<a p:x=\"1\" xmlns:p=\"urn:p\" q:y=\"\" xmlns:q=\"urn:q\"><p:b/></a>"},
        {"references", "<a t=\"&lt;&amp;&gt;&quot;&apos;&#65;&#x42;&#x0e01;&#128512;|&#9;&#10;&#13;|\">"
                       "x &lt; y &amp;&amp; &#x1F600; &#3585;&gt;&#13;&#xD;\r\n&#10;</a>"},
        {"CDATA", "<a>1<![CDATA[<not a tag> & ]] ]> ]]]]><![CDATA[>]]><![CDATA[]]>tail<b><![CDATA[\r\n]]></b></a>"},
        {"comments and PIs",
         "<?xml version=\"1.0\"?>\n<!-- before --><?pi data?>\n<a><!-- in -->te<!-- a > b - c -->xt<?t x > y ?> more"
         "<b/><!----></a>\n<!-- after --><?after?>\n"},
        {"attribute quoting", "<a x='1 > 0' y=\"it's\" z='say \"hi\"' e=\"\"  w = \"s\"\n\t/>"},
        {"white space in attributes", "<a x=\"one\ttwo\nthree\r\nfour  five\rsix\"\n y='\r\n'></a >"},
        {"line ends in text", "<a>line1\r\nline2\rline3\n\r\nend\r</a>"},
        {"Thai", "<\xE0\xB8\x82\xE0\xB9\x89\xE0\xB8\xAD a=\"\xE0\xB8\x9A\xE0\xB8\xB2\xE0\xB8\x97\">"
                 "\xE0\xB8\xAA\xE0\xB8\xA2\xE0\xB8\xB2\xE0\xB8\xA1 \xE0\xB9\x91\xE0\xB9\x92 \xF0\x9F\x98\x80</"
                 "\xE0\xB8\x82\xE0\xB9\x89\xE0\xB8\xAD>"},
        {"BOM and lower-case declaration",
         "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?><x.y-z_1 xmlns='urn:d'>\xE0\xB8\x81</x.y-z_1>"},
        {"very long text", longText},
        {"very long attributes", longAttr},
    };
}

TEST(XmlScannerReads, AsTheReferenceDoes)
{
    for (const auto& [name, bytes] : trickyDocuments()) {
        const Result want = reference(bytes);
        ASSERT_FALSE(want.failed) << name << ": " << want.message;
        EXPECT_EQ(difference(want, scan(bytes)), "") << name;
    }
}

TEST(XmlScannerReads, EveryXmlPartOfTheFixtureWorkbooks)
{
    QStringList files;
    QDirIterator it(TestEnv::fixturesDir(), {"*.xlsx", "*.xlsm", "*.ods"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    int compared = 0, bothRefused = 0;
    for (const QString& path : files) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray zip = file.readAll();
        try {
            ZipArchive archive(zip);
            for (const QString& member : archive.names()) {
                if (!member.endsWith(".xml", Qt::CaseInsensitive) && !member.endsWith(".rels", Qt::CaseInsensitive))
                    continue;
                const std::string where = path.toStdString() + ":" + member.toStdString();
                std::unique_ptr<ZipArchive::Part> part = archive.open(member);
                const QByteArray bytes = part->readAll();
                if (part->overCap() || part->damaged())
                    continue;  // the ZIP layer's refusal, not the XML's
                const Result want = reference(bytes);
                const Result got = scan(archive.open(member).get());  // straight from the inflating stream
                if (!want.failed && got.failed && got.kind == Kind::DocumentType) {
                    std::cout << "note: " << where << " has a document type: refused by design\n";
                } else if (want.failed && !got.failed) {
                    // Names and characters are not validated: that alone may differ.
                    const bool unvalidated = want.message.find("Invalid XML character") != std::string::npos ||
                                             want.message.find("Invalid XML name") != std::string::npos;
                    EXPECT_TRUE(unvalidated) << where << ": the reference refused (" << want.message << ")";
                    std::cout << "note: " << where << " read, the reference refused: " << want.message << "\n";
                } else if (want.failed) {
                    ++bothRefused;
                } else {
                    EXPECT_EQ(difference(want, got), "") << where;
                    ++compared;
                }
            }
        } catch (const ZipArchive::Failure&) {
            continue;  // not a readable ZIP: nothing of the XML to compare
        }
    }
    EXPECT_GE(compared, 250);
    EXPECT_GE(bothRefused, 2);  // the damaged part and the entity bombs
}

TEST(XmlScannerReads, TheSameWhateverTheReadsSplit)
{
    ChunkDevice probe("abcdef", 2);
    char buf[8];
    ASSERT_EQ(probe.read(buf, 8), 2) << "the device must hand its reads over unjoined";

    std::vector<Doc> docs = trickyDocuments();
    docs.push_back({"UTF-16", utf16(QStringLiteral("<a x=\"\u0E01\">\u0E02\U0001F600\r\n</a>"), true, true)});
    // The declaration itself split: its encoding must still be seen.
    docs.push_back({"Latin-1", QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>")});
    for (const auto& [name, bytes] : docs) {
        const Result whole = scan(bytes);
        EXPECT_FALSE(whole.failed) << name << ": " << whole.message;
        // 1-byte reads of the 500 KB tag as well: an unfinished tag must not be
        // parsed again after every short read (that took minutes).
        for (const qint64 chunk : {1, 2, 3, 7, 64}) {
            ChunkDevice device(bytes, chunk);
            EXPECT_EQ(difference(whole, scan(&device)), "") << name << " read " << chunk << " bytes at a time";
        }
    }
}

TEST(XmlScannerRefuses, MalformedDocumentsNamingTheLine)
{
    struct Case {
        const char* what;
        QByteArray doc;
        Kind kind;
        qint64 line;
    };
    QByteArray bomb = "<!DOCTYPE a [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        bomb += "<!ENTITY l" + QByteArray::number(i) + " \"" + ("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    bomb = "<?xml version=\"1.0\"?>\n<!-- x -->\n" + bomb + "]>\n<a>&l9;</a>";
    const std::vector<Case> cases = {
        {"document type", "<?xml version=\"1.0\"?>\n\n<!DOCTYPE a>\n<a/>", Kind::DocumentType, 3},
        {"entity bomb", bomb, Kind::DocumentType, 3},
        {"mismatched end", "<a>\n<b>\n</c></a>", Kind::Malformed, 3},
        {"unclosed element", "<a>\n<b>\n</b>", Kind::Malformed, 3},
        {"end without start", "<a/>\n\n</a>", Kind::Malformed, 3},
        {"second root", "<a>\n</a>\n<b/>", Kind::Malformed, 3},
        {"text before the root", "<!-- x -->\n\nx<a/>", Kind::Malformed, 3},
        {"text after the root", "<a>\n</a>\nx", Kind::Malformed, 3},
        {"no root", "<?xml version=\"1.0\"?>\n<!-- only -->\n", Kind::Malformed, 3},
        {"unquoted attribute", "<a>\n<b>\n<c x=1/></b></a>", Kind::Malformed, 3},
        {"duplicate attribute", "<a>\n\n<c x='1' x='2'/></a>", Kind::Malformed, 3},
        {"duplicate declaration", "<a>\n\n<c xmlns:p='u' xmlns:p='v'/></a>", Kind::Malformed, 3},
        {"same attribute by two prefixes", "<a xmlns:p='urn:1' xmlns:q='urn:1'>\n\n<c p:x='1' q:x='2'/></a>",
         Kind::Malformed, 3},
        {"unbound element prefix", "<a>\n\n<p:c/></a>", Kind::Malformed, 3},
        {"unbound attribute prefix", "<a>\n\n<c p:x='1'/></a>", Kind::Malformed, 3},
        {"prefix out of scope", "<a><b xmlns:p='urn:p'/>\n\n<p:c/></a>", Kind::Malformed, 3},
        {"unknown entity", "<a>\n\n&nbsp;</a>", Kind::Malformed, 3},
        {"unknown entity in an attribute", "<a>\n\n<b x='&nbsp;'/></a>", Kind::Malformed, 3},
        {"reference to NUL", "<a>\n\n&#0;</a>", Kind::Malformed, 3},
        {"reference to a surrogate", "<a>\n\n<b x='&#xD800;'/></a>", Kind::Malformed, 3},
        {"reference past Unicode", "<a>\n\n&#x110000;</a>", Kind::Malformed, 3},
        {"reference overflowing", "<a>\n\n&#4294967361;</a>", Kind::Malformed, 3},
        {"empty reference", "<a>\n\n&#x;</a>", Kind::Malformed, 3},
        {"reference not ended", "<a>\n\n&amp </a>", Kind::Malformed, 3},
        {"end inside a start tag", "<a>\n\n<b x=\"1", Kind::Malformed, 3},
        {"end inside a comment", "<a>\n\n<!-- c", Kind::Malformed, 3},
        {"end inside CDATA", "<a>\n\n<![CDATA[x]]", Kind::Malformed, 3},
        {"end inside a PI", "<a>\n\n<?pi x", Kind::Malformed, 3},
        {"end inside an end tag", "<a>\n\n</a", Kind::Malformed, 3},
        {"end inside a reference", "<a>\n\n&am", Kind::Malformed, 3},
        // Bytes that are not UTF-8: in text, in a name, in a comment, and cut at the end.
        {"a byte no character starts with", "<a>\n\nab\xFF</a>", Kind::Malformed, 3},
        {"an overlong form", "<a>\n\n<b\xC0\xAF/></a>", Kind::Malformed, 3},
        {"a surrogate", "<a>\n<!-- -->\n\xED\xA0\x80</a>", Kind::Malformed, 3},
        {"past U+10FFFF", "<a>\n\n\xF4\x90\x80\x80</a>", Kind::Malformed, 3},
        {"a lone continuation byte", "<a x='\n\n\x80'/>", Kind::Malformed, 3},
        {"a character cut by the end", "<a/>\n\n<!-- \xE0\xB8", Kind::Malformed, 3},
    };
    for (const Case& c : cases) {
        QBuffer buffer;
        buffer.setData(c.doc);
        buffer.open(QIODevice::ReadOnly);
        XmlScanner s(&buffer);
        int tokens = 0;
        try {
            while (s.next() != XmlScanner::Token::EndDocument && tokens < 1000)
                ++tokens;
            ADD_FAILURE() << c.what << ": read to the end";
        } catch (const XmlScanner::Error& e) {
            EXPECT_EQ(int(e.kind), int(c.kind)) << c.what << ": " << e.what();
            EXPECT_EQ(e.line, c.line) << c.what << ": " << e.what();
            if (c.kind == Kind::DocumentType) {
                EXPECT_EQ(tokens, 0) << c.what;
            }
        }
    }
}

TEST(XmlScannerRefuses, EveryCutOfADocumentInsideItsRoot)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<x:r xmlns:x=\"urn:x\" a=\"1&amp;2\">"
                            "<x:c t='s'>\xE0\xB8\x81&#x0E01;<![CDATA[a]b]]></x:c><!-- c --><?p i?><x:e/>t&lt;</x:r>";
    const QByteArray tail = "\n<?t?>\n";
    const QByteArray doc = body + tail;
    ASSERT_FALSE(scan(doc).failed);
    for (int cut = 0; cut <= doc.size(); ++cut) {
        const Result r = scan(doc.left(cut));
        const int after = cut - int(body.size());
        const bool whole = after == 0 || after == 1 || after >= int(tail.size()) - 1;
        if (after < 0 || !whole) {
            EXPECT_TRUE(r.failed) << "cut at " << cut << " read as a whole document";
        } else {
            EXPECT_FALSE(r.failed) << "cut at " << cut << ": " << r.message;
        }
    }
}

TEST(XmlScannerReads, UtfSixteenAndLatinOneAsUtfEight)
{
    const QString text = QStringLiteral("<a x=\"caf\u00E9 \u0E01\">Gr\u00F6\u00DFe \u00FF\u00B1 \u0E2A\U0001F600</a>");
    const auto declared = [&](const char* encoding) {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\n").arg(QLatin1String(encoding)) + text;
    };
    const Result want = scan(declared("UTF-8").toUtf8());
    ASSERT_FALSE(want.failed) << want.message;
    EXPECT_EQ(difference(want, scan(utf16(declared("UTF-16"), true, true))), "") << "UTF-16LE with a BOM";
    EXPECT_EQ(difference(want, scan(utf16(declared("UTF-16"), false, true))), "") << "UTF-16BE with a BOM";
    EXPECT_EQ(difference(want, scan(utf16(text, true, true))), "") << "UTF-16LE, BOM only";
    EXPECT_EQ(difference(want, scan(utf16(declared("UTF-16"), true, false))), "") << "UTF-16LE by its declaration";

    const QString latin = QStringLiteral("<a x=\"caf\u00E9\">Gr\u00F6\u00DFe \u00FF\u00B1\u00A0</a>");
    const Result latinWant = scan(latin.toUtf8());
    for (const char* name : {"ISO-8859-1", "iso-8859-1"}) {
        const QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>").arg(QLatin1String(name)) + latin;
        EXPECT_EQ(difference(latinWant, scan(doc.toLatin1())), "") << name;
    }

    const Result r = scan(QByteArray("<?xml version=\"1.0\" encoding=\"x-unknown\"?><a/>"));
    EXPECT_TRUE(r.failed && r.kind == Kind::Encoding) << "read or refused otherwise: " << r.message;
}

TEST(XmlScannerReads, EightBitEncodingsTheDeclarationNames)
{
    // Thai in windows-874 and TIS-620, Cyrillic in KOI8-R: the same tokens as the UTF-8 text.
    const struct {
        const char* name;
        QString text;
    } cases[] = {{"windows-874", QStringLiteral("บริษัท ก")}, {"TIS-620", QStringLiteral("เช็ค")}, {"KOI8-R", QStringLiteral("счёт")}};
    for (const auto& c : cases) {
        QStringEncoder encoder(c.name);
        ASSERT_TRUE(encoder.isValid()) << c.name;
        const QByteArray doc = "<?xml version=\"1.0\" encoding=\"" + QByteArray(c.name) + "\"?><a t=\""
                               + QByteArray(encoder.encode(c.text)) + "\">" + QByteArray(encoder.encode(c.text)) + "</a>";
        const Result r = scan(doc);
        const Result want = scan("<a t=\"" + c.text.toUtf8() + "\">" + c.text.toUtf8() + "</a>");
        ASSERT_FALSE(r.failed) << c.name << ": " << r.message;
        EXPECT_EQ(r.tokens, want.tokens) << c.name;
    }
}

TEST(XmlScannerReads, AShortCommentLastInTheDocument)
{
    for (const char* doc : {"<a/><!---->", "<a/><!--c-->", "<a/>\n<!---->\n", "<a/><!--cc-->", "<a/><?p?>"}) {
        const Result r = scan(QByteArray(doc));
        EXPECT_FALSE(r.failed) << doc << ": " << r.message;
    }
    for (const char* doc : {"<a/><!--", "<a/><!--c-", "<a/><!-"}) {
        const Result r = scan(QByteArray(doc));
        EXPECT_TRUE(r.failed) << doc;
    }
}

TEST(XmlScannerReads, DeepNestingWithoutRecursion)
{
    // Every thousandth level declares a default namespace its descendants inherit.
    const int depth = 100000;
    QByteArray doc;
    for (int i = 0; i < depth; ++i) {
        doc += "<e" + QByteArray::number(i % 10);
        if (i % 1000 == 0)
            doc += " xmlns=\"urn:" + QByteArray::number(i) + "\"";
        doc += ">";
    }
    for (int i = depth - 1; i >= 0; --i)
        doc += "</e" + QByteArray::number(i % 10) + ">";
    const Result r = scan(doc);
    ASSERT_FALSE(r.failed) << r.message;
    ASSERT_EQ(r.tokens.size(), size_t(2 * depth));
    for (int i = 0; i < depth; ++i) {
        const std::string name = "{urn:" + std::to_string(i / 1000 * 1000) + "}e" + std::to_string(i % 10);
        ASSERT_EQ(r.tokens[size_t(i)], "<" + name);
        ASSERT_EQ(r.tokens[size_t(2 * depth - 1 - i)], "</" + name);
    }
}

}  // namespace
