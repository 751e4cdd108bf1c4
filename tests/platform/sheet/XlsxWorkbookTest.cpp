// The .xlsx reader against workbooks written by two independent libraries and
// by hand as exporters, damaged and hostile files have them
// (tests/fixtures/make_xlsx_fixtures.py writes tests/fixtures/xlsx/).
#include "QStringPrint.h"
#include "TestEnv.h"
#include "WorkbookFile.h"
#include "XlsxWorkbook.h"

#include <QFile>
#include <gsf/gsf-outfile-zip.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gtest/gtest.h>

#include <QTemporaryFile>

#include <map>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {

const QString kThai = QStringLiteral("บริษัท สยามวัสดุ จำกัด");

QString xlsx(const char* name)
{
    return TestEnv::fixture(QStringLiteral("xlsx/") + QLatin1String(name));
}

// The message of a failed open, or "" when it opened.
QString openError(const QString& path)
{
    XlsxWorkbook book;
    try {
        book.open(path);
    } catch (const Workbook::Error& e) {
        EXPECT_FALSE(book.isOpen());
        EXPECT_EQ(book.rowCount(), 0);
        return QString::fromUtf8(e.what());
    }
    return QString();
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

// Every non-empty cell as "A1=text", row by row.
QStringList cellsOf(const Workbook& book)
{
    QStringList out;
    for (int r = 1; r <= book.rowCount(); ++r)
        for (int c = 1; c <= book.colCount(); ++c) {
            const QString t = cellError(book, r, c).isEmpty() ? book.cellText(r, c) : QStringLiteral("!error");
            if (!t.isEmpty())
                out << QString(QChar(u'A' + c - 1)) + QString::number(r) + QLatin1Char('=') + t;
        }
    return out;
}

const SheetCells::Formula* formulaAt(const XlsxWorkbook& book, int row, int col)
{
    for (const SheetCells::Formula& f : book.cells().formulas())
        if (static_cast<int>(f.row) == row && f.col == col)
            return &f;
    return nullptr;
}

// A ZIP made in memory, for workbooks too large to commit.
QByteArray zipOf(const std::vector<std::pair<QString, QByteArray>>& members)
{
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* root = gsf_outfile_zip_new(memory, nullptr);
    std::map<QString, GsfOutfile*> dirs;
    std::vector<GsfOutfile*> opened;
    for (const auto& [name, data] : members) {
        GsfOutfile* dir = root;
        QString prefix;
        const QStringList parts = name.split(QLatin1Char('/'));
        for (int i = 0; i + 1 < parts.size(); ++i) {
            prefix += parts[i] + QLatin1Char('/');
            auto it = dirs.find(prefix);
            if (it == dirs.end()) {
                GsfOutput* d = gsf_outfile_new_child(dir, parts[i].toUtf8().constData(), TRUE);
                it = dirs.emplace(prefix, GSF_OUTFILE(d)).first;
                opened.push_back(GSF_OUTFILE(d));
            }
            dir = it->second;
        }
        GsfOutput* child = gsf_outfile_new_child(dir, parts.last().toUtf8().constData(), FALSE);
        gsf_output_write(child, static_cast<size_t>(data.size()), reinterpret_cast<const guint8*>(data.constData()));
        gsf_output_close(child);
        g_object_unref(child);
    }
    for (auto it = opened.rbegin(); it != opened.rend(); ++it) {
        gsf_output_close(GSF_OUTPUT(*it));
        g_object_unref(*it);
    }
    gsf_output_close(GSF_OUTPUT(root));
    g_object_unref(root);
    const QByteArray bytes(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory))),
                           static_cast<qsizetype>(gsf_output_size(memory)));
    g_object_unref(memory);
    return bytes;
}

const char* const kSml = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

std::vector<std::pair<QString, QByteArray>> package(const QByteArray& sheet, const QByteArray& strings = {})
{
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const QByteArray pkg = "http://schemas.openxmlformats.org/package/2006/relationships";
    std::vector<std::pair<QString, QByteArray>> m{
        {QStringLiteral("_rels/.rels"), "<Relationships xmlns=\"" + pkg + "\"><Relationship Id=\"r\" Type=\"" + rel
                                            + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {QStringLiteral("xl/workbook.xml"), QByteArray("<workbook xmlns=\"") + kSml + "\" xmlns:r=\"" + rel
                                                + "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"s1\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         "<Relationships xmlns=\"" + pkg + "\"><Relationship Id=\"s1\" Type=\"" + rel
             + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"s2\" Type=\"" + rel
             + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {QStringLiteral("xl/worksheets/sheet1.xml"), QByteArray("<worksheet xmlns=\"") + kSml + "\"><sheetData>" + sheet
                                                         + "</sheetData></worksheet>"},
    };
    if (!strings.isEmpty())
        m.emplace_back(QStringLiteral("xl/sharedStrings.xml"), strings);
    return m;
}

}

// ---- written by libraries ---------------------------------------------------

class OpenpyxlFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(OpenpyxlFiles, TypedCellsReadAsTheSpreadsheetShowsThem)
{
    XlsxWorkbook book;
    book.open(xlsx(GetParam()));
    EXPECT_EQ(book.cellText(1, 1), kThai);
    EXPECT_EQ(book.cellText(1, 2), QStringLiteral("1500.5"));
    EXPECT_EQ(book.cellText(1, 3), QStringLiteral("10000501"));
    EXPECT_EQ(book.cellText(1, 4), QStringLiteral("03.05.2010"));
    EXPECT_EQ(book.cellText(1, 5), QStringLiteral("02.01.2011 13:45:00"));
    EXPECT_EQ(book.cellText(1, 6), QStringLiteral("TRUE"));
    EXPECT_EQ(book.cellText(1, 8), QStringLiteral("0123456789"));
    EXPECT_EQ(book.cellText(1, 9), QStringLiteral("15.05.2010")) << "a Thai date format (วว/ดด/ปปปป)";
    EXPECT_EQ(book.cellText(1, 10), QStringLiteral("-0.1"));
    EXPECT_EQ(book.cellText(3, 1), QStringLiteral("after an empty row"));
    EXPECT_EQ(book.rowCount(), 3);
    EXPECT_EQ(book.colCount(), 10);

    // openpyxl stores a formula without a result: recorded as such.
    const SheetCells::Formula* f = formulaAt(book, 1, 7);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(book.cells().string(f->text), u"1+1");
    EXPECT_FALSE(f->hasResult);
    EXPECT_TRUE(book.fullCalcOnLoad());
    EXPECT_EQ(book.application(), QStringLiteral("Microsoft Excel"));
    EXPECT_FALSE(cellsOf(book).join(u' ').contains(QStringLiteral("second sheet")));
}

INSTANTIATE_TEST_SUITE_P(Xlsx, OpenpyxlFiles, ::testing::Values("openpyxl_typed.xlsx", "openpyxl_1904.xlsx"));

TEST(XlsxWorkbook, OpenpyxlSays1904WhenTheWorkbookIsInThatSystem)
{
    XlsxWorkbook a, b;
    a.open(xlsx("openpyxl_typed.xlsx"));
    b.open(xlsx("openpyxl_1904.xlsx"));
    EXPECT_FALSE(a.cells().system1904);
    EXPECT_TRUE(b.cells().system1904);
    // Same date, two serials: 1462 days apart.
    EXPECT_DOUBLE_EQ(a.cells().find(1, 4)->number - b.cells().find(1, 4)->number, 1462);
}

class XlsxwriterFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(XlsxwriterFiles, SharedAndInlineStringsFormulaResultsAndFormats)
{
    XlsxWorkbook book;
    book.open(xlsx(GetParam()));
    const QStringList expected{
        QStringLiteral("A1=") + kThai,
        QStringLiteral("B1=1500.5"),
        QStringLiteral("C1=1500.5"),
        QStringLiteral("D1=10000601"),
        QStringLiteral("E1=TRUE"),
        QStringLiteral("F1=ค่าวัสดุ สำนักงาน"),  // rich text, runs joined
        QStringLiteral("G1=03.05.2010"),          // custom dd/mm/yyyy
        QStringLiteral("H1=15.05.2010"),          // built-in id 14
        QStringLiteral("I1=15.05.2010"),          // [$-1070000]d/m/yyyy;@
        QStringLiteral("J1=36:00:00"),            // [h]:mm:ss
        QStringLiteral("K1=a_x0041_b"),           // a literal that looks like an escape survives
        QStringLiteral("L1=tab\there") + QChar(1),
        QStringLiteral("A2=!error"),
        QStringLiteral("B2=row 2"),
    };
    EXPECT_EQ(cellsOf(book), expected);

    const QString err = cellError(book, 2, 1);
    EXPECT_TRUE(err.contains(QStringLiteral("A2"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("#DIV/0!"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QLatin1String(GetParam()))) << err.toStdString();

    ASSERT_EQ(book.cells().formulas().size(), 4u);
    const SheetCells::Formula* f = formulaAt(book, 1, 4);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(book.cells().string(f->text), u"\"10000\"&\"601\"");
    for (const SheetCells::Formula& each : book.cells().formulas())
        EXPECT_TRUE(each.hasResult);
}

INSTANTIATE_TEST_SUITE_P(Xlsx, XlsxwriterFiles,
                         ::testing::Values("xlsxwriter_typed.xlsx", "xlsxwriter_inline.xlsx", "xlsxwriter_1904.xlsx"));

// ---- exporters' quirks -------------------------------------------------------

TEST(XlsxWorkbook, RowsAndCellsWithoutReferencesArePlacedAfterThePreviousOne)
{
    // Also: references that are plain numbers ("0") count as missing; every
    // element has an x: prefix; the dimension says A1:B2 over seven rows.
    XlsxWorkbook book;
    book.open(xlsx("quirk_no_refs.xlsx"));
    EXPECT_EQ(cellsOf(book), (QStringList{"A1=A1", "B1=2", "E1=5", "F1=6", "A2=A2", "A5=A5 shared", "C6=36", "D6=46",
                                          "A7=A7", "B7=27"}));
    EXPECT_EQ(book.rowCount(), 7);
    EXPECT_EQ(book.colCount(), 6);
}

TEST(XlsxWorkbook, SharedStringsKeepTheirIndexesWhateverTheCountsSay)
{
    XlsxWorkbook book;
    book.open(xlsx("quirk_strings.xlsx"));
    EXPECT_EQ(book.cellText(1, 1), QStringLiteral("plain"));
    EXPECT_EQ(book.cellText(1, 2), QStringLiteral("ค่า วัสดุ")) << "runs joined, the phonetic run left out";
    EXPECT_EQ(book.cellText(1, 3), QString()) << "<si/>";
    EXPECT_EQ(book.cellText(1, 4), QString()) << "<si><t/></si>";
    // Entries after the empty ones, past uniqueCount="3": still in their places.
    EXPECT_EQ(book.cellText(1, 5), QStringLiteral("a\r\nb _x0041_ A _xZZZZ_ _x41_"));
    EXPECT_EQ(book.cellText(1, 6), QStringLiteral("  spaces  "));
    EXPECT_EQ(book.cellText(1, 7), QStringLiteral("<&> ก"));
    EXPECT_EQ(book.cellText(2, 1), QStringLiteral("inline")) << "inline rich text";
    EXPECT_EQ(book.cellText(2, 2), QStringLiteral("formula")) << "a formula's text result";
    EXPECT_EQ(book.cellText(2, 3), QStringLiteral("1")) << "escapes in inline strings";
    EXPECT_EQ(book.cellText(2, 4), QStringLiteral("ค่า วัสดุ")) << "an index with blanks around it";
}

TEST(XlsxWorkbook, PartsAreFoundThroughTheRelationshipsInTheWorkbooksOrder)
{
    // The workbook sits at /book/main.xml; a chart sheet comes first; the first
    // worksheet's target climbs with "../"; the shared strings' is absolute;
    // xl/workbook.xml and xl/worksheets/sheet1.xml are decoys no relationship names.
    XlsxWorkbook book;
    book.open(xlsx("quirk_relationships.xlsx"));
    EXPECT_EQ(cellsOf(book), (QStringList{"A1=part b (first worksheet)", "B1=03.05.2010"}));
    EXPECT_EQ(book.application(), QStringLiteral("Exporter & Co 1.0"));
}

TEST(XlsxWorkbook, StrictNamespacesAndThe1904DateSystem)
{
    XlsxWorkbook book;
    book.open(xlsx("quirk_strict.xlsx"));
    EXPECT_TRUE(book.cells().system1904);
    EXPECT_EQ(cellsOf(book), (QStringList{"A1=strict", "B1=01.01.1904", "C1=03.05.2010", "D1=1500.5", "E1=03.05.2010"}));
}

TEST(XlsxWorkbook, NumberFormatsIsoDatesBooleansErrorsAndFormulas)
{
    XlsxWorkbook book;
    book.open(xlsx("quirk_types.xlsx"));
    // A format the workbook spells out under a built-in number stands (id 14 as "0.00");
    // a quoted "day" is no date; a style index past the table is General.
    EXPECT_EQ(book.cellText(1, 1), QStringLiteral("40301"));
    EXPECT_EQ(book.cellText(1, 2), QStringLiteral("15.05.2010"));
    EXPECT_EQ(book.cellText(1, 3), QStringLiteral("15.05.2010")) << "[$-th-TH]วว/ดด/ปปปป";
    EXPECT_EQ(book.cellText(1, 4), QStringLiteral("02.01.2011 13:45:00"));
    EXPECT_EQ(book.cellText(1, 5), QStringLiteral("13:45:00"));
    EXPECT_EQ(book.cellText(1, 6), QStringLiteral("40301"));
    EXPECT_EQ(book.cellText(1, 7), QStringLiteral("7"));

    EXPECT_EQ(book.cellText(2, 1), QStringLiteral("03.05.2010"));
    EXPECT_EQ(book.cellText(2, 2), QStringLiteral("02.01.2011 13:45:00"));
    EXPECT_EQ(book.cellText(2, 3), QStringLiteral("28.02.1900")) << "before the fictitious 29.02.1900";
    EXPECT_EQ(book.cellText(2, 4), QStringLiteral("not a date"));
    EXPECT_EQ(book.cellText(2, 5), QStringLiteral("TRUE"));
    EXPECT_EQ(book.cellText(2, 6), QStringLiteral("FALSE"));
    EXPECT_EQ(book.cellText(2, 7), QStringLiteral("1500"));
    EXPECT_EQ(book.cellText(2, 8), QStringLiteral("-0.1"));

    EXPECT_EQ(book.cellText(3, 1), QStringLiteral("4"));
    // The workbook asks to be recalculated and was saved by a program that does
    // not calculate: a shared formula's follower, whose text the file leaves to
    // the first cell, is not taken as stored but named.
    EXPECT_TRUE(cellError(book, 4, 3).contains(QStringLiteral("C4")));
    EXPECT_TRUE(cellError(book, 5, 3).contains(QStringLiteral("C5")));
    EXPECT_TRUE(cellError(book, 5, 4).contains(QStringLiteral("#N/A")));
    EXPECT_TRUE(cellError(book, 5, 4).contains(QStringLiteral("D5")));

    ASSERT_EQ(book.cells().formulas().size(), 5u);
    EXPECT_EQ(book.cells().string(formulaAt(book, 3, 1)->text), u"B3*2");
    EXPECT_EQ(book.cells().string(formulaAt(book, 3, 3)->text), u"A3+1");
    EXPECT_EQ(book.cells().string(formulaAt(book, 4, 3)->text), u"");
    EXPECT_TRUE(formulaAt(book, 4, 3)->hasResult);
    EXPECT_FALSE(formulaAt(book, 4, 4)->hasResult);
    EXPECT_TRUE(book.fullCalcOnLoad());
    EXPECT_EQ(book.application(), QStringLiteral("SAP NetWeaver"));
}

TEST(XlsxWorkbook, MemberNamesWithWindowsSeparators)
{
    XlsxWorkbook book;
    book.open(xlsx("backslash_names.xlsx"));
    EXPECT_EQ(book.cellText(1, 1), QStringLiteral("backslashes"));
}

TEST(XlsxWorkbook, Zip64AndACellWithNothingInIt)
{
    XlsxWorkbook book;
    book.open(xlsx("zip64.xlsx"));
    EXPECT_EQ(cellsOf(book), (QStringList{"A1=3", "C1=zip64"}));
}

TEST(XlsxWorkbook, OpensThroughTheFormSniffer)
{
    const std::unique_ptr<Workbook> book = WorkbookFile::open(xlsx("quirk_strict.xlsx"));
    ASSERT_NE(dynamic_cast<XlsxWorkbook*>(book.get()), nullptr);
    EXPECT_EQ(book->cellText(1, 1), QStringLiteral("strict"));
}

// ---- damaged and hostile files ----------------------------------------------

TEST(XlsxWorkbook, DamagedFilesAreRefusedSayingWhere)
{
    struct Case {
        const char* file;
        QStringList says;
    };
    const Case cases[] = {
        {"damaged_xml.xlsx", {"xl/worksheets/sheet1.xml", "บรรทัดที่ 4", "เสียหาย"}},
        {"damaged_missing_sheet.xlsx", {"xl/worksheets/sheet1.xml", "Sheet1", "ไม่พบ"}},
        {"damaged_string_index.xlsx", {"B1", "ลำดับที่ 1"}},
        {"damaged_number.xlsx", {"K7", "xl/worksheets/sheet1.xml"}},
        {"damaged_deflate.xlsx", {"xl/worksheets/sheet1.xml", "เสียหาย"}},
    };
    for (const Case& c : cases) {
        const QString message = openError(xlsx(c.file));
        EXPECT_TRUE(message.contains(QLatin1String(c.file))) << c.file << ": " << message.toStdString();
        for (const QString& piece : c.says)
            EXPECT_TRUE(message.contains(piece)) << c.file << " should say " << piece.toStdString() << ": "
                                                 << message.toStdString();
    }
}

TEST(XlsxWorkbook, HostileFilesStopEarlyWithAMessage)
{
    // 42 kB that inflate to 40 MB: stopped at the cap, naming the part.
    const QString bomb = openError(xlsx("bomb_zip.xlsx"));
    EXPECT_TRUE(bomb.contains(QStringLiteral("xl/worksheets/sheet1.xml"))) << bomb.toStdString();
    EXPECT_TRUE(bomb.contains(QStringLiteral("ใหญ่เกิน"))) << bomb.toStdString();
    // Nested entities are never expanded: the document type is refused.
    const QString laughs = openError(xlsx("bomb_entities.xlsx"));
    EXPECT_TRUE(laughs.contains(QStringLiteral("xl/sharedStrings.xml"))) << laughs.toStdString();
    EXPECT_TRUE(laughs.contains(QStringLiteral("DTD"))) << laughs.toStdString();
    // 100,000 nested elements are passed over, and the cell after them read.
    XlsxWorkbook deep;
    deep.open(xlsx("deep_nesting.xlsx"));
    EXPECT_EQ(deep.cellText(1, 1), QStringLiteral("1"));
}

TEST(XlsxWorkbook, AFailedOpenLeavesNothingOfTheLastRead)
{
    XlsxWorkbook book;
    book.open(xlsx("quirk_strict.xlsx"));
    ASSERT_EQ(book.rowCount(), 1);
    EXPECT_THROW(book.open(xlsx("damaged_string_index.xlsx")), Workbook::Error);
    EXPECT_FALSE(book.isOpen());
    EXPECT_EQ(book.rowCount(), 0);
    EXPECT_EQ(book.cellText(1, 1), QString());
    EXPECT_THROW(book.openData(QByteArray("PK\x03\x04 not really", 16), QStringLiteral("x.xlsx")), Workbook::Error);
    EXPECT_FALSE(book.isOpen());
}

// ---- from other libraries' test suites (tests/fixtures/corpus/README.md) -----

TEST(XlsxWorkbook, CorpusFilesThatOnceFailed)
{
    XlsxWorkbook book;
    book.open(TestEnv::fixture(QStringLiteral("corpus/src__TestData__Test_git_issue_385_backslash.xlsx")));
    EXPECT_EQ(book.rowCount(), 10);
    EXPECT_EQ(book.cellText(1, 1), QStringLiteral("col1"));
    EXPECT_EQ(book.cellText(2, 10), QStringLiteral("10x19"));

    // Members dated day 0: the read says nothing on the error output, which
    // the corpus run counts as a fault.
    QTemporaryFile err;
    ASSERT_TRUE(err.open());
    fflush(stderr);
    const int saved = dup(2);
    dup2(err.handle(), 2);
    try {
        book.open(TestEnv::fixture(QStringLiteral("corpus/test-data__spreadsheet__64508.xlsx")));
    } catch (...) {
    }
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    EXPECT_EQ(err.readAll(), QByteArray());
    EXPECT_EQ(book.cellText(1, 1), QStringLiteral("Partner ID ( ID za DDV )"));
}

// ---- generated: too large to commit -----------------------------------------

TEST(XlsxWorkbook, AMillionSharedStringsKeepEveryIndex)
{
    constexpr int kCount = 1000000;
    QByteArray strings = QByteArray("<sst xmlns=\"") + kSml + "\" uniqueCount=\"7\">";
    strings.reserve(kCount * 24);
    for (int i = 0; i < kCount; ++i)
        strings += i % 1000 == 0 ? QByteArray("<si/>") : "<si><t>s" + QByteArray::number(i) + "</t></si>";
    strings += "</sst>";
    const QByteArray sheet = "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>999999</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                             "<c r=\"C1\" t=\"s\"><v>5000</v></c><c r=\"D1\" t=\"s\"><v>5001</v></c>"
                             "<c r=\"E1\" t=\"s\"><v>1000000</v></c></row>";
    XlsxWorkbook book;
    try {
        book.openData(zipOf(package(sheet, strings)), QStringLiteral("million.xlsx"));
        FAIL() << "index 1000000 is past the table";
    } catch (const Workbook::Error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("E1")));
    }
    book.openData(zipOf(package(sheet.left(sheet.indexOf("<c r=\"E1\"")) + "</row>", strings)),
                  QStringLiteral("million.xlsx"));
    EXPECT_EQ(book.cellText(1, 1), QStringLiteral("s999999"));
    EXPECT_EQ(book.cellText(1, 2), QStringLiteral("s1"));
    EXPECT_EQ(book.cellText(1, 3), QString());
    EXPECT_EQ(book.cellText(1, 4), QStringLiteral("s5001"));
}

TEST(XlsxWorkbook, ReferencesPastTheSheetAreLeftOutNotWrapped)
{
    const QByteArray sheet = "<row r=\"1\"><c r=\"XFD1\"><v>1</v></c><c><v>2</v></c>"
                             "<c r=\"ZZZZZZZZZZZZ1\"><v>3</v></c></row>"
                             "<row r=\"99999999999\"><c r=\"A99999999999\"><v>4</v></c></row>"
                             "<row><c><v>5</v></c></row>";
    XlsxWorkbook book;
    book.openData(zipOf(package(sheet)), QStringLiteral("far.xlsx"));
    EXPECT_EQ(book.cellText(1, 16384), QStringLiteral("1"));
    EXPECT_EQ(book.colCount(), 16384);
    EXPECT_EQ(book.rowCount(), 1);
    EXPECT_EQ(book.cells().cellCount(), 1u);
}
