// Files are told apart by what they hold, never by their name; what cannot be
// read is named for what it is, with the file's name and what to do.
#include "QStringPrint.h"
#include "TestEnv.h"
#include "WorkbookFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString corpus(const char* name)
{
    return TestEnv::fixture(QStringLiteral("corpus/") + QLatin1String(name));
}

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

// A ZIP of the given members (stored, not compressed), each holding its name.
QByteArray zipOf(const QStringList& members)
{
    QByteArray out, central;
    quint32 crcTable[256];
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        crcTable[i] = c;
    }
    auto le = [](QByteArray& b, quint32 v, int n) {
        for (int i = 0; i < n; ++i)
            b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    for (const QString& m : members) {
        const QByteArray name = m.toUtf8();
        const QByteArray data = name;
        quint32 crc = 0xFFFFFFFFu;
        for (char ch : data)
            crc = crcTable[(crc ^ static_cast<quint8>(ch)) & 0xFF] ^ (crc >> 8);
        crc ^= 0xFFFFFFFFu;
        const auto offset = static_cast<quint32>(out.size());
        le(out, 0x04034b50, 4), le(out, 20, 2), le(out, 0, 2), le(out, 0, 2), le(out, 0, 2), le(out, 0x21, 2);
        le(out, crc, 4), le(out, data.size(), 4), le(out, data.size(), 4), le(out, name.size(), 2), le(out, 0, 2);
        out += name + data;
        le(central, 0x02014b50, 4), le(central, 20, 2), le(central, 20, 2), le(central, 0, 2), le(central, 0, 2);
        le(central, 0, 2), le(central, 0x21, 2), le(central, crc, 4), le(central, data.size(), 4);
        le(central, data.size(), 4), le(central, name.size(), 2), le(central, 0, 2), le(central, 0, 2);
        le(central, 0, 2), le(central, 0, 2), le(central, 0, 4), le(central, offset, 4);
        central += name;
    }
    const auto at = static_cast<quint32>(out.size());
    out += central;
    le(out, 0x06054b50, 4), le(out, 0, 2), le(out, 0, 2), le(out, members.size(), 2), le(out, members.size(), 2);
    le(out, central.size(), 4), le(out, at, 4), le(out, 0, 2);
    return out;
}

QString openError(const QString& path)
{
    try {
        WorkbookFile::open(path);
    } catch (const Workbook::Error& e) {
        return QString::fromUtf8(e.what());
    }
    ADD_FAILURE() << "opening " << path.toStdString() << " did not fail";
    return {};
}

}

TEST(WorkbookFile, FormsAreToldByContentNotByName)
{
    using F = WorkbookFile::Form;
    EXPECT_EQ(WorkbookFile::sniff("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1rest"), F::Biff);
    EXPECT_EQ(WorkbookFile::sniff("a\tb\r\n1\t2\r\n"), F::Tsv);
    EXPECT_EQ(WorkbookFile::sniff("\xEF\xBB\xBF  <!-- x --><html><body><table><tr><td>1</td></tr></table>"), F::Html);
    EXPECT_EQ(WorkbookFile::sniff("<TABLE><TR><TD>1</TD></TR></TABLE>"), F::Html);
    EXPECT_EQ(WorkbookFile::sniff("<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>\n"
                                  "<ss:Workbook xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"/>"),
              F::XmlSpreadsheet);
    EXPECT_EQ(WorkbookFile::sniff("<?xml version=\"1.0\"?><catalog/>"), F::OtherXml);
    EXPECT_EQ(WorkbookFile::sniff("MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"x\"\r\n\r\n--x"),
              F::Mhtml);
    EXPECT_EQ(WorkbookFile::sniff(QByteArray("\xFF\xFE<\0h\0t\0m\0l\0>\0", 14)), F::Html);
    EXPECT_EQ(WorkbookFile::sniff(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), F::Binary);
    EXPECT_EQ(WorkbookFile::sniff("PK\x03\x04 not really a zip"), F::OtherZip);
    // One XML document of OpenDocument: its root in the office namespace, by
    // whatever prefix, and its media type; the same names elsewhere are not it.
    EXPECT_EQ(WorkbookFile::sniff("<?xml version=\"1.0\"?>\n<o:document o:version = '1.3'\n"
                                  " xmlns:o='urn:oasis:names:tc:opendocument:xmlns:office:1.0'"
                                  " o:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><o:body/></o:document>"),
              F::FlatOds);
    EXPECT_EQ(WorkbookFile::sniff("<document xmlns=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\"/>"), F::FlatOds);
    EXPECT_EQ(WorkbookFile::sniff("<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
                                  " office:mimetype=\"application/vnd.oasis.opendocument.text\"/>"),
              F::OtherOpenDocument);
    EXPECT_EQ(WorkbookFile::sniff("<office:document xmlns:office=\"urn:example:office\""
                                  " office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><table/>"),
              F::Html);
    EXPECT_EQ(WorkbookFile::sniff("<document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\"/>"),
              F::OtherXml);
}

TEST(WorkbookFile, WhatCannotBeReadIsNamedForWhatItIs)
{
    QTemporaryDir dir;
    struct Case {
        QString path;
        const char* says;
    };
    const Case cases[] = {
        {corpus("tests__data__Reader__XLS__pwtest.xls"), "มีรหัสผ่าน"},
        {corpus("src__TestData__as3xls_BIFF2.xls"), "Excel รุ่นเก่า"},
        {write(dir, "catalog.xls", "<?xml version=\"1.0\"?>\n<catalog/>"), "XML ที่ไม่ใช่ตารางข้อมูล"},
        {write(dir, "empty.xls", QByteArray()), "ว่างเปล่า"},
        {write(dir, "picture.xls", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), "ไม่ใช่แฟ้มตารางข้อมูลชนิดที่โปรแกรมรู้จัก"},
        {write(dir, "broken.xlsx", "PK\x03\x04 not really a zip"), "ZIP"},
        {write(dir, "letter.xls", zipOf({"[Content_Types].xml", "word/document.xml"})), "เอกสาร Word"},
        {write(dir, "budget.xlsx", zipOf({"Index/Document.iwa", "Metadata/Properties.plist"})), "Numbers"},
        {write(dir, "photos.xls", zipOf({"a.jpg", "b.jpg"})), "ไม่มีสมุดงาน"},
        {write(dir, "letter.fods",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document"
               " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
               " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.3\""
               " office:mimetype=\"application/vnd.oasis.opendocument.text\"><office:body><office:text>"
               "<text:p>Dear sir</text:p></office:text></office:body></office:document>"),
         "เป็นเอกสารข้อความ OpenDocument (.fodt) ไม่ใช่สมุดงาน"},
        {write(dir, "odd.fods",
               "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
               " office:mimetype=\"text/plain\"/>"),
         "เป็นเอกสาร OpenDocument ที่ไม่ใช่ตารางคำนวณ ไม่ใช่สมุดงาน"},
        // Declarations in the document type end in '>' too: the reader is
        // still found, and refuses it.
        {write(dir, "entities.fods",
               "<?xml version=\"1.0\"?>\n<!DOCTYPE d [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;\">]>\n<office:document"
               " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\">&b;</office:document>"),
         "บรรทัดที่ 2 ประกาศ DTD"},
        {TestEnv::fixture("damaged_truncated.xls"), "เสียหาย"},
        {TestEnv::fixture("damaged_no_sheet.xls"), "ไม่มีแผ่นงาน"},
    };
    for (const Case& c : cases) {
        const QString m = openError(c.path);
        EXPECT_TRUE(m.contains(QString::fromUtf8(c.says))) << c.path.toStdString() << ": " << m.toStdString();
        EXPECT_TRUE(m.contains(QDir::toNativeSeparators(c.path))) << m.toStdString();
    }
    EXPECT_TRUE(openError(corpus("tests__data__Reader__XLS__pwtest.xls")).contains(QStringLiteral("เอารหัสผ่านออก")));
    EXPECT_TRUE(openError(dir.filePath("picture.xls")).contains(QStringLiteral("Excel Workbook (*.xlsx)")));
}

// Inputs the fuzzers found that once ended the program: each must now open
// or be refused with a message, and every cell of it read or refused alike.
TEST(WorkbookFile, InputsThatOnceCrashedAreReadOrRefused)
{
    const QDir dir(TestEnv::fixture(QStringLiteral("fuzz")));
    const QStringList names = dir.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        std::unique_ptr<Workbook> book;
        try {
            book = WorkbookFile::open(dir.filePath(name));
        } catch (const Workbook::Error& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(name)) << e.what();
            continue;
        }
        QString text;
        for (int r = 1; r <= std::min(book->rowCount(), 2000); ++r)
            for (int c = 1; c <= std::min(book->colCount(), 64); ++c) {
                try {
                    book->readCell(r, c, text);
                } catch (const Workbook::Error&) {
                }
            }
    }
}
