// Web pages and MHTML documents read as a sheet: the first table, its cells
// placed as a browser places them, their text as a browser shows it, typed
// as Excel's own attributes and styles say.
#include "HtmlWorkbook.h"
#include "MhtmlDocument.h"
#include "QStringPrint.h"
#include "WorkbookFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray cp874(const QString& s)
{
    QByteArray out;
    for (const QChar c : s) {
        const ushort u = c.unicode();
        if (u < 0x80)
            out += static_cast<char>(u);
        else if (u >= 0x0E01 && u <= 0x0E5B)
            out += static_cast<char>(u - 0x0E00 + 0xA0);
        else
            ADD_FAILURE() << "no code page 874 byte for U+" << std::hex << u;
    }
    return out;
}

QString cell(const Workbook& book, int row, int col)
{
    QString t;
    book.readCell(row, col, t);
    return t;
}

// The grid as rows of cells joined by "|", for checks of a whole table.
QString grid(const Workbook& book)
{
    QStringList rows;
    for (int r = 1; r <= book.rowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c <= book.colCount(); ++c)
            cells << cell(book, r, c);
        rows << cells.join(u'|');
    }
    return rows.join(u'\n');
}

std::unique_ptr<HtmlWorkbook> read(const QByteArray& bytes)
{
    auto book = std::make_unique<HtmlWorkbook>();
    book->openData(bytes, QStringLiteral("page.xls"));
    return book;
}

QString failure(const QByteArray& bytes, const QString& path = QStringLiteral("/tmp/page.xls"))
{
    HtmlWorkbook book;
    try {
        book.openData(bytes, path);
    } catch (const Workbook::Error& e) {
        EXPECT_FALSE(book.isOpen());
        return QString::fromUtf8(e.what());
    }
    ADD_FAILURE() << "the read did not fail";
    return {};
}

QByteArray mime(const QList<QByteArray>& parts, const QByteArray& boundary = "----=_NextPart_01DA.1234")
{
    QByteArray m = "MIME-Version: 1.0\r\nX-Document-Type: Workbook\r\nContent-Type: multipart/related;\r\n"
                   "\tboundary=\"" + boundary + "\"\r\n\r\nThis document is a Single File Web Page.\r\n\r\n";
    for (const QByteArray& p : parts)
        m += "--" + boundary + "\r\n" + p + "\r\n";
    return m + "--" + boundary + "--\r\n";
}

}

TEST(HtmlWorkbook, SpansPlaceTheCellsThatFollow)
{
    const auto book = read("<html><body><p>Report</p><table>"
                           "<tr><td rowspan=2>A</td><td colspan=2>B</td><td>C</td></tr>"
                           "<tr><td>D</td><td rowspan=\"3\" colspan=\"2\">E</td></tr>"
                           "<tr><th>F</th><td>G</td><td>H</td></tr>"
                           "<tr><td>I</td><td>J</td><td>K</td></tr>"
                           "<tr><td>L</td></tr>"
                           "</table><table><tr><td>second table</td></tr></table></body></html>");
    // H and K go past the columns E still covers below it.
    EXPECT_EQ(grid(*book), QStringLiteral("A|B||C|\n"
                                          "|D|E||\n"
                                          "F|G|||H\n"
                                          "I|J|||K\n"
                                          "L||||"))
        << grid(*book).toStdString();
}

TEST(HtmlWorkbook, CellTextIsWhatABrowserShows)
{
    const auto book = read(
        "<html><head><style><!--\n"
        "  td {mso-number-format:General;}\n"
        "  .keep {white-space:pre;}\n"
        "  /* .ignored {white-space:pre} */\n"
        "--></style></head><body><table>\n"
        "<tr><td>  two\n   words \t </td>"
        "<td style='white-space:pre'>  kept   as is </td>"
        "<td class=keep>from  class</td>"
        "<td>Excel<span style='mso-spacerun:yes'>   </span>spaces</td></tr>\n"
        "<tr><td>line one<br>line two <br/> line three</td>"
        "<td>&nbsp;</td>"
        "<td>A&nbsp;&nbsp;B &amp; C</td>"
        "<td><p>first</p><p>second</p></td></tr>\n"
        "<tr><td>outer <table><tr><td>in 1</td><td>in 2</td></tr><tr><td>in 3</td></tr></table> end</td>"
        "<td><script>var x = 1;</script>no script</td>"
        "<td><!-- a comment -->after comment</td></tr>\n"
        "<tr style='white-space:pre'><td> row  wide </td><td>a\r\nb\rc\nd</td></tr>\n"
        "</table></body></html>");
    EXPECT_EQ(cell(*book, 1, 1), QStringLiteral("two words"));
    EXPECT_EQ(cell(*book, 1, 2), QStringLiteral("  kept   as is "));
    EXPECT_EQ(cell(*book, 1, 3), QStringLiteral("from  class"));
    EXPECT_EQ(cell(*book, 1, 4), QStringLiteral("Excel   spaces"));
    EXPECT_EQ(cell(*book, 2, 1), QStringLiteral("line one\nline two\nline three"));
    EXPECT_EQ(cell(*book, 2, 2), QString());
    EXPECT_EQ(cell(*book, 2, 3), QStringLiteral("A  B & C"));
    EXPECT_EQ(cell(*book, 2, 4), QStringLiteral("first\nsecond"));
    // A nested table is its cell's text; its rows are not the sheet's.
    EXPECT_EQ(cell(*book, 3, 1), QStringLiteral("outer in 1 in 2 in 3 end"));
    EXPECT_EQ(cell(*book, 3, 2), QStringLiteral("no script"));
    EXPECT_EQ(cell(*book, 3, 3), QStringLiteral("after comment"));
    // An ancestor's style applies to the cells within it.
    EXPECT_EQ(cell(*book, 4, 1), QStringLiteral(" row  wide "));
    // Kept line breaks are one LF each, whether written CR LF, CR or LF.
    EXPECT_EQ(cell(*book, 4, 2), QStringLiteral("a\nb\nc\nd"));
    EXPECT_EQ(book->rowCount(), 4);
}

TEST(HtmlWorkbook, ExcelAttributesAndTextFormatSayWhatACellHolds)
{
    const auto book = read(
        "<html xmlns:x=\"urn:schemas-microsoft-com:office:excel\"><head><style>\n"
        ".xl65 {mso-style-parent:style0; mso-number-format:\"\\@\";}\n"
        ".xl66 {mso-number-format:\"dd\\/mm\\/yyyy\\;\\@\";}\n"
        ".xl67, td.xl68 {mso-number-format:\"\\#\\,\\#\\#0\\.00\";}\n"
        "</style></head><body><table>"
        "<tr><td x:num=\"1500.5\">1,500.50</td><td x:num>2,000.25</td><td x:num>0012</td>"
        "<td x:str=\"00123\">123</td><td x:str>1,500.50</td></tr>"
        "<tr><td class=xl65>1,500.50</td><td class=\"xl66\" x:num=\"40301\">03/05/2010</td>"
        "<td class=xl67 x:num=\"1234.5\">1,234.50</td><td class=xl68>1,234.50</td>"
        "<td style='mso-number-format:\"\\@\"'>-3</td></tr>"
        "<tr><td x:bool=\"TRUE\">TRUE</td><td x:bool>FALSE</td>"
        "<td x:num=\"3\" x:fmla=\"=1+2\">3</td><td>1,500.50-</td><td>12,34</td></tr>"
        "<tr><td x:num=\"not a number\">1,234.00</td>"
        // LibreOffice's value and format attributes, and its mark of an empty cell.
        "<td sdval=\"40301\" sdnum=\"1033;0;MM/DD/YY\">05/03/10</td><td sdnum=\"1033;0;@\">0,5</td>"
        "<td align=left><br></td><td>last line<br></td></tr>"
        "</table></body></html>");
    EXPECT_EQ(cell(*book, 1, 1), QStringLiteral("1500.5"));
    EXPECT_EQ(cell(*book, 1, 2), QStringLiteral("2000.25"));
    // x:num says it is a number, so the leading zero goes as Excel drops it.
    EXPECT_EQ(cell(*book, 1, 3), QStringLiteral("12"));
    EXPECT_EQ(cell(*book, 1, 4), QStringLiteral("00123"));
    EXPECT_EQ(cell(*book, 1, 5), QStringLiteral("1,500.50"));
    EXPECT_EQ(cell(*book, 2, 1), QStringLiteral("1,500.50"));
    EXPECT_EQ(cell(*book, 2, 2), QStringLiteral("03.05.2010"));
    EXPECT_EQ(cell(*book, 2, 3), QStringLiteral("1234.5"));
    EXPECT_EQ(cell(*book, 2, 4), QStringLiteral("1234.5"));
    EXPECT_EQ(cell(*book, 2, 5), QStringLiteral("-3"));
    EXPECT_EQ(book->cells().find(2, 5)->kind, SheetCells::Kind::Text);
    EXPECT_EQ(cell(*book, 3, 1), QStringLiteral("TRUE"));
    EXPECT_EQ(cell(*book, 3, 2), QStringLiteral("FALSE"));
    EXPECT_EQ(cell(*book, 3, 3), QStringLiteral("3"));
    EXPECT_EQ(cell(*book, 3, 4), QStringLiteral("-1500.5"));
    EXPECT_EQ(cell(*book, 3, 5), QStringLiteral("12,34"));
    EXPECT_EQ(cell(*book, 4, 1), QStringLiteral("1234"));
    EXPECT_EQ(cell(*book, 4, 2), QStringLiteral("03.05.2010"));
    EXPECT_EQ(cell(*book, 4, 3), QStringLiteral("0,5"));
    EXPECT_EQ(book->cells().find(4, 4), nullptr);
    EXPECT_EQ(cell(*book, 4, 5), QStringLiteral("last line"));
    ASSERT_EQ(book->cells().formulas().size(), 1u);
    EXPECT_EQ(book->cells().string(book->cells().formulas()[0].text), QStringLiteral("1+2"));
    EXPECT_EQ(book->cells().formulas()[0].col, 3);

    // An error result fails the read of that cell by name.
    const auto errors = read("<table><tr><td>ok</td><td x:err=\"#DIV/0!\" x:fmla=\"=1/0\">#DIV/0!</td></tr></table>");
    QString t;
    try {
        errors->readCell(1, 2, t);
        ADD_FAILURE() << "an error cell read as " << t.toStdString();
    } catch (const Workbook::Error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("B1")));
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("#DIV/0!")));
    }
}

TEST(HtmlWorkbook, ThePageIsReadInTheEncodingItDeclares)
{
    const QString thai = QStringLiteral("บริษัท ไทยพัฒนา จำกัด");
    const QByteArray tableTh = cp874(QStringLiteral("<table><tr><td>") + thai + QStringLiteral("</td><td>1,500.50</td></tr></table>"));
    const struct {
        const char* name;
        QByteArray bytes;
    } pages[] = {
        {"meta http-equiv windows-874",
         "<html><head><meta http-equiv=Content-Type content=\"text/html; charset=windows-874\"></head><body>" + tableTh},
        {"meta charset TIS-620", "<html><head><meta charset='TIS-620'><title>x</title></head>" + tableTh},
        {"meta UTF-8", "<html><head><meta charset=\"utf-8\"></head><body><table><tr><td>" + thai.toUtf8()
                           + "</td><td>1,500.50</td></tr></table>"},
        {"UTF-8 mark", "\xEF\xBB\xBF<table><tr><td>" + thai.toUtf8() + "</td><td>1,500.50</td></tr></table>"},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.name);
        const auto book = read(p.bytes);
        EXPECT_EQ(cell(*book, 1, 1), thai);
        EXPECT_EQ(cell(*book, 1, 2), QStringLiteral("1500.5"));
    }
    // UTF-16 with its mark.
    const QString page = QStringLiteral("<html><body><table><tr><td>") + thai + QStringLiteral("</td></tr></table>");
    QByteArray le("\xFF\xFE");
    for (const QChar c : page)
        le += static_cast<char>(c.unicode() & 0xFF), le += static_cast<char>(c.unicode() >> 8);
    EXPECT_EQ(cell(*read(le), 1, 1), thai);
    // No mark and no meta: windows-1252, as browsers read it (0x80 is the euro sign).
    EXPECT_EQ(cell(*read("<table><tr><td>\x80 5</td></tr></table>"), 1, 1), QStringLiteral("€ 5"));
    // The MIME part's charset where the page names none.
    HtmlWorkbook fromPart;
    fromPart.openHtml(tableTh, QStringLiteral("part.htm"), "windows-874");
    EXPECT_EQ(cell(fromPart, 1, 1), thai);
}

TEST(HtmlWorkbook, MhtmlPartsAreDecodedAndTheFirstSheetFound)
{
    const QString thai = QStringLiteral("นายสมชาย ใจดี");
    // Quoted-printable UTF-8, with soft line breaks inside a tag and a character.
    QByteArray qp;
    const QByteArray html = "<html><head><meta http-equiv=3DContent-Type content=3D\"text/html; charset=3Dutf-8\">"
                            "</head><body><table><tr><td class=3Dxl65 x:num=3D\"1500.5\">1,500.50</td><td>";
    qp += html.left(40) + "=\r\n" + html.mid(40);
    for (const char c : thai.toUtf8())
        qp += "=" + QByteArray::number(static_cast<uchar>(c), 16).toUpper().rightJustified(2, '0');
    qp = qp.left(qp.size() - 3) + "=\r\n" + qp.right(3) + "</td></tr></table></body></html>";
    const auto single = read(mime({"Content-Location: file:///C:/Temp/Book1.htm\r\n"
                                   "Content-Transfer-Encoding: quoted-printable\r\n"
                                   "Content-Type: text/html; charset=\"utf-8\"\r\n\r\n" + qp}));
    EXPECT_EQ(cell(*single, 1, 1), QStringLiteral("1500.5"));
    EXPECT_EQ(cell(*single, 1, 2), thai);

    // A workbook of several sheets: a frameset page, its sheets after it (the
    // second sheet's page first), each sheet base64 in code page 874.
    auto sheet = [](const QString& text) {
        return cp874(QStringLiteral("<html><body><table><tr><td>") + text + QStringLiteral("</td></tr></table></body></html>"))
            .toBase64();
    };
    const QByteArray frameset =
        "<html xmlns:x=\"urn:schemas-microsoft-com:office:excel\"><head>\r\n<!--[if gte mso 9]><xml>\r\n"
        "<x:ExcelWorkbook><x:ExcelWorksheets><x:ExcelWorksheet><x:Name>Sheet1</x:Name>\r\n"
        "<x:WorksheetSource HRef=3D\"Book1_files/sheet001.htm\"/></x:ExcelWorksheet>\r\n"
        "</x:ExcelWorksheets></x:ExcelWorkbook></xml><![endif]-->\r\n</head>\r\n"
        "<frameset rows=3D\"*,39\"><frame src=3D\"Book1_files/sheet001.htm\" name=3D\"frSheet\">\r\n"
        "<frame src=3D\"Book1_files/tabstrip.htm\" name=3D\"frTabs\"></frameset></html>";
    const QByteArray doc = mime({
        "Content-Location: file:///C:/Temp/Book1.htm\r\nContent-Transfer-Encoding: quoted-printable\r\n"
        "Content-Type: text/html; charset=\"windows-874\"\r\n\r\n" + frameset,
        "Content-Location: file:///C:/Temp/Book1_files/sheet002.htm\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Type: text/html; charset=\"windows-874\"\r\n\r\n" + sheet(QStringLiteral("แผ่นที่สอง")),
        "Content-Location: file:///C:/Temp/Book1_files/sheet001.htm\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Type: text/html; charset=\"windows-874\"\r\n\r\n" + sheet(QStringLiteral("แผ่นแรก")),
        "Content-Location: file:///C:/Temp/Book1_files/image001.png\r\nContent-Transfer-Encoding: base64\r\n"
        "Content-Type: image/png\r\n\r\niVBORw0KGgo=",
    });
    const auto several = read(doc);
    EXPECT_EQ(cell(*several, 1, 1), QStringLiteral("แผ่นแรก"));

    // The opener tells MHTML by its headers and reads it under an .xls name.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.xls"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(doc);
    f.close();
    EXPECT_EQ(cell(*WorkbookFile::open(path), 1, 1), QStringLiteral("แผ่นแรก"));

    // A message of one page, not multipart.
    const auto onePart = read("MIME-Version: 1.0\r\nContent-Type: text/html; charset=\"windows-874\"\r\n"
                              "Content-Transfer-Encoding: base64\r\n\r\n" + sheet(QStringLiteral("หน้าเดียว")) + "\r\n");
    EXPECT_EQ(cell(*onePart, 1, 1), QStringLiteral("หน้าเดียว"));

    EXPECT_EQ(MhtmlDocument::decodeQuotedPrintable("a=3Db=\r\nc=\nd =XY=4"), QByteArray("a=bcd =XY=4"));
}

TEST(HtmlWorkbook, PagesWithoutATableAreRefusedByName)
{
    const QString plain = failure("<html><body><p>No data for the selection.</p></body></html>", QStringLiteral("/tmp/empty.xls"));
    EXPECT_TRUE(plain.contains(QStringLiteral("ไม่มีตาราง"))) << plain.toStdString();
    EXPECT_TRUE(plain.contains(QDir::toNativeSeparators(QStringLiteral("/tmp/empty.xls"))));
    const QString mhtml = failure(mime({"Content-Type: text/html\r\n\r\n<html><body>nothing</body></html>"}));
    EXPECT_TRUE(mhtml.contains(QStringLiteral("ไม่มีตาราง"))) << mhtml.toStdString();
    const QString headersOnly = failure("MIME-Version: 1.0\r\n");
    EXPECT_TRUE(headersOnly.contains(QStringLiteral("ไม่มีตาราง")) || headersOnly.contains(QStringLiteral("เสียหาย")))
        << headersOnly.toStdString();
    const QString longCell = failure("<table><tr><td>a</td></tr><tr><td>b</td><td>" + QByteArray(40000, 'x') + "</td></tr></table>");
    EXPECT_TRUE(longCell.contains(QStringLiteral("B2"))) << longCell.toStdString();
}

TEST(HtmlWorkbook, HostileAndBrokenPagesEndQuickly)
{
    // Rows without their table are read as one.
    EXPECT_EQ(grid(*read("<tr><td>1</td><td>2</td></tr>\n<tr><td>3</td></tr>")), QStringLiteral("1|2\n3|"));
    // A cut-off page reads what it holds.
    const auto cut = read("<table><tr><td>1</td><td>two</td></tr><tr><td>thr");
    EXPECT_EQ(grid(*cut), QStringLiteral("1|two\nthr|"));

    // Deep nesting, inside a cell and around the table.
    QByteArray deep = "<table><tr><td>";
    for (int i = 0; i < 100000; ++i)
        deep += "<span><b>";
    deep += "deep";
    QByteArray around;
    for (int i = 0; i < 100000; ++i)
        around += "<div>";
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(cell(*read(deep), 1, 1), QStringLiteral("deep"));
    EXPECT_EQ(cell(*read(around + "<table><tr><td>x</td></tr></table>"), 1, 1), QStringLiteral("x"));
    // Spans beyond HTML's limits, entities that name files, NUL bytes.
    const auto odd = read("<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
                          "<table><tr><td colspan=99999999999 rowspan=-4>&e;a" + QByteArray(1, '\0')
                          + "b</td><td>z</td></tr><tr><td>below</td></tr></table>");
    EXPECT_FALSE(cell(*odd, 1, 1).contains(QStringLiteral("root")));
    EXPECT_TRUE(cell(*odd, 1, 1).endsWith(QStringLiteral("b"))) << cell(*odd, 1, 1).toStdString();
    EXPECT_EQ(cell(*odd, 1, 1001), QStringLiteral("z"));
    EXPECT_EQ(cell(*odd, 2, 1), QStringLiteral("below"));
    EXPECT_LT(t.elapsed(), 2000);
}

TEST(HtmlWorkbook, LargePagesReadTheSameAcrossPieces)
{
    // Several pieces of decoding and parsing; Thai in code page 874 and in
    // UTF-8 cut anywhere.
    for (const bool utf8 : {false, true}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "code page 874");
        QByteArray page = utf8 ? "<html><head><meta charset=utf-8></head><body><table>\n"
                               : "<html><head><meta charset=windows-874></head><body><table>\n";
        for (int r = 1; r <= 40000; ++r) {
            const QString row = QStringLiteral("<tr><td>ผู้ขาย %1</td><td x:num=\"%1.5\">%1.50</td></tr>\n").arg(r);
            page += utf8 ? row.toUtf8() : cp874(row);
        }
        page += "</table></body></html>";
        ASSERT_GT(page.size(), 2 << 20);
        const auto book = read(page);
        EXPECT_EQ(book->rowCount(), 40000);
        for (int r = 1; r <= 40000; r += 397) {
            ASSERT_EQ(cell(*book, r, 1), QStringLiteral("ผู้ขาย %1").arg(r));
            ASSERT_EQ(cell(*book, r, 2), QStringLiteral("%1.5").arg(r));
        }
    }
    // Bytes that are no UTF-8 in a UTF-8 page are mended, not passed on.
    const QString mended = cell(*read("<meta charset=utf-8><table><tr><td>a\xE0\xB8" "b\xFF" "c</td></tr></table>"), 1, 1);
    EXPECT_TRUE(mended.startsWith(u'a') && mended.contains(QStringLiteral("\uFFFDb\uFFFDc"))) << mended.toStdString();
    EXPECT_FALSE(mended.contains(QChar(0xE0)) || mended.contains(QChar(0xFF)));
}
