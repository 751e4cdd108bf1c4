#pragma once

#include <QByteArray>

#include <vector>

// The parts of an MHTML document (a MIME message, multipart/related as
// browsers and Excel save web pages): each part's type, charset and location
// from its headers, and its body decoded from quoted-printable or base64.
namespace MhtmlDocument {

struct Part {
    QByteArray type;      // "text/html", lower-case, without parameters
    QByteArray charset;   // as the Content-Type names it, or empty
    QByteArray location;  // Content-Location, or empty
    QByteArray body;      // decoded
};

// The parts in the order of the message; a message that is not multipart is
// one part. Empty when `bytes` hold no header block. Never throws on bad
// input: what cannot be split or decoded is taken as it stands.
std::vector<Part> parts(const QByteArray& bytes);

// The part holding the page of the first worksheet: the main page when it
// holds a table; when it is a frameset (a workbook of several sheets), the
// page its first worksheet or frame names; else the first page after it that
// holds a table. -1 when no page holds a table.
int sheetPart(const std::vector<Part>& parts);

// Whether an HTML page's bytes (8-bit or UTF-16) hold a <table> tag.
bool holdsTable(const QByteArray& html);

// Quoted-printable, as MIME defines it: "=XX" bytes and soft line breaks.
QByteArray decodeQuotedPrintable(const QByteArray& text);

}
