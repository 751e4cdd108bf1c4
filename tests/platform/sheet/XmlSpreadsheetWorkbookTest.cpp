// The XML Spreadsheet 2003 reader against files as Excel writes them and as
// other writers vary them: prefixes, placement by ss:Index and
// ss:MergeAcross, dates by style, and hostile XML.
#include "QStringPrint.h"
#include "TestEnv.h"
#include "WorkbookFile.h"
#include "XmlSpreadsheetWorkbook.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

QString openError(const QString& path)
{
    XmlSpreadsheetWorkbook book;
    try {
        book.open(path);
    } catch (const Workbook::Error& e) {
        EXPECT_FALSE(book.isOpen());
        return QString::fromUtf8(e.what());
    }
    ADD_FAILURE() << "opening " << path.toStdString() << " did not fail";
    return {};
}

QString cellError(const Workbook& book, int row, int col)
{
    try {
        book.cellText(row, col);
    } catch (const Workbook::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

// As Excel writes it: the spreadsheet namespace as the default one and ss:
// on the attributes.
const char kExcel[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<?mso-application progid="Excel.Sheet"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:o="urn:schemas-microsoft-com:office:office"
 xmlns:x="urn:schemas-microsoft-com:office:excel"
 xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:html="http://www.w3.org/TR/REC-html40">
 <Styles>
  <Style ss:ID="Default" ss:Name="Normal"><Alignment ss:Vertical="Bottom"/></Style>
  <Style ss:ID="sDate"><NumberFormat ss:Format="Short Date"/></Style>
  <Style ss:ID="sChild" ss:Parent="sDate"><Font ss:Bold="1"/></Style>
  <Style ss:ID="sCustom"><NumberFormat ss:Format="dd/mm/yyyy;@"/></Style>
  <Style ss:ID="sGeneralDate"><NumberFormat ss:Format="General Date"/></Style>
  <Style ss:ID="sTime"><NumberFormat ss:Format="Short Time"/></Style>
  <Style ss:ID="sFixed"><NumberFormat ss:Format="Fixed"/></Style>
  <Style ss:ID="sThai"><NumberFormat ss:Format="[$-D07041E]d/m/bbbb;@"/></Style>
 </Styles>
 <Worksheet ss:Name="Cheques">
  <Table ss:ExpandedColumnCount="3" ss:ExpandedRowCount="2" x:FullColumns="1">
   <Column ss:Width="80"/>
   <Row>
    <Cell><Data ss:Type="String">ใบสำคัญ</Data></Cell>
    <Cell><Data ss:Type="Number">1500.5</Data></Cell>
    <Cell ss:StyleID="sDate"><Data ss:Type="DateTime">2010-05-15T00:00:00.000</Data></Cell>
    <Cell ss:StyleID="sGeneralDate"><Data ss:Type="DateTime">2010-05-15T13:45:00.000</Data></Cell>
    <Cell ss:StyleID="sTime"><Data ss:Type="DateTime">1899-12-31T13:45:00.000</Data></Cell>
    <Cell><Data ss:Type="Boolean">1</Data></Cell>
    <Cell><Data ss:Type="String">0012345</Data></Cell>
   </Row>
   <Row ss:Index="3">
    <Cell ss:StyleID="sDate"><Data ss:Type="Number">40313</Data></Cell>
    <Cell ss:StyleID="sChild"><Data ss:Type="Number">40313</Data></Cell>
    <Cell ss:StyleID="sCustom"><Data ss:Type="Number">40313.5</Data></Cell>
    <Cell ss:StyleID="sFixed"><Data ss:Type="Number">40313</Data></Cell>
    <Cell ss:StyleID="sThai"><Data ss:Type="Number">40313</Data></Cell>
    <Cell><Data ss:Type="DateTime">2010-05-15T08:30:00.000</Data></Cell>
    <Cell ss:StyleID="sDate"><Data ss:Type="DateTime">1899-12-31T00:00:00.000</Data></Cell>
   </Row>
   <Row>
    <Cell ss:MergeAcross="2"><Data ss:Type="String">merged</Data></Cell>
    <Cell><Data ss:Type="Number">4</Data></Cell>
    <Cell ss:Index="10"><Data ss:Type="String">ten</Data></Cell>
    <Cell><Data ss:Type="String">eleven</Data></Cell>
   </Row>
   <Row>
    <Cell ss:Formula="=R[-3]C[1]*2"><Data ss:Type="Number">3001</Data></Cell>
    <Cell ss:Formula="=1/0"><Data ss:Type="Error">#DIV/0!</Data></Cell>
    <Cell ss:Formula="=R1C1"/>
    <Cell><ss:Data ss:Type="String" xmlns="http://www.w3.org/TR/REC-html40"><B>bold</B><Font html:Color="#FF0000"> red</Font> plain</ss:Data></Cell>
    <Cell><Data ss:Type="String">line&#10;two</Data><Comment ss:Author="x"><ss:Data>a comment</ss:Data></Comment></Cell>
    <Cell><Data ss:Type="String">  spaced  </Data></Cell>
    <Cell><Data ss:Type="Number">abc</Data></Cell>
   </Row>
   <Row ss:Index="8" ss:Span="2"/>
   <Row><Cell><Data ss:Type="String">after span</Data></Cell></Row>
  </Table>
 </Worksheet>
 <Worksheet ss:Name="Second">
  <Table><Row><Cell><Data ss:Type="String">second sheet</Data></Cell></Row></Table>
 </Worksheet>
</Workbook>
)";

}

TEST(XmlSpreadsheetWorkbook, ExcelFileReadsTypedCellsInTheirPlaces)
{
    QTemporaryDir dir;
    const QString path = write(dir, "excel.xml", kExcel);
    std::unique_ptr<Workbook> book = WorkbookFile::open(path);
    struct Expect {
        int row;
        int col;
        const char* text;
    } const cells[] = {
        {1, 1, "ใบสำคัญ"}, {1, 2, "1500.5"}, {1, 3, "15.05.2010"}, {1, 4, "15.05.2010 13:45:00"},
        {1, 5, "13:45:00"}, {1, 6, "TRUE"}, {1, 7, "0012345"},
        // Row 2 is empty; ss:Index="3" places the next row.
        {2, 1, ""},
        // A number is a date by its style's format: named, inherited, custom, Thai.
        {3, 1, "15.05.2010"}, {3, 2, "15.05.2010"}, {3, 3, "15.05.2010"}, {3, 4, "40313"}, {3, 5, "15.05.2010"},
        // A DateTime without a date style is still a date; Excel's day 0.
        {3, 6, "15.05.2010 08:30:00"}, {3, 7, "00.01.1900"},
        // MergeAcross="2" covers B and C; ss:Index jumps; the next follows it.
        {4, 1, "merged"}, {4, 2, ""}, {4, 3, ""}, {4, 4, "4"}, {4, 10, "ten"}, {4, 11, "eleven"},
        {5, 1, "3001"},
        // Rich text joined; a comment is not the value; text kept as written.
        {5, 4, "bold red plain"}, {5, 5, "line\ntwo"}, {5, 6, "  spaced  "}, {5, 7, "abc"},
        // Row 8 spans 8..10: the next row is 11.
        {8, 1, ""}, {11, 1, "after span"},
    };
    for (const Expect& e : cells)
        EXPECT_EQ(book->cellText(e.row, e.col), QString::fromUtf8(e.text)) << "row " << e.row << " col " << e.col;
    EXPECT_EQ(book->rowCount(), 11);
    EXPECT_EQ(book->colCount(), 11);
    const QString error = cellError(*book, 5, 2);
    EXPECT_TRUE(error.contains(QStringLiteral("B5")) && error.contains(QStringLiteral("#DIV/0!"))) << error.toStdString();

    const auto* xml = dynamic_cast<const XmlSpreadsheetWorkbook*>(book.get());
    ASSERT_NE(xml, nullptr);
    const auto& formulas = xml->cells().formulas();
    ASSERT_EQ(formulas.size(), 3u);
    EXPECT_EQ(xml->cells().string(formulas[0].text), QStringLiteral("R[-3]C[1]*2"));
    EXPECT_TRUE(formulas[0].hasResult);
    EXPECT_EQ(formulas[2].col, 3);
    EXPECT_FALSE(formulas[2].hasResult);
}

TEST(XmlSpreadsheetWorkbook, PrefixesEncodingsAndTheDateSystemVary)
{
    QTemporaryDir dir;
    // Any prefix for the spreadsheet namespace, attributes without one.
    const QString prefixed = write(dir, "prefixed.xml", R"(<?xml version="1.0"?>
<s:Workbook xmlns:s="urn:schemas-microsoft-com:office:spreadsheet" xmlns:e="urn:schemas-microsoft-com:office:excel">
 <e:ExcelWorkbook><e:Date1904/></e:ExcelWorkbook>
 <s:Styles><s:Style ID="d"><s:NumberFormat Format="Medium Date"/></s:Style></s:Styles>
 <s:Worksheet s:Name="A"><s:Table>
  <s:Row Index="2"><s:Cell Index="3" StyleID="d"><s:Data Type="Number">38851</s:Data></s:Cell>
   <s:Cell><s:Data Type="DateTime">2010-05-15T00:00:00</s:Data></s:Cell></s:Row>
 </s:Table></s:Worksheet>
</s:Workbook>)");
    XmlSpreadsheetWorkbook book;
    book.open(prefixed);
    EXPECT_EQ(book.cellText(2, 3), QStringLiteral("15.05.2010"));
    EXPECT_EQ(book.cellText(2, 4), QStringLiteral("15.05.2010"));

    // UTF-16 with a byte order mark, as some writers save it.
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?><Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">"
        "<Worksheet><Table><Row><Cell><Data Type=\"String\">ภาษาไทย</Data></Cell></Row></Table></Worksheet></Workbook>");
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QString wide = write(dir, "utf16.xml", utf16.encode(text));
    std::unique_ptr<Workbook> fromFile = WorkbookFile::open(wide);
    EXPECT_EQ(fromFile->cellText(1, 1), QStringLiteral("ภาษาไทย"));

    // Blank lines before the declaration, as some web exporters write.
    const QString blank = write(dir, "blank.xml", "\r\n\t <?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table>"
                                "<Row><Cell><Data Type=\"Number\">7</Data></Cell></Row></Table></Worksheet></Workbook>");
    EXPECT_EQ(WorkbookFile::open(blank)->cellText(1, 1), QStringLiteral("7"));
}

TEST(XmlSpreadsheetWorkbook, TextInManyPiecesAndNumbersInAnyFormReadWhole)
{
    // Thai text of 900 KB in UTF-8 around references, rich text and a CR LF
    // comes in many pieces; a cell past the limit is cut there, and the cell
    // after it starts clean.
    const QString ka(100000, QChar(0x0E01)), kho(100000, QChar(0x0E04)), ngo(100000, QChar(0x0E07));
    const QString over(XmlSpreadsheetWorkbook::kMaxCellChars + 100, QChar(0x0E01));
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\""
                     " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table><Row>"
                     "<Cell><Data ss:Type=\"String\">";
    xml += ka.toUtf8() + "&amp;&#x0E02;<B>" + kho.toUtf8() + "</B>\r\n" + ngo.toUtf8() + "</Data></Cell>";
    xml += "<Cell><Data ss:Type=\"String\">" + over.toUtf8() + "</Data></Cell>"
           "<Cell><Data ss:Type=\"String\">after</Data></Cell></Row>";
    // Numbers, types and places as writers put them and as they should not.
    xml += "<Row><Cell><Data ss:Type=\"Number\">-0.25</Data></Cell>"
           "<Cell><Data ss:Type=\" NUMBER \"> +1.5E3 </Data></Cell>"
           "<Cell><Data ss:Type=\"Number\">1e-3</Data></Cell>"
           "<Cell><Data ss:Type=\"Number\">12abc</Data></Cell>"
           "<Cell ss:Index=\" 6\"><Data ss:Type=\"Number\">7</Data></Cell>"
           "<Cell><Data ss:Type=\"Numb\xC3\xA9r\">8</Data></Cell>"
           "<Cell><Data ss:Type=\"Number\">4.9e-324</Data></Cell></Row>"
           "</Table></Worksheet></Workbook>";
    QTemporaryDir dir;
    XmlSpreadsheetWorkbook book;
    book.open(write(dir, "pieces.xml", xml));
    EXPECT_EQ(book.cellText(1, 1), ka + QStringLiteral("&ข") + kho + u'\n' + ngo);
    EXPECT_EQ(book.cellText(1, 2), over.left(XmlSpreadsheetWorkbook::kMaxCellChars));
    struct Expect {
        int row;
        int col;
        const char* text;
    } const cells[] = {
        {1, 3, "after"}, {2, 1, "-0.25"}, {2, 2, "1500"}, {2, 3, "0.001"}, {2, 4, "12abc"}, {2, 5, ""},
        {2, 6, "7"},     {2, 7, "8"},     {2, 8, "4.94065645841247e-324"},
    };
    for (const Expect& e : cells)
        EXPECT_EQ(book.cellText(e.row, e.col), QString::fromUtf8(e.text)) << "row " << e.row << " col " << e.col;

    // Thai in the 8-bit encoding Thai Windows saves in.
    QStringEncoder thai("windows-874");
    ASSERT_TRUE(thai.isValid());
    const QByteArray declared = "<?xml version=\"1.0\" encoding=\"windows-874\"?>\n"
                                "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table>"
                                "<Row><Cell><Data Type=\"String\">"
                                + QByteArray(thai.encode(QStringLiteral("ใบสำคัญจ่าย")))
                                + "</Data></Cell></Row></Table></Worksheet></Workbook>";
    XmlSpreadsheetWorkbook eightBit;
    eightBit.open(write(dir, "thai.xml", declared));
    EXPECT_EQ(eightBit.cellText(1, 1), QStringLiteral("ใบสำคัญจ่าย"));
}

TEST(XmlSpreadsheetWorkbook, DatesAtTheEdgesOfTheSpreadsheetCalendar)
{
    QTemporaryDir dir;
    QByteArray xml = "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                     "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"><Styles>"
                     "<Style ss:ID=\"d\"><NumberFormat ss:Format=\"Short Date\"/></Style></Styles><Worksheet><Table>";
    const char* const dates[] = {"1900-01-01", "1900-02-28", "1900-02-29", "1900-03-01", "1850-06-01",
                                 "9999-12-31", "10000-01-01", "2010-02-30", "2010-05-15T24:00:00"};
    for (const char* d : dates)
        xml += QByteArray("<Row><Cell ss:StyleID=\"d\"><Data ss:Type=\"DateTime\">") + d + "</Data></Cell></Row>";
    xml += "</Table></Worksheet></Workbook>";
    XmlSpreadsheetWorkbook book;
    book.open(write(dir, "edges.xml", xml));
    // The spreadsheet's own 29.02.1900 sits between the 28th and 1 March;
    // days it cannot count stay dates as text; a day no month has stays as written.
    const char* const expected[] = {"01.01.1900", "28.02.1900", "29.02.1900", "01.03.1900", "01.06.1850",
                                    "31.12.9999", "01.01.10000", "2010-02-30", "16.05.2010"};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(book.cellText(i + 1, 1), QString::fromUtf8(expected[i])) << dates[i];
}

TEST(XmlSpreadsheetWorkbook, HostileOrDamagedXmlIsRefusedQuickly)
{
    QTemporaryDir dir;
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE Workbook [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += QStringLiteral("<!ENTITY l%1 \"").arg(i).toUtf8();
        for (int k = 0; k < 10; ++k)
            laughs += QStringLiteral("&l%1;").arg(i - 1).toUtf8();
        laughs += "\">";
    }
    laughs += "]>\n<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table><Row><Cell>"
              "<Data ss:Type=\"String\" xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">&l9;</Data>"
              "</Cell></Row></Table></Worksheet></Workbook>";
    QByteArray deep = "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table><Row><Cell><Data>";
    deep += QByteArray("<b>").repeated(200000);

    struct Case {
        QString path;
        const char* says;
    };
    const Case cases[] = {
        {write(dir, "laughs.xml", laughs), "entity"},
        {write(dir, "external.xml",
               "<?xml version=\"1.0\"?><!DOCTYPE Workbook [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
               "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table><Row><Cell>"
               "<Data>&e;</Data></Cell></Row></Table></Worksheet></Workbook>"),
         "entity"},
        {write(dir, "deep.xml", deep), "เสียหาย"},
        {write(dir, "cut.xml",
               "<?xml version=\"1.0\"?>\n<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\">\n"
               "<Worksheet><Table>\n<Row><Cell><Data>1</Cell></Row>"),
         "บรรทัดที่ 4"},
        {write(dir, "other.xml", "<Workbook xmlns=\"urn:example:books\"><Worksheet/></Workbook>"), "XML ที่ไม่ใช่ตารางข้อมูล"},
        {write(dir, "nosheet.xml", "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"><Styles/></Workbook>"),
         "ไม่มีแผ่นงาน"},
    };
    for (const Case& c : cases) {
        QElapsedTimer t;
        t.start();
        const QString m = openError(c.path);
        EXPECT_LT(t.elapsed(), 2000) << c.path.toStdString();
        EXPECT_TRUE(m.contains(QString::fromUtf8(c.says))) << c.path.toStdString() << ": " << m.toStdString();
        EXPECT_TRUE(m.contains(QDir::toNativeSeparators(c.path))) << m.toStdString();
        EXPECT_FALSE(m.contains(QStringLiteral("root:"))) << m.toStdString();
    }
}

TEST(XmlSpreadsheetWorkbook, AWebExportWithBlankLinesAndHtmlEntitiesNamesTheLine)
{
    // Blank lines before the declaration are passed over; an HTML entity
    // (&Tau;) in the data is no XML, and the message says where
    // (tests/fixtures/corpus).
    const QString m = openError(TestEnv::fixture(QStringLiteral("corpus/tests__data__Reader__Xml__issue.2157.small.xml")));
    EXPECT_TRUE(m.contains(QStringLiteral("บรรทัดที่ 59")) && m.contains(QStringLiteral("Tau"))) << m.toStdString();
}

TEST(XmlSpreadsheetWorkbook, DamageAfterTheFirstWorksheetDoesNotMatter)
{
    QTemporaryDir dir;
    const QString path = write(dir, "tail.xml",
                               "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table>"
                               "<Row><Cell><Data Type=\"Number\">1</Data></Cell></Row></Table></Worksheet>"
                               "<Worksheet><Table><Row><Cell></Data>");
    XmlSpreadsheetWorkbook book;
    book.open(path);
    EXPECT_EQ(book.cellText(1, 1), QStringLiteral("1"));
}
