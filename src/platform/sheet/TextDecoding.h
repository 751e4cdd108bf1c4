#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringDecoder>

#include <memory>
#include <string>

// Decodes the bytes of a text form (tab-separated text, HTML) piece by piece,
// so that a large file is never held twice over as one string. A sequence cut
// at the end of one piece is completed by the next; bytes that are not valid
// in the encoding become U+FFFD.
class TextDecoding {
public:
    enum class Encoding { Utf8, Utf16LE, Utf16BE, CodePage, Named };

    // Windows code page `codePage` (874, 1252, ...).
    static TextDecoding codePage(int codePage);
    static TextDecoding of(Encoding e);
    // A charset label as HTML and MIME give it ("UTF-8", "windows-874",
    // "TIS-620", ...); `ok` false, and windows-1252, for one not known here.
    static TextDecoding forLabel(QByteArrayView label, bool* ok = nullptr);

    // The byte order mark at the start of `bytes`, if any: its length (0 when
    // none) and the encoding it names.
    static int byteOrderMark(QByteArrayView bytes, Encoding& e);

    Encoding encoding() const { return m_encoding; }
    int codePageNumber() const { return m_codePage; }

    // Appends the characters of the next piece to `out`. `last` says that no
    // piece follows, so an unfinished sequence is flushed as U+FFFD.
    void decode(QByteArrayView bytes, std::u16string& out, bool last = false);

private:
    Encoding m_encoding = Encoding::Utf8;
    int m_codePage = 0;
    QByteArray m_name;
    std::shared_ptr<QStringDecoder> m_decoder;
    int m_pending = -1;  // an odd byte of UTF-16 waiting for its partner
};
