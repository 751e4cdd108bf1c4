#include "TextDecoding.h"

#include "BiffBook.h"

#include <algorithm>
#include <cstring>

TextDecoding TextDecoding::codePage(int codePage)
{
    TextDecoding d;
    d.m_encoding = Encoding::CodePage;
    d.m_codePage = codePage;
    return d;
}

TextDecoding TextDecoding::of(Encoding e)
{
    TextDecoding d;
    d.m_encoding = e;
    if (e == Encoding::Utf8)
        d.m_decoder = std::make_shared<QStringDecoder>(QStringDecoder::Utf8);
    return d;
}

TextDecoding TextDecoding::forLabel(QByteArrayView label, bool* ok)
{
    const QByteArray l = label.toByteArray().trimmed().toLower();
    if (ok)
        *ok = true;
    if (l == "utf-8" || l == "utf8" || l == "unicode-1-1-utf-8")
        return of(Encoding::Utf8);
    if (l == "utf-16" || l == "utf-16le" || l == "unicode" || l == "ucs-2")
        return of(Encoding::Utf16LE);
    if (l == "utf-16be")
        return of(Encoding::Utf16BE);
    // Thai: the standard's name and the Windows page are read as one, as browsers do.
    static const char* const kThai[] = {"windows-874", "x-windows-874", "cp874", "ms874", "dos-874",
                                        "tis-620", "tis620", "iso-8859-11", "iso8859-11", "iso_8859-11"};
    for (const char* t : kThai)
        if (l == t)
            return codePage(874);
    // Latin 1 and ASCII labels mean windows-1252 on the web.
    static const char* const kLatin[] = {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1",
                                         "iso_8859-1", "latin1", "l1", "us-ascii", "ascii"};
    for (const char* t : kLatin)
        if (l == t)
            return codePage(1252);
    if (l.startsWith("windows-125") && l.size() == 12 && l[11] >= '0' && l[11] <= '8')
        return codePage(1250 + (l[11] - '0'));
    if (!l.isEmpty()) {
        auto named = std::make_shared<QStringDecoder>(l.constData());
        if (named->isValid()) {
            TextDecoding d;
            d.m_encoding = Encoding::Named;
            d.m_name = l;
            d.m_decoder = std::move(named);
            return d;
        }
    }
    if (ok)
        *ok = false;
    return codePage(1252);
}

int TextDecoding::byteOrderMark(QByteArrayView bytes, Encoding& e)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        e = Encoding::Utf8;
        return 3;
    }
    if (bytes.size() >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        e = Encoding::Utf16LE;
        return 2;
    }
    if (bytes.size() >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
        e = Encoding::Utf16BE;
        return 2;
    }
    return 0;
}

void TextDecoding::decode(QByteArrayView bytes, std::u16string& out, bool last)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = static_cast<size_t>(bytes.size());
    switch (m_encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        const bool le = m_encoding == Encoding::Utf16LE;
        size_t i = 0;
        out.reserve(out.size() + n / 2 + 1);
        if (m_pending >= 0 && n > 0) {
            const auto a = static_cast<unsigned char>(m_pending);
            out.push_back(static_cast<char16_t>(le ? (a | p[0] << 8) : (a << 8 | p[0])));
            m_pending = -1;
            i = 1;
        }
        for (; i + 1 < n; i += 2)
            out.push_back(static_cast<char16_t>(le ? (p[i] | p[i + 1] << 8) : (p[i] << 8 | p[i + 1])));
        if (i < n)
            m_pending = p[i];
        if (last && m_pending >= 0) {
            out.push_back(u'\uFFFD');
            m_pending = -1;
        }
        return;
    }
    case Encoding::CodePage: {
        // ASCII, most of any file, widens as it is; the page's table takes the rest.
        size_t i = 0;
        while (i < n) {
            size_t j = i;
            while (j < n && p[j] < 0x80)
                ++j;
            if (j > i) {
                const size_t at = out.size();
                out.resize(at + (j - i));
                std::copy(p + i, p + j, out.begin() + static_cast<std::ptrdiff_t>(at));
                i = j;
            }
            while (j < n && p[j] >= 0x80)
                ++j;
            if (j > i) {
                BiffBook::appendCodePage(out, p + i, j - i, m_codePage);
                i = j;
            }
        }
        return;
    }
    case Encoding::Utf8:
    case Encoding::Named: {
        const QString s = (*m_decoder)(bytes);
        out.append(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
        if (last && m_decoder->hasError())
            m_decoder->resetState();
        return;
    }
    }
}
