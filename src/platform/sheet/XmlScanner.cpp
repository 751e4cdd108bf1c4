#include "XmlScanner.h"

#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace {

// Enough that a part of tens of megabytes is read in a few hundred pieces;
// a token longer than what is in hand doubles what the next read asks for.
constexpr size_t kChunk = 256 * 1024;

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
// Stands for the namespace of declarations when they are checked for repeats.
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

struct ByteSet {
    bool has[256] = {};
    constexpr ByteSet(std::string_view bytes)
    {
        for (const char c : bytes)
            has[static_cast<unsigned char>(c)] = true;
    }
    bool operator()(char c) const { return has[static_cast<unsigned char>(c)]; }
};

// What ends a name.
constexpr ByteSet kNameEnd(std::string_view(" \t\n\r/>=<\"'&?!", 14));
// What an attribute value's plain copy cannot keep.
constexpr ByteSet kValueSpecial("<&\t\n\r");
constexpr ByteSet kTextSpecial("&\r");
constexpr ByteSet kAttributeSpecial("&\r\t\n");

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

qint64 countLines(const char* p, const char* end)
{
    qint64 n = 0;
    while (p < end && (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p))))) {
        ++n;
        ++p;
    }
    return n;
}

const char* find(const char* from, const char* end, std::string_view what)
{
    const std::string_view hay(from, static_cast<size_t>(end - from));
    const size_t at = hay.find(what);
    return at == std::string_view::npos ? nullptr : from + at;
}

bool startsWith(const char* p, const char* end, std::string_view what)
{
    return static_cast<size_t>(end - p) >= what.size() && std::memcmp(p, what.data(), what.size()) == 0;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

void appendUtf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isXmlChar(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

// The encoding an XML declaration names, or empty.
std::string_view declaredEncoding(std::string_view declaration)
{
    size_t at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return {};
    at += 8;
    while (at < declaration.size() && isSpace(declaration[at]))
        ++at;
    if (at >= declaration.size() || declaration[at] != '=')
        return {};
    ++at;
    while (at < declaration.size() && isSpace(declaration[at]))
        ++at;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\''))
        return {};
    const size_t close = declaration.find(declaration[at], at + 1);
    if (close == std::string_view::npos)
        return {};
    return declaration.substr(at + 1, close - at - 1);
}

}

XmlScanner::XmlScanner(QIODevice* device) : m_device(device)
{
    m_none = intern(std::string_view());
    m_default = m_none;
    m_xmlns = intern(kXmlnsNamespace);
    m_prefixes.emplace("xml", intern(kXmlNamespace));
}

XmlScanner::~XmlScanner() = default;

const std::string* XmlScanner::intern(std::string_view uri)
{
    return &*m_uris.emplace(uri).first;
}

qint64 XmlScanner::line() const
{
    return m_linesBefore + 1 + countLines(m_buffer.data(), m_buffer.data() + m_begin);
}

void XmlScanner::fail(const std::string& what, const char* at) const
{
    fail(Error::Kind::Malformed, what, at);
}

void XmlScanner::fail(Error::Kind kind, const std::string& what, const char* at) const
{
    const char* data = m_buffer.data();
    if (!at)
        at = data + m_begin;
    // A byte that is not UTF-8 before the fault is the first thing wrong.
    if (m_badUtf8At >= 0 && at >= data && m_dropped + (at - data) >= m_badUtf8At && m_badUtf8At >= m_dropped) {
        const char* bad = data + (m_badUtf8At - m_dropped);
        throw Error(Error::Kind::Malformed, "bytes that are not UTF-8", m_linesBefore + 1 + countLines(data, bad));
    }
    const bool inBuffer = at >= data && at <= data + m_end;
    const qint64 line = inBuffer ? m_linesBefore + 1 + countLines(data, at) : this->line();
    throw Error(kind, what, line);
}

bool XmlScanner::more()
{
    if (m_eof)
        return false;
    if (m_begin > 0) {
        m_linesBefore += countLines(m_buffer.data(), m_buffer.data() + m_begin);
        m_dropped += static_cast<qint64>(m_begin);
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    // What is in hand is one unfinished token: at least as much again is read
    // before it is parsed again, so a long token is parsed again only a few
    // times however little each read gives.
    const size_t want = std::max(kChunk, m_end);
    const size_t need = std::max<size_t>(m_end, 1);
    if (m_buffer.size() < m_end + want)
        m_buffer.resize(m_end + want);
    size_t got = 0;
    while (got < need) {
        // A sequential device says its end with -1 as well as 0; one that failed
        // is asked by its owner (ZipArchive::Part::check) once the scan stops.
        const qint64 n = m_device->read(m_buffer.data() + m_end + got, static_cast<qint64>(want - got));
        if (n <= 0) {
            m_eof = true;
            break;
        }
        got += static_cast<size_t>(n);
    }
    const size_t from = m_end;
    m_end += got;
    if (m_checkUtf8)
        checkUtf8(m_buffer.data() + from, m_buffer.data() + m_end);
    return got > 0;
}

// XML's text is Unicode: bytes that are not UTF-8 make the part damaged,
// where passing them on would put U+FFFD into a name or an amount unseen.
// Checked as the bytes arrive (a character split between reads carries
// over); the first bad byte is said when the scan reaches it, so that a
// fault before it is said first however the reads fell.
void XmlScanner::checkUtf8(const char* from, const char* end)
{
    const auto* const data = reinterpret_cast<const unsigned char*>(m_buffer.data());
    const auto bad = [&](qint64 index) {
        m_badUtf8At = m_dropped + index;
        m_checkUtf8 = false;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(from);
    const auto* const stop = reinterpret_cast<const unsigned char*>(end);
    while (p < stop) {
        if (m_utf8Need == 0) {
            // Eight ASCII bytes at a time: most of a workbook part.
            while (stop - p >= 8) {
                uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ULL)
                    break;
                p += 8;
            }
            if (p == stop)
                break;
            const unsigned char c = *p++;
            if (c < 0x80)
                continue;
            m_utf8Low = 0x80;
            m_utf8High = 0xBF;
            if (c >= 0xC2 && c <= 0xDF) {
                m_utf8Need = 1;
            } else if (c >= 0xE0 && c <= 0xEF) {
                m_utf8Need = 2;
                if (c == 0xE0)
                    m_utf8Low = 0xA0;  // no overlong form
                else if (c == 0xED)
                    m_utf8High = 0x9F;  // no surrogate
            } else if (c >= 0xF0 && c <= 0xF4) {
                m_utf8Need = 3;
                if (c == 0xF0)
                    m_utf8Low = 0x90;
                else if (c == 0xF4)
                    m_utf8High = 0x8F;  // nothing past U+10FFFF
            } else {
                bad(p - 1 - data);
                return;
            }
            continue;
        }
        const unsigned char c = *p++;
        if (c < m_utf8Low || c > m_utf8High) {
            bad(p - 1 - data);
            return;
        }
        m_utf8Low = 0x80;
        m_utf8High = 0xBF;
        --m_utf8Need;
    }
    if (m_eof && m_utf8Need > 0)
        bad(stop - data - 1);  // a character the end of the data cuts
}

void XmlScanner::checkPassed(size_t reached) const
{
    if (m_badUtf8At >= 0 && m_dropped + static_cast<qint64>(reached) > m_badUtf8At)
        fail("bytes that are not UTF-8", m_buffer.data() + reached);
}

void XmlScanner::prepare()
{
    m_prepared = true;
    // Enough to tell a byte order mark, UTF-16 and "<?xml" apart.
    while (m_end < 5 && more()) {
    }
    const auto* b = reinterpret_cast<const unsigned char*>(m_buffer.data());
    const size_t n = m_end;
    const char* encoding = nullptr;
    std::string declared;
    size_t skip = 0;
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        m_begin = 3;
        return;
    }
    if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        encoding = "UTF-16LE";
        skip = 2;
    } else if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        encoding = "UTF-16BE";
        skip = 2;
    } else if (n >= 4 && b[0] == '<' && b[1] == 0 && b[2] == '?' && b[3] == 0) {
        encoding = "UTF-16LE";
    } else if (n >= 4 && b[0] == 0 && b[1] == '<' && b[2] == 0 && b[3] == '?') {
        encoding = "UTF-16BE";
    } else if (startsWith(m_buffer.data(), m_buffer.data() + m_end, "<?xml")) {
        // An 8-bit encoding other than UTF-8 is named by the declaration.
        // Looked for in the first 4 KiB only, however the reads fell.
        constexpr size_t kMaxDeclaration = 4096;
        const char* close = nullptr;
        const auto look = [&] {
            close = find(m_buffer.data(), m_buffer.data() + std::min(m_end, kMaxDeclaration), "?>");
            return close != nullptr;
        };
        while (!look() && m_end < kMaxDeclaration && more()) {
        }
        if (!close)
            return;  // no end to the declaration: the scan says so
        const std::string_view name = declaredEncoding(std::string_view(m_buffer.data(), close - m_buffer.data()));
        if (name.empty() || equalsNoCase(name, "utf-8") || equalsNoCase(name, "utf8") || equalsNoCase(name, "us-ascii")
            || equalsNoCase(name, "ascii"))
            return;
        // A 16- or 32-bit name over bytes plainly 8-bit is a wrong label: read as UTF-8.
        if (name.size() >= 6 && (equalsNoCase(name.substr(0, 6), "utf-16") || equalsNoCase(name.substr(0, 6), "utf-32")
                                 || equalsNoCase(name.substr(0, 5), "ucs-2") || equalsNoCase(name.substr(0, 5), "ucs-4")))
            return;
        declared.assign(name);
        encoding = declared.c_str();
    } else {
        return;
    }

    // Converted whole: such parts are rare and small, and the cap on the
    // part bounds them.
    while (more()) {
    }
    QStringDecoder decoder(encoding);
    if (!decoder.isValid())
        fail(Error::Kind::Encoding, std::string("the encoding ") + encoding + " is not supported");
    const QString text = decoder.decode(QByteArrayView(m_buffer.data() + skip, static_cast<qsizetype>(m_end - skip)));
    if (decoder.hasError())
        fail(Error::Kind::Encoding, std::string("the text is not valid ") + encoding);
    const QByteArray utf8 = text.toUtf8();
    m_transcoded = true;
    m_buffer.assign(utf8.constData(), static_cast<size_t>(utf8.size()));
    m_begin = 0;
    m_end = m_buffer.size();
}

std::string_view XmlScanner::attribute(std::string_view localName) const
{
    for (const Attribute& a : m_attributes)
        if (a.name == localName && a.ns.empty())
            return a.value;
    return std::string_view();
}

const std::string* XmlScanner::lookup(std::string_view prefix) const
{
    // Documents use a handful of prefixes over and over ("x:", "table:",
    // "text:"): the last few found are kept until a declaration changes them.
    const bool keep = prefix.size() <= sizeof(Recent::prefix);
    if (keep)
        for (size_t i = 0; i < m_recentCount; ++i) {
            const Recent& r = m_recent[i];
            if (r.length == prefix.size() && std::memcmp(r.prefix, prefix.data(), prefix.size()) == 0)
                return r.uri;
        }
    const auto it = m_prefixes.find(std::string(prefix));
    if (it == m_prefixes.end())
        return nullptr;
    if (keep) {
        Recent& r = m_recent[m_recentNext];
        std::memcpy(r.prefix, prefix.data(), prefix.size());
        r.length = static_cast<uint8_t>(prefix.size());
        r.uri = it->second;
        m_recentNext = (m_recentNext + 1) % kRecent;
        m_recentCount = std::max(m_recentCount, m_recentNext == 0 ? kRecent : m_recentNext);
    }
    return it->second;
}

void XmlScanner::bind(std::string_view prefix, const std::string* uri)
{
    m_recentCount = 0;
    m_recentNext = 0;
    if (prefix.empty()) {
        m_bindings.push_back({std::string(), m_default});
        m_default = uri;
        return;
    }
    std::string key(prefix);
    const auto it = m_prefixes.find(key);
    m_bindings.push_back({key, it == m_prefixes.end() ? nullptr : it->second});
    m_prefixes[std::move(key)] = uri;
}

void XmlScanner::popElement()
{
    const Open top = m_open.back();
    m_open.pop_back();
    m_openNames.resize(top.nameBegin);
    if (m_bindings.size() > top.bindings) {
        m_recentCount = 0;
        m_recentNext = 0;
    }
    while (m_bindings.size() > top.bindings) {
        const Binding& b = m_bindings.back();
        if (b.prefix.empty())
            m_default = b.previous;
        else if (b.previous)
            m_prefixes[b.prefix] = b.previous;
        else
            m_prefixes.erase(b.prefix);
        m_bindings.pop_back();
    }
}

// Appends [p, end) with references replaced and line ends made LF (text) or
// every white space character a space (attributes), as XML reads them.
const char* XmlScanner::decode(const char* p, const char* end, bool attribute, std::string& out) const
{
    const ByteSet& special = attribute ? kAttributeSpecial : kTextSpecial;
    while (p < end) {
        const char* run = p;
        while (p < end && !special(*p))
            ++p;
        out.append(run, static_cast<size_t>(p - run));
        if (p == end)
            break;
        const char c = *p;
        if (c == '\r') {
            out += attribute ? ' ' : '\n';
            ++p;
            if (p < end && *p == '\n')
                ++p;
            continue;
        }
        if (c != '&') {
            out += ' ';
            ++p;
            continue;
        }
        const char* semicolon = static_cast<const char*>(std::memchr(p, ';', static_cast<size_t>(end - p)));
        if (!semicolon)
            fail("a reference without its ';'", p);
        const std::string_view ref(p + 1, static_cast<size_t>(semicolon - p - 1));
        if (ref == "lt")
            out += '<';
        else if (ref == "gt")
            out += '>';
        else if (ref == "amp")
            out += '&';
        else if (ref == "quot")
            out += '"';
        else if (ref == "apos")
            out += '\'';
        else if (ref.size() >= 2 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            uint32_t value = 0;
            bool ok = !digits.empty();
            for (const char d : digits) {
                int v = -1;
                if (d >= '0' && d <= '9')
                    v = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    v = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F')
                    v = d - 'A' + 10;
                if (v < 0) {
                    ok = false;
                    break;
                }
                value = std::min<uint32_t>(value * (hex ? 16 : 10) + static_cast<uint32_t>(v), 0x110000);
            }
            if (!ok || !isXmlChar(value))
                fail("a character reference to no character", p);
            appendUtf8(out, value);
        } else {
            // Only XML's own entities exist: a part declares no others.
            fail("a reference to an unknown entity", p);
        }
        p = semicolon + 1;
    }
    return p;
}

XmlScanner::Token XmlScanner::next()
{
    if (!m_prepared) {
        prepare();
        if (!m_transcoded) {
            m_checkUtf8 = true;
            checkUtf8(m_buffer.data() + m_begin, m_buffer.data() + m_end);
        }
    }
    if (m_pendingEnd) {
        m_pendingEnd = false;
        popElement();
        return Token::EndElement;
    }
    if (m_done)
        return Token::EndDocument;
    bool triedAtEnd = false;
    for (;;) {
        m_scratch.clear();
        if (m_begin == m_end) {
            if (more())
                continue;
            checkPassed(m_begin);
            if (!m_open.empty())
                fail("the data ends before every element is closed", m_buffer.data() + m_end);
            if (!m_rootSeen)
                fail("no element in the document", m_buffer.data() + m_end);
            m_done = true;
            return Token::EndDocument;
        }
        Token token = Token::EndDocument;
        Step outcome;
        const char* const base = m_buffer.data() + m_begin;
        if (*base != '<') {
            outcome = textRun(token);
        } else if (m_end - m_begin < 2) {
            outcome = Step::More;
        } else if (base[1] == '/') {
            outcome = endTag(token);
        } else if (base[1] == '?' || base[1] == '!') {
            outcome = special(token);
        } else {
            outcome = startTag(token);
        }
        if (outcome == Step::More) {
            if (more())
                continue;
            // The data has ended: the step is tried once more knowing it (a
            // short comment last in the document is whole); a second time it is cut.
            if (triedAtEnd) {
                checkPassed(m_end);
                fail("the data ends inside a tag", m_buffer.data() + m_end);
            }
            triedAtEnd = true;
            continue;
        }
        m_atStart = false;
        checkPassed(m_begin);
        if (outcome == Step::Produced)
            return token;
    }
}

XmlScanner::Step XmlScanner::startTag(Token& token)
{
    char* const data = m_buffer.data();
    const char* const base = data + m_begin;
    const char* const end = data + m_end;
    const char* p = base + 1;
    const char* const qname = p;
    while (p < end && !kNameEnd(*p))
        ++p;
    if (p == end)
        return Step::More;
    const size_t qlen = static_cast<size_t>(p - qname);
    if (qlen == 0)
        fail("a tag without a name", p);
    if (m_rootSeen && m_open.empty())
        fail("a second root element", base);

    m_raw.clear();
    bool empty = false;
    for (;;) {
        const char* const space = p;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return Step::More;
        if (*p == '>') {
            ++p;
            break;
        }
        if (*p == '/') {
            if (p + 1 == end)
                return Step::More;
            if (p[1] != '>')
                fail("a '/' in a tag not followed by '>'", p);
            p += 2;
            empty = true;
            break;
        }
        if (p == space)
            fail("attributes not parted by white space", p);
        const char* const an = p;
        while (p < end && !kNameEnd(*p))
            ++p;
        if (p == end)
            return Step::More;
        if (p == an)
            fail("an attribute without a name", p);
        const size_t alen = static_cast<size_t>(p - an);
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return Step::More;
        if (*p != '=')
            fail("an attribute without a value", p);
        ++p;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return Step::More;
        const char quote = *p;
        if (quote != '"' && quote != '\'')
            fail("an attribute value without quotes", p);
        const char* const value = ++p;
        const char* const close = static_cast<const char*>(std::memchr(p, quote, static_cast<size_t>(end - p)));
        if (!close)
            return Step::More;
        bool plain = true;
        for (const char* s = value; s < close; ++s)
            if (kValueSpecial(*s)) {
                if (*s == '<')
                    fail("a '<' in an attribute value", s);
                plain = false;
            }
        const void* colon = std::memchr(an, ':', alen);
        RawAttribute raw{an, alen, colon ? static_cast<size_t>(static_cast<const char*>(colon) - an) : std::string::npos,
                         0, 0, !plain};
        if (plain) {
            raw.valueBegin = static_cast<size_t>(value - base);
            raw.valueLength = static_cast<size_t>(close - value);
        } else {
            raw.valueBegin = m_scratch.size();
            decode(value, close, true, m_scratch);
            raw.valueLength = m_scratch.size() - raw.valueBegin;
        }
        m_raw.push_back(raw);
        p = close + 1;
    }

    // The whole tag is in hand: its declarations first, then its names.
    m_begin = static_cast<size_t>(p - data);
    const size_t bindingsBefore = m_bindings.size();
    m_attributes.clear();
    for (const RawAttribute& r : m_raw) {
        const std::string_view q(r.qname, r.qnameLength);
        const std::string_view v = r.decoded ? std::string_view(m_scratch.data() + r.valueBegin, r.valueLength)
                                             : std::string_view(base + r.valueBegin, r.valueLength);
        if (q == "xmlns") {
            bind(std::string_view(), intern(v));
            m_attributes.push_back({*m_xmlns, std::string_view(), v});
        } else if (q.size() > 6 && q.substr(0, 6) == "xmlns:") {
            const std::string_view prefix = q.substr(6);
            if (v.empty() || prefix == "xmlns" || prefix.find(':') != std::string_view::npos)
                fail("a namespace declaration that declares nothing", r.qname);
            bind(prefix, intern(v));
            m_attributes.push_back({*m_xmlns, prefix, v});
        }
    }
    // Declarations are kept with the attributes above only to find repeats.
    const size_t declarations = m_attributes.size();
    for (const RawAttribute& r : m_raw) {
        const std::string_view q(r.qname, r.qnameLength);
        if (q == "xmlns" || (q.size() > 6 && q.substr(0, 6) == "xmlns:"))
            continue;
        const std::string_view v = r.decoded ? std::string_view(m_scratch.data() + r.valueBegin, r.valueLength)
                                             : std::string_view(base + r.valueBegin, r.valueLength);
        if (r.colon == std::string::npos) {
            m_attributes.push_back({*m_none, q, v});
            continue;
        }
        const std::string_view prefix = q.substr(0, r.colon);
        const std::string_view local = q.substr(r.colon + 1);
        const std::string* ns = prefix.empty() ? nullptr : lookup(prefix);
        if (!ns || local.empty() || local.find(':') != std::string_view::npos)
            fail("an attribute whose prefix is not declared", r.qname);
        m_attributes.push_back({*ns, local, v});
    }
    const size_t count = m_attributes.size();
    if (count > 1) {
        const auto same = [](const Attribute& a, const Attribute& b) {
            return a.ns.data() == b.ns.data() && a.name == b.name;
        };
        bool repeated = false;
        if (count <= 16) {
            for (size_t i = 0; i < count && !repeated; ++i)
                for (size_t j = i + 1; j < count && !repeated; ++j)
                    repeated = same(m_attributes[i], m_attributes[j]);
        } else {
            std::vector<std::pair<const char*, std::string_view>> keys;
            keys.reserve(count);
            for (const Attribute& a : m_attributes)
                keys.emplace_back(a.ns.data(), a.name);
            std::sort(keys.begin(), keys.end());
            repeated = std::adjacent_find(keys.begin(), keys.end()) != keys.end();
        }
        if (repeated)
            fail("an attribute given twice", base);
    }
    m_attributes.erase(m_attributes.begin(), m_attributes.begin() + static_cast<std::ptrdiff_t>(declarations));

    nameElement(qname, qlen);
    m_open.push_back({m_openNames.size(), qlen, bindingsBefore});
    m_openNames.append(qname, qlen);
    m_rootSeen = true;
    m_pendingEnd = empty;
    token = Token::StartElement;
    return Step::Produced;
}

// The local name and namespace of an element's qualified name.
void XmlScanner::nameElement(const char* qname, size_t length)
{
    const void* colon = std::memchr(qname, ':', length);
    if (!colon) {
        m_name = std::string_view(qname, length);
        m_ns = *m_default;
        return;
    }
    const std::string_view prefix(qname, static_cast<size_t>(static_cast<const char*>(colon) - qname));
    m_name = std::string_view(qname + prefix.size() + 1, length - prefix.size() - 1);
    const std::string* ns = prefix.empty() || prefix == "xmlns" ? nullptr : lookup(prefix);
    if (!ns || m_name.empty() || m_name.find(':') != std::string_view::npos)
        fail("an element whose prefix is not declared", qname);
    m_ns = *ns;
}

XmlScanner::Step XmlScanner::endTag(Token& token)
{
    const char* const data = m_buffer.data();
    const char* const base = data + m_begin;
    const char* const end = data + m_end;
    const char* p = base + 2;
    const char* const qname = p;
    while (p < end && !kNameEnd(*p))
        ++p;
    const size_t qlen = static_cast<size_t>(p - qname);
    while (p < end && isSpace(*p))
        ++p;
    if (p == end)
        return Step::More;
    if (*p != '>' || qlen == 0)
        fail("an end tag not closed by '>'", p);
    if (m_open.empty())
        fail("an end tag with no element open", base);
    const Open& top = m_open.back();
    if (qlen != top.nameLength || std::memcmp(qname, m_openNames.data() + top.nameBegin, qlen) != 0)
        fail("an end tag that closes another element than the last opened", base);
    nameElement(qname, qlen);  // the start's declarations are still in scope
    m_begin = static_cast<size_t>(p + 1 - data);
    popElement();
    token = Token::EndElement;
    return Step::Produced;
}

XmlScanner::Step XmlScanner::textRun(Token& token)
{
    const char* const data = m_buffer.data();
    const char* const base = data + m_begin;
    const char* const end = data + m_end;
    if (m_open.empty()) {
        // Outside the root only white space may stand.
        const char* p = base;
        while (p < end && isSpace(*p))
            ++p;
        if (p < end && *p != '<')
            fail(m_rootSeen ? "text after the root element" : "text before the root element", p);
        m_begin = static_cast<size_t>(p - data);
        return Step::Passed;
    }
    const char* const lt = static_cast<const char*>(std::memchr(base, '<', static_cast<size_t>(end - base)));
    const char* stop = lt ? lt : end;
    if (!lt && !m_eof) {
        // The buffer's end may cut a reference or a CR LF: that piece waits for the next read.
        const char* const amp = static_cast<const char*>(memrchr(base, '&', static_cast<size_t>(stop - base)));
        if (amp && !std::memchr(amp, ';', static_cast<size_t>(stop - amp)))
            stop = amp;
        if (stop > base && stop[-1] == '\r')
            --stop;
        // Nor is a character split: each piece is whole UTF-8.
        for (const char* q = stop; q > base && stop - q < 4;) {
            const auto c = static_cast<unsigned char>(*--q);
            if ((c & 0xC0) == 0x80)
                continue;
            const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (stop - q < length)
                stop = q;
            break;
        }
        if (stop == base)
            return Step::More;
    }
    const size_t length = static_cast<size_t>(stop - base);
    if (std::memchr(base, '&', length) || std::memchr(base, '\r', length)) {
        decode(base, stop, false, m_scratch);
        m_text = m_scratch;
    } else {
        m_text = std::string_view(base, length);
    }
    m_begin = static_cast<size_t>(stop - data);
    token = Token::Text;
    return Step::Produced;
}

XmlScanner::Step XmlScanner::special(Token& token)
{
    const char* const data = m_buffer.data();
    const char* const base = data + m_begin;
    const char* const end = data + m_end;
    if (base[1] == '?') {
        const char* const close = find(base + 2, end, "?>");
        if (!close)
            return Step::More;
        const char* p = base + 2;
        while (p < close && !kNameEnd(*p))
            ++p;
        const std::string_view target(base + 2, static_cast<size_t>(p - base - 2));
        if (target.empty())
            fail("a processing instruction without a name", base);
        if (equalsNoCase(target, "xml") && !(m_atStart && target == "xml"))
            fail("an XML declaration after the start of the document", base);
        m_begin = static_cast<size_t>(close + 2 - data);
        return Step::Passed;
    }
    // "<![CDATA[" is the longest opening to tell apart.
    if (static_cast<size_t>(end - base) < 9 && !m_eof)
        return Step::More;
    if (startsWith(base, end, "<!--")) {
        const char* const close = find(base + 4, end, "-->");
        if (!close)
            return Step::More;
        m_begin = static_cast<size_t>(close + 3 - data);
        return Step::Passed;
    }
    if (startsWith(base, end, "<![CDATA[")) {
        if (m_open.empty())
            fail("a CDATA section outside the root element", base);
        const char* const close = find(base + 9, end, "]]>");
        if (!close)
            return Step::More;
        const char* const text = base + 9;
        const size_t length = static_cast<size_t>(close - text);
        if (std::memchr(text, '\r', length)) {
            // Only line ends change inside a CDATA section; '&' is itself.
            for (const char* p = text; p < close; ++p) {
                if (*p != '\r') {
                    m_scratch += *p;
                } else {
                    m_scratch += '\n';
                    if (p + 1 < close && p[1] == '\n')
                        ++p;
                }
            }
            m_text = m_scratch;
        } else {
            m_text = std::string_view(text, length);
        }
        m_begin = static_cast<size_t>(close + 3 - data);
        token = Token::Text;
        return Step::Produced;
    }
    if (startsWith(base, end, "<!DOCTYPE"))
        fail(Error::Kind::DocumentType, "a document type declaration", base);
    fail("markup that is neither a comment nor a CDATA section", base);
}
