#include "MhtmlDocument.h"

#include <QByteArrayMatcher>
#include <QList>

#include <algorithm>
#include <cstring>
#include <map>

namespace MhtmlDocument {

namespace {

// Nested multiparts deeper than this are taken as plain parts.
constexpr int kMaxDepth = 4;

struct Headers {
    std::map<QByteArray, QByteArray> values;  // name lower-case -> value unfolded
    QByteArray value(const char* name) const
    {
        const auto it = values.find(QByteArray(name));
        return it == values.end() ? QByteArray() : it->second;
    }
};

// The header block from `pos` up to its empty line; `pos` moves past it.
Headers readHeaders(const QByteArray& b, qsizetype& pos)
{
    Headers h;
    QByteArray name;
    QByteArray value;
    auto flush = [&] {
        if (!name.isEmpty())
            h.values[name.trimmed().toLower()] = value.trimmed();
        name.clear();
        value.clear();
    };
    while (pos < b.size()) {
        qsizetype end = b.indexOf('\n', pos);
        if (end < 0)
            end = b.size();
        QByteArray line = b.mid(pos, end - pos);
        pos = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        if ((line[0] == ' ' || line[0] == '\t') && !name.isEmpty()) {
            value += ' ';
            value += line.trimmed();
            continue;
        }
        flush();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        name = line.left(colon);
        value = line.mid(colon + 1);
    }
    flush();
    if (pos > b.size())
        pos = b.size();
    return h;
}

// "text/html; charset=\"x\"" -> type "text/html", parameters by lower-case name.
QByteArray splitContentType(const QByteArray& v, std::map<QByteArray, QByteArray>& params)
{
    QList<QByteArray> pieces;
    QByteArray cur;
    bool quoted = false;
    for (const char c : v) {
        if (c == '"')
            quoted = !quoted;
        if (c == ';' && !quoted) {
            pieces.append(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    pieces.append(cur);
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const qsizetype eq = pieces[i].indexOf('=');
        if (eq < 0)
            continue;
        QByteArray val = pieces[i].mid(eq + 1).trimmed();
        if (val.size() >= 2 && val.startsWith('"') && val.endsWith('"'))
            val = val.mid(1, val.size() - 2);
        params[pieces[i].left(eq).trimmed().toLower()] = val;
    }
    return pieces[0].trimmed().toLower();
}

QByteArray decodeBody(const QByteArray& body, const QByteArray& encoding)
{
    const QByteArray e = encoding.trimmed().toLower();
    if (e == "base64")
        return QByteArray::fromBase64(body);
    if (e == "quoted-printable")
        return decodeQuotedPrintable(body);
    return body;
}

bool atLineStart(const QByteArray& b, qsizetype at)
{
    return at == 0 || b[at - 1] == '\n';
}

void addParts(const QByteArray& b, qsizetype pos, const Headers& h, int depth, std::vector<Part>& out)
{
    std::map<QByteArray, QByteArray> params;
    const QByteArray type = splitContentType(h.value("content-type"), params);
    const QByteArray boundary = params.count("boundary") ? params["boundary"] : QByteArray();
    if (!type.startsWith("multipart/") || boundary.isEmpty() || depth >= kMaxDepth) {
        Part p;
        p.type = type;
        p.charset = params.count("charset") ? params["charset"] : QByteArray();
        p.location = h.value("content-location");
        p.body = decodeBody(b.mid(pos), h.value("content-transfer-encoding"));
        out.push_back(std::move(p));
        return;
    }
    const QByteArray delimiter = "--" + boundary;
    const QByteArrayMatcher matcher(delimiter);
    // Delimiters stand at the start of a line.
    auto next = [&](qsizetype from) {
        qsizetype at = matcher.indexIn(b, from);
        while (at >= 0 && !atLineStart(b, at))
            at = matcher.indexIn(b, at + 1);
        return at;
    };
    qsizetype at = next(pos);
    while (at >= 0) {
        qsizetype begin = at + delimiter.size();
        if (b.mid(begin, 2) == "--")
            return;  // the closing delimiter
        const qsizetype eol = b.indexOf('\n', begin);
        if (eol < 0)
            return;
        begin = eol + 1;
        const qsizetype following = next(begin);
        qsizetype end = following < 0 ? b.size() : following;
        // The line break before a delimiter belongs to it.
        if (following >= 0 && end > begin && b[end - 1] == '\n')
            --end;
        if (following >= 0 && end > begin && b[end - 1] == '\r')
            --end;
        const QByteArray part = b.mid(begin, end - begin);
        qsizetype hp = 0;
        const Headers ph = readHeaders(part, hp);
        addParts(part, hp, ph, depth + 1, out);
        at = following;
    }
}

bool matchesAt(const char* p, const char* end, const char* word, int stride)
{
    for (const char* w = word; *w; ++w) {
        if (p >= end || (*p | 0x20) != *w)
            return false;
        for (int k = 1; k < stride; ++k)
            if (p + k >= end || p[k] != 0)
                return false;
        p += stride;
    }
    return true;
}

// The target of the first worksheet or frame a frameset page names.
QList<QByteArray> framedPages(const QByteArray& html)
{
    QList<QByteArray> hrefs;
    const QByteArray lower = html.toLower();
    // An attribute's value within the tag that starts at `at`.
    auto valueAfter = [&](qsizetype at, const char* attr) -> QByteArray {
        // A tag of a frameset is short; looking no further keeps a page of
        // unclosed tags from being searched to its end for each.
        const qsizetype most = std::min<qsizetype>(lower.size() - at, 4096);
        const qsizetype gt = QByteArrayView(lower).sliced(at, most).indexOf('>');
        const qsizetype close = gt < 0 ? at + most : at + gt;
        const qsizetype a = QByteArrayView(lower).sliced(at, close - at).indexOf(attr);
        if (a < 0)
            return QByteArray();
        qsizetype i = at + a + static_cast<qsizetype>(std::strlen(attr));
        while (i < close && (html[i] == ' ' || html[i] == '='))
            ++i;
        char quote = 0;
        if (i < close && (html[i] == '"' || html[i] == '\''))
            quote = html[i++];
        qsizetype j = i;
        while (j < close && (quote ? html[j] != quote : html[j] != ' '))
            ++j;
        return html.mid(i, j - i);
    };
    // The workbook's own sheet list first, then the frames (the sheet's before the tab strip's).
    qsizetype at = lower.indexOf("worksheetsource");
    if (at >= 0) {
        const QByteArray h = valueAfter(at, "href");
        if (!h.isEmpty())
            hrefs.append(h);
    }
    QList<QByteArray> others;
    for (at = lower.indexOf("<frame"); at >= 0; at = lower.indexOf("<frame", at + 6)) {
        if (lower.mid(at, 9) == "<frameset")
            continue;
        const QByteArray src = valueAfter(at, "src");
        if (src.isEmpty())
            continue;
        if (valueAfter(at, "name").toLower() == "frsheet")
            hrefs.append(src);
        else
            others.append(src);
    }
    hrefs.append(others);
    return hrefs;
}

QByteArray normalised(QByteArray ref)
{
    ref = ref.trimmed().toLower();
    ref.replace('\\', '/');
    while (ref.startsWith("./"))
        ref.remove(0, 2);
    return ref;
}

bool isHtml(const Part& p)
{
    return p.type == "text/html" || p.type == "application/xhtml+xml";
}

}

QByteArray decodeQuotedPrintable(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    auto hex = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = text[i];
        if (c != '=') {
            out += c;
            continue;
        }
        // A soft line break: "=" with blanks before the end of the line.
        qsizetype j = i + 1;
        while (j < n && (text[j] == ' ' || text[j] == '\t'))
            ++j;
        if (j < n && (text[j] == '\r' || text[j] == '\n')) {
            if (text[j] == '\r' && j + 1 < n && text[j + 1] == '\n')
                ++j;
            i = j;
            continue;
        }
        if (j == n) {
            i = j;
            continue;
        }
        if (i + 2 < n && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) << 4 | hex(text[i + 2]));
            i += 2;
            continue;
        }
        out += c;  // a stray "=" stays as written
    }
    return out;
}

bool holdsTable(const QByteArray& html)
{
    const char* p = html.constData();
    const char* end = p + html.size();
    for (const char* at = p; (at = static_cast<const char*>(std::memchr(at, '<', static_cast<size_t>(end - at))));
         ++at) {
        if (matchesAt(at + 1, end, "table", 1))
            return true;
        // UTF-16 in either byte order: every character's other byte is zero.
        if (at + 1 < end && at[1] == 0 && matchesAt(at + 2, end, "table", 2))
            return true;
    }
    return false;
}

std::vector<Part> parts(const QByteArray& bytes)
{
    std::vector<Part> out;
    qsizetype pos = 0;
    // A UTF-8 mark before the headers changes nothing.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        pos = 3;
    const Headers h = readHeaders(bytes, pos);
    if (h.values.empty())
        return out;
    addParts(bytes, pos, h, 0, out);
    return out;
}

int sheetPart(const std::vector<Part>& parts)
{
    if (parts.empty())
        return -1;
    const Part& main = parts[0];
    const bool mainHtml = isHtml(main);
    if (mainHtml && holdsTable(main.body) && !main.body.toLower().contains("<frameset"))
        return 0;
    if (mainHtml) {
        for (const QByteArray& href : framedPages(main.body)) {
            const QByteArray ref = normalised(href);
            for (size_t i = 1; i < parts.size(); ++i) {
                const QByteArray loc = normalised(parts[i].location);
                if (!ref.isEmpty() && (loc == ref || loc.endsWith("/" + ref)) && isHtml(parts[i])
                    && holdsTable(parts[i].body))
                    return static_cast<int>(i);
            }
        }
    }
    for (size_t i = 0; i < parts.size(); ++i)
        if (isHtml(parts[i]) && holdsTable(parts[i].body))
            return static_cast<int>(i);
    return -1;
}

}
