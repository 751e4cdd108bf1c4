#include "WorkbookFile.h"

#include "HtmlWorkbook.h"
#include "OdsWorkbook.h"
#include "SheetMessages.h"
#include "TextWorkbook.h"
#include "XlsWorkbook.h"
#include "XlsxWorkbook.h"
#include "XmlSpreadsheetWorkbook.h"
#include "ZipArchive.h"

#include <QStringDecoder>

#include <cstring>

namespace WorkbookFile {

namespace {

const uint8_t kOleMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool startsWith(const QByteArray& b, qsizetype at, const char* s)
{
    const auto n = static_cast<qsizetype>(std::strlen(s));
    return b.size() >= at + n && std::memcmp(b.constData() + at, s, static_cast<size_t>(n)) == 0;
}

bool isRawBiff(const QByteArray& b)
{
    if (b.size() < 8)
        return false;
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData());
    const auto type = static_cast<uint16_t>(p[0] | p[1] << 8);
    const auto len = static_cast<uint16_t>(p[2] | p[3] << 8);
    return (type == 0x0809 || type == 0x0009 || type == 0x0209 || type == 0x0409) && len >= 4 && len <= 32;
}

// The first bytes as text, by their byte order mark (UTF-8 otherwise, which
// keeps the ASCII that tells the forms apart whatever the 8-bit page).
QString head(const QByteArray& b)
{
    const QByteArray h = b.left(64 * 1024);
    const auto* p = reinterpret_cast<const uint8_t*>(h.constData());
    if (h.size() >= 2 && p[0] == 0xFF && p[1] == 0xFE)
        return QStringDecoder(QStringDecoder::Utf16LE).decode(h.mid(2));
    if (h.size() >= 2 && p[0] == 0xFE && p[1] == 0xFF)
        return QStringDecoder(QStringDecoder::Utf16BE).decode(h.mid(2));
    if (startsWith(h, 0, "\xEF\xBB\xBF"))
        return QString::fromUtf8(h.mid(3));
    // UTF-16 without a mark: every other byte zero in ASCII text.
    if (h.size() >= 4 && p[1] == 0 && p[3] == 0 && p[0] != 0)
        return QStringDecoder(QStringDecoder::Utf16LE).decode(h);
    return QString::fromLatin1(h);
}

bool hasControlBytes(const QByteArray& b)
{
    const qsizetype n = std::min<qsizetype>(b.size(), 4096);
    const auto* p = reinterpret_cast<const uint8_t*>(b.constData());
    const bool utf16 = n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF));
    if (utf16)
        return false;
    for (qsizetype k = 0; k < n; ++k)
        if (p[k] == 0 || (p[k] < 0x20 && p[k] != '\t' && p[k] != '\r' && p[k] != '\n' && p[k] != '\f'))
            return true;
    return false;
}

// Where the first element of XML or HTML text starts (its "<"), or -1 when
// the text does not begin with markup.
qsizetype rootStart(QStringView t)
{
    qsizetype i = 0;
    const qsizetype n = t.size();
    for (;;) {
        while (i < n && t[i].isSpace())
            ++i;
        if (i >= n || t[i] != u'<')
            return -1;
        if (t.mid(i, 4) == u"<!--") {
            const qsizetype e = t.indexOf(u"-->", i + 4);
            if (e < 0)
                return -1;
            i = e + 3;
            continue;
        }
        if (t.mid(i, 2) == u"<?" || t.mid(i, 2) == u"<!") {
            qsizetype e = t.indexOf(u'>', i + 2);
            // A document type's internal subset holds declarations of its own,
            // each with a '>'; the readers refuse it, so it must reach them.
            const qsizetype subset = t.indexOf(u'[', i + 2);
            if (subset >= 0 && subset < e && t.mid(i, 9).compare(u"<!DOCTYPE", Qt::CaseInsensitive) == 0) {
                const qsizetype close = t.indexOf(u']', subset);
                e = close < 0 ? -1 : t.indexOf(u'>', close);
            }
            if (e < 0)
                return -1;
            i = e + 1;
            continue;
        }
        return i;
    }
}

// The local name of the first element of XML or HTML text, lower-case; empty
// when the text does not begin with markup.
QString firstElement(QStringView t)
{
    const qsizetype i = rootStart(t);
    if (i < 0)
        return QString();
    const qsizetype n = t.size();
    qsizetype j = i + 1;
    while (j < n && !t[j].isSpace() && t[j] != u'>' && t[j] != u'/')
        ++j;
    QString name = t.mid(i + 1, j - i - 1).toString().toLower();
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    return colon >= 0 ? name.mid(colon + 1) : name;
}

constexpr QLatin1StringView kOfficeNs("urn:oasis:names:tc:opendocument:xmlns:office:1.0");

// An OpenDocument saved as one XML document has the root office:document,
// and its office:mimetype says what it is. Sets `mime` (empty when the root
// has none) and says whether the text is such a document; the root's start
// tag is read attribute by attribute, its namespace as the tag declares it.
bool flatOpenDocument(QStringView t, QString& mime)
{
    qsizetype i = rootStart(t);
    if (i < 0)
        return false;
    const qsizetype n = t.size();
    qsizetype j = ++i;
    while (j < n && !t[j].isSpace() && t[j] != u'>' && t[j] != u'/')
        ++j;
    const QStringView qname = t.mid(i, j - i);
    const qsizetype colon = qname.indexOf(u':');
    if (qname.mid(colon + 1) != u"document")
        return false;
    const QString declaration = colon < 0 ? QStringLiteral("xmlns") : QLatin1String("xmlns:") + qname.left(colon).toString();
    bool office = false;
    mime.clear();
    for (;;) {
        while (j < n && t[j].isSpace())
            ++j;
        if (j >= n || t[j] == u'>' || t[j] == u'/')
            break;
        const qsizetype nameAt = j;
        while (j < n && !t[j].isSpace() && t[j] != u'=' && t[j] != u'>')
            ++j;
        const QStringView name = t.mid(nameAt, j - nameAt);
        while (j < n && t[j].isSpace())
            ++j;
        if (j >= n || t[j] != u'=')
            return false;
        ++j;
        while (j < n && t[j].isSpace())
            ++j;
        if (j >= n || (t[j] != u'"' && t[j] != u'\''))
            return false;
        const qsizetype close = t.indexOf(t[j], j + 1);
        if (close < 0)
            return false;
        const QStringView value = t.mid(j + 1, close - j - 1);
        j = close + 1;
        if (name == declaration)
            office = value == kOfficeNs;
        else if (name == u"mimetype" || name.endsWith(u":mimetype"))
            mime = value.trimmed().toString();
    }
    return office;
}

bool isSpreadsheetMime(QStringView mime)
{
    return mime == u"application/vnd.oasis.opendocument.spreadsheet"
           || mime == u"application/vnd.oasis.opendocument.spreadsheet-template";
}

// What an OpenDocument that is no spreadsheet is, by its media type.
QString describeOpenDocument(QStringView mime, bool flat)
{
    if (mime.contains(u"opendocument.text"))
        return flat ? QStringLiteral("เอกสารข้อความ OpenDocument (.fodt)") : QStringLiteral("เอกสารข้อความ OpenDocument (.odt)");
    if (mime.contains(u"opendocument.presentation"))
        return flat ? QStringLiteral("งานนำเสนอ OpenDocument (.fodp)") : QStringLiteral("งานนำเสนอ OpenDocument (.odp)");
    if (mime.contains(u"opendocument"))
        return QStringLiteral("เอกสาร OpenDocument ที่ไม่ใช่ตารางคำนวณ");
    return QString();
}

bool isMime(QStringView t)
{
    // A mail message's header block: "Name: value" lines, MIME-Version among them.
    const qsizetype end = t.indexOf(u"\n\n") >= 0 ? t.indexOf(u"\n\n") : std::min<qsizetype>(t.size(), 4096);
    const QStringView headers = t.left(std::min<qsizetype>(end, 8192));
    return headers.startsWith(u"MIME-Version:", Qt::CaseInsensitive)
           || headers.contains(u"\nMIME-Version:", Qt::CaseInsensitive);
}

Form sniffZip(const QByteArray& bytes)
{
    try {
        ZipArchive zip(bytes);
        if (zip.contains(QStringLiteral("mimetype"))) {
            const QByteArray mime = zip.read(QStringLiteral("mimetype"), 256).trimmed();
            return mime == "application/vnd.oasis.opendocument.spreadsheet"
                           || mime == "application/vnd.oasis.opendocument.spreadsheet-template"
                       ? Form::Ods
                       : Form::OtherZip;
        }
        if (zip.contains(QStringLiteral("content.xml")) && !zip.contains(QStringLiteral("[Content_Types].xml")))
            return Form::Ods;  // an OpenDocument file whose writer left out the mimetype member
        if (zip.contains(QStringLiteral("[Content_Types].xml"))) {
            const QByteArray types = zip.read(QStringLiteral("[Content_Types].xml"), 4 << 20);
            if (types.contains("sheet.binary.macroEnabled.main") || zip.contains(QStringLiteral("xl/workbook.bin")))
                return Form::Xlsb;
            if (types.contains("spreadsheetml") || zip.contains(QStringLiteral("xl/workbook.xml")))
                return Form::Xlsx;
            // Some writers leave the workbook's type out; the relationships still lead to it.
            if (zip.contains(QStringLiteral("_rels/.rels"))) {
                const QByteArray rels = zip.read(QStringLiteral("_rels/.rels"), 4 << 20);
                if (rels.contains("officeDocument") && !types.contains("wordprocessingml")
                    && !types.contains("presentationml"))
                    return Form::Xlsx;
            }
        }
        return Form::OtherZip;
    } catch (const ZipArchive::Failure&) {
        return Form::OtherZip;
    }
}

// What a ZIP that is no workbook we read holds, for the message.
QString describeZip(const QByteArray& bytes)
{
    try {
        ZipArchive zip(bytes);
        if (zip.contains(QStringLiteral("mimetype"))) {
            const QString what = describeOpenDocument(QString::fromLatin1(zip.read(QStringLiteral("mimetype"), 256)), false);
            if (!what.isEmpty())
                return what;
        }
        if (zip.contains(QStringLiteral("word/document.xml")))
            return QStringLiteral("เอกสาร Word (.docx)");
        if (zip.contains(QStringLiteral("ppt/presentation.xml")))
            return QStringLiteral("งานนำเสนอ PowerPoint (.pptx)");
        for (const QString& n : zip.names())
            if (n.startsWith(QLatin1String("Index/"), Qt::CaseInsensitive) && n.endsWith(QLatin1String(".iwa")))
                return QStringLiteral("เอกสาร Numbers หรือเอกสารอื่นของ iWork");
        if (zip.contains(QStringLiteral("index.xml")) || zip.contains(QStringLiteral("Index.zip")))
            return QStringLiteral("เอกสาร Numbers หรือเอกสารอื่นของ iWork");
        return QStringLiteral("แฟ้มบีบอัด (ZIP) ที่ไม่มีสมุดงานอยู่ข้างใน");
    } catch (const ZipArchive::Failure&) {
        return QString();
    }
}

}

Form sniff(const QByteArray& bytes)
{
    if (bytes.size() >= 8 && std::memcmp(bytes.constData(), kOleMagic, 8) == 0)
        return Form::Biff;
    if (isRawBiff(bytes))
        return Form::Biff;
    if (startsWith(bytes, 0, "PK\x03\x04") || startsWith(bytes, 0, "PK\x05\x06") || startsWith(bytes, 0, "PK\x07\x08"))
        return sniffZip(bytes);
    if (hasControlBytes(bytes))
        return Form::Binary;
    const QString h = head(bytes);
    if (isMime(h))
        return Form::Mhtml;
    const QString first = firstElement(h);
    if (!first.isEmpty()) {
        if (first == QLatin1String("workbook"))
            return Form::XmlSpreadsheet;
        QString mime;
        if (first == QLatin1String("document") && flatOpenDocument(h, mime))
            // A root without a media type is read: its body says whether it holds a table.
            return mime.isEmpty() || isSpreadsheetMime(mime) ? Form::FlatOds : Form::OtherOpenDocument;
        static const char* const kHtml[] = {"html", "head", "body", "table", "meta", "title", "style", "div", "p", "tr"};
        for (const char* e : kHtml)
            if (first == QLatin1String(e))
                return Form::Html;
        if (h.contains(QLatin1String("<table"), Qt::CaseInsensitive))
            return Form::Html;
        return Form::OtherXml;
    }
    return Form::Tsv;
}

std::unique_ptr<Workbook> open(const QString& path)
{
    return openData(SheetMessages::readWholeFile(path), path);
}

std::unique_ptr<Workbook> openData(const QByteArray& bytes, const QString& path)
{
    if (bytes.isEmpty())
        SheetMessages::failEmpty(path);
    const QString file = SheetMessages::file(path);
    switch (sniff(bytes)) {
    case Form::Biff: {
        auto book = std::make_unique<XlsWorkbook>();
        book->openData(bytes, path);
        return book;
    }
    case Form::Xlsx: {
        auto book = std::make_unique<XlsxWorkbook>();
        book->openData(bytes, path);
        return book;
    }
    case Form::Ods: {
        auto book = std::make_unique<OdsWorkbook>();
        book->openData(bytes, path);
        return book;
    }
    case Form::FlatOds: {
        auto book = std::make_unique<OdsWorkbook>();
        book->openFlat(bytes, path);
        return book;
    }
    case Form::OtherOpenDocument: {
        QString mime;
        flatOpenDocument(head(bytes), mime);
        QString what = describeOpenDocument(mime, true);
        if (what.isEmpty())  // a media type of no OpenDocument kind
            what = QStringLiteral("เอกสาร OpenDocument ที่ไม่ใช่ตารางคำนวณ");
        SheetMessages::fail(file + QStringLiteral(" เป็น") + what + QStringLiteral(" ไม่ใช่สมุดงานที่โปรแกรมอ่านได้ ")
                            + SheetMessages::saveAsReadable());
    }
    case Form::XmlSpreadsheet: {
        auto book = std::make_unique<XmlSpreadsheetWorkbook>();
        book->openData(bytes, path);
        return book;
    }
    case Form::Xlsb:
        SheetMessages::fail(file + QStringLiteral(" เป็นแฟ้ม Excel Binary Workbook (.xlsb) ซึ่งโปรแกรมอ่านไม่ได้ ")
                            + SheetMessages::saveAsReadable());
    case Form::OtherZip: {
        const QString what = describeZip(bytes);
        if (what.isEmpty())
            SheetMessages::failDamaged(path, QStringLiteral("โครงสร้างแฟ้มบีบอัด (ZIP) ขาดหายหรือผิดรูป"));
        SheetMessages::fail(file + QStringLiteral(" เป็น") + what + QStringLiteral(" ไม่ใช่สมุดงานที่โปรแกรมอ่านได้ ")
                            + SheetMessages::saveAsReadable());
    }
    case Form::OtherXml:
        SheetMessages::fail(file + QStringLiteral(" เป็นแฟ้ม XML ที่ไม่ใช่ตารางข้อมูล (XML Spreadsheet 2003) ")
                            + SheetMessages::saveAsReadable());
    case Form::Binary:
        SheetMessages::fail(file + QStringLiteral(" ไม่ใช่แฟ้มตารางข้อมูลชนิดที่โปรแกรมรู้จัก ") + SheetMessages::saveAsReadable());
    case Form::Tsv: {
        auto book = std::make_unique<TextWorkbook>();
        book->openData(bytes, path);
        return book;
    }
    case Form::Html: {
        auto book = std::make_unique<HtmlWorkbook>();
        book->openHtml(bytes, path);
        return book;
    }
    case Form::Mhtml: {
        auto book = std::make_unique<HtmlWorkbook>();
        book->openMhtml(bytes, path);
        return book;
    }
    }
    SheetMessages::fail(file + QStringLiteral(" เป็นแฟ้มชนิดที่โปรแกรมยังอ่านไม่ได้ ") + SheetMessages::saveAsReadable());
}

}
