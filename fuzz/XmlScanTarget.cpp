// The XML scanner of the workbook readers alone, for scripts/fuzz.sh xml-scan.
//
//   xml-scan FILE...    one line per file: "read" with its tokens, or "refused" and why
//
// Built with afl++'s compiler it is the fuzz target instead, and a differential
// one: each input is scanned whole and again fed a few bytes a read, which must
// give the same tokens or the same refusal; a document that both the scanner
// and QXmlStreamReader accept must give both the same elements, attributes and
// text. Any difference aborts, which afl++ keeps as a crash.
#include "XmlScanner.h"

#include <QBuffer>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Hands out at most `step` bytes a read, as an inflating stream may.
class Trickle : public QIODevice {
public:
    Trickle(const QByteArray& data, qint64 step) : m_data(data), m_step(step) { open(ReadOnly | Unbuffered); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min({max, m_step, static_cast<qint64>(m_data.size()) - m_at});
        if (n <= 0)
            return -1;
        std::copy_n(m_data.constData() + m_at, n, out);
        m_at += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_step;
    qint64 m_at = 0;
};

struct Scan {
    bool refused = false;
    qint64 line = 0;  // of the refusal
    QStringList tokens;
};

// Elements as "<{ns}name a={ns}n=v ...", ends as ">", text runs joined.
void flushText(QString& text, int depth, QStringList& tokens)
{
    if (!text.isEmpty() && depth > 0)
        tokens << QLatin1Char('"') + text;
    text.clear();
}

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

Scan scanWith(QIODevice* device)
{
    Scan out;
    XmlScanner xml(device);
    QString text;
    int depth = 0;
    try {
        for (;;) {
            const XmlScanner::Token t = xml.next();
            if (t == XmlScanner::Token::Text) {
                text += fromUtf8(xml.text());
                continue;
            }
            flushText(text, depth, out.tokens);
            if (t == XmlScanner::Token::EndDocument)
                break;
            if (t == XmlScanner::Token::EndElement) {
                out.tokens << QStringLiteral(">");
                --depth;
                continue;
            }
            QStringList attrs;
            for (const XmlScanner::Attribute& a : xml.attributes())
                attrs << QLatin1Char('{') + fromUtf8(a.ns) + QLatin1Char('}') + fromUtf8(a.name) + QLatin1Char('=')
                             + fromUtf8(a.value);
            attrs.sort();
            out.tokens << QStringLiteral("<{") + fromUtf8(xml.namespaceUri()) + QLatin1Char('}') + fromUtf8(xml.name())
                              + QLatin1Char(' ') + attrs.join(QLatin1Char(' '));
            ++depth;
        }
    } catch (const XmlScanner::Error& e) {
        out.refused = true;
        out.line = e.line;
    }
    return out;
}

Scan scanWithQt(const QByteArray& bytes)
{
    Scan out;
    QXmlStreamReader xml(bytes);
    QString text;
    int depth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType t = xml.readNext();
        if (t == QXmlStreamReader::Characters) {
            text += xml.text();
            continue;
        }
        if (t == QXmlStreamReader::StartElement) {
            flushText(text, depth, out.tokens);
            QStringList attrs;
            for (const QXmlStreamAttribute& a : xml.attributes())
                attrs << QLatin1Char('{') + a.namespaceUri().toString() + QLatin1Char('}') + a.name().toString() + QLatin1Char('=') + a.value().toString();
            attrs.sort();
            out.tokens << QStringLiteral("<{") + xml.namespaceUri().toString() + QLatin1Char('}') + xml.name().toString() + QLatin1Char(' ')
                              + attrs.join(QLatin1Char(' '));
            ++depth;
        } else if (t == QXmlStreamReader::EndElement) {
            flushText(text, depth, out.tokens);
            out.tokens << QStringLiteral(">");
            --depth;
        } else if (t == QXmlStreamReader::DTD || t == QXmlStreamReader::EntityReference) {
            out.refused = true;  // the scanner refuses these by design
            return out;
        }
    }
    out.refused = xml.hasError();
    return out;
}

// What the scans disagree on, or nullptr.
const char* difference(const QByteArray& bytes)
{
    QBuffer whole;
    whole.setData(bytes);
    whole.open(QIODevice::ReadOnly);
    const Scan a = scanWith(&whole);
    Trickle trickle(bytes, 1 + static_cast<qint64>(bytes.size() % 7));
    const Scan b = scanWith(&trickle);
    // A refused document is refused at the same line; the tokens before it
    // may differ, as bytes that are not UTF-8 are found when they arrive.
    if (a.refused != b.refused || (a.refused ? a.line != b.line : a.tokens != b.tokens))
        return "the scan fed a few bytes a read differs";
    if (a.refused)
        return nullptr;
    // Only valid UTF-8 is compared: the two replace broken bytes differently.
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8.decode(bytes);
    if (utf8.hasError() || !bytes.startsWith('<'))
        return nullptr;
    const Scan q = scanWithQt(bytes);
    if (!q.refused && q.tokens != a.tokens)
        return "QXmlStreamReader reads other tokens";
    return nullptr;
}

}

#ifdef __AFL_FUZZ_TESTCASE_LEN
__AFL_FUZZ_INIT();

int main()
{
    __AFL_INIT();
    const unsigned char* buf = __AFL_FUZZ_TESTCASE_BUF;
    while (__AFL_LOOP(10000))
        if (difference(QByteArray(reinterpret_cast<const char*>(buf), __AFL_FUZZ_TESTCASE_LEN)))
            abort();
    return 0;
}

#else

int main(int argc, char** argv)
{
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        QFile f(QString::fromLocal8Bit(argv[i]));
        if (!f.open(QIODevice::ReadOnly)) {
            std::printf("%s: cannot open\n", argv[i]);
            status = 1;
            continue;
        }
        QFile* device = &f;
        XmlScanner xml(device);
        long long tokens = 0;
        try {
            while (xml.next() != XmlScanner::Token::EndDocument)
                ++tokens;
            std::printf("%s: read %lld tokens\n", argv[i], tokens);
        } catch (const XmlScanner::Error& e) {
            std::printf("%s: refused at line %lld: %s\n", argv[i], static_cast<long long>(e.line), e.what());
        }
        f.seek(0);
        if (const char* d = difference(f.readAll())) {
            std::printf("%s: %s\n", argv[i], d);
            status = 1;
        }
    }
    return status;
}

#endif
