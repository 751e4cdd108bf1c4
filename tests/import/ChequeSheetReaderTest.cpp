#include "ChequeSheetReader.h"
#include "ImportGridLayout.h"
#include "QStringPrint.h"
#include "TestEnv.h"
#include "TextGrid.h"

#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Grid columns, by the sheet column letter that feeds them (C -> 2 ... Z -> 25).
int g(char letter)
{
    return letter - 'A';
}

TextGrid read(const char* fixture, int expectedLines)
{
    TextGrid grid;
    EXPECT_EQ(readChequeSheet(TestEnv::fixture(fixture), grid), expectedLines) << fixture;
    return grid;
}

// Column `col` of rows 1 .. rowCount-1.
QStringList column(const TextGrid& grid, int col)
{
    QStringList out;
    for (int r = 1; r < grid.rowCount(); ++r)
        out << grid.cell(col, r);
    return out;
}

void expectSameGrid(const TextGrid& a, const TextGrid& b)
{
    ASSERT_EQ(a.colCount(), b.colCount());
    ASSERT_EQ(a.rowCount(), b.rowCount());
    EXPECT_EQ(a.fixedRows(), b.fixedRows());
    EXPECT_EQ(a.fixedCols(), b.fixedCols());
    for (int c = 0; c < a.colCount(); ++c) {
        EXPECT_EQ(a.colWidth(c), b.colWidth(c)) << "column " << c;
        for (int r = 0; r < a.rowCount(); ++r)
            EXPECT_EQ(a.cell(c, r), b.cell(c, r)) << "cell " << c << ", " << r;
    }
}

const QStringList kHeaders = {
    "No. ", "Cheque_PK ", "Profit Center Code", "Profit Center", "Deka Creat", "Deka Recei",
    "Payment Method", "Deka Number", "Clearing Document", "Clearing Date", "Check No.", "Vendor",
    "Vendor Name", "Delivery Mode", "Tax Number", "Status", "Pstng Date", "DocumentNo", "Description",
    "Total Amou", "WHT Amount", "To Be Paid", "Fund", "Reference", "Reference(Invoice_No)",
    QStringLiteral("เจ้าหนี้ผู้มีสิทธิรับเงิน (ตามหน้าเช็ค)"),
};

}

TEST(ChequeSheetReader, TypicalExportShapeHeadersAndWidths)
{
    const TextGrid grid = read("cheques_typical.xls", 15);
    EXPECT_EQ(grid.colCount(), 26);
    EXPECT_EQ(grid.rowCount(), 16);
    EXPECT_EQ(grid.fixedRows(), 1);
    EXPECT_EQ(grid.fixedCols(), 1);
    for (int c = 0; c < 26; ++c) {
        EXPECT_EQ(grid.cell(c, 0), kHeaders[c]) << "header " << c;
        EXPECT_EQ(ImportGridLayout::header(c), kHeaders[c]) << "header " << c;
    }
    const int widths[] = {50, 120, 70, 60, 100, 100, 100, 100, 80, 80};
    for (int c = 0; c < 10; ++c)
        EXPECT_EQ(grid.colWidth(c), widths[c]) << "column " << c;
    for (int c = 10; c < 26; ++c)
        EXPECT_EQ(grid.colWidth(c), TextGrid::kDefaultColumnWidth) << "column " << c;
}

TEST(ChequeSheetReader, TypicalExportCells)
{
    const TextGrid grid = read("cheques_typical.xls", 15);

    QStringList numbers;
    for (int i = 1; i <= 15; ++i)
        numbers << QString::number(i);
    EXPECT_EQ(column(grid, 0), numbers);
    EXPECT_EQ(column(grid, g('R')),
              QStringList({"5100000101", "5100000102", "5100000103", "5100000201", "5100000202",
                           "5100000203", "5100000204", "5100000301", "5100000401", "5100000402",
                           "5100000403", "5100000404", "5100000405", "5100000406", "5100000407"}));
    EXPECT_EQ(column(grid, 1).removeDuplicates(), 11);  // four cheques, fifteen lines

    // first line, every column
    const QStringList first = {
        "1", "2010/10000501", "P1010", QStringLiteral("สำนักงานใหญ่"), "03.05.2010", "05.05.2010", "C",
        "5300001006", "2000001001", "15.05.2010", "10000501", "100234",
        QStringLiteral("บริษัท สยามวัสดุ จำกัด"),  // trailing blanks of the sheet trimmed
        "1", "0105536000123", "P", "30.04.2010", "5100000101", QStringLiteral("ค่าวัสดุสำนักงาน"),
        "1070.00", "10.00", "1060.00", "F101", "KZ", "IV5301-001", QStringLiteral("บริษัท สยามวัสดุ จำกัด"),
    };
    for (int c = 0; c < 26; ++c)
        EXPECT_EQ(grid.cell(c, 1), first[c]) << "column " << c;

    // a line of the second cheque, whose payee differs from the vendor
    EXPECT_EQ(grid.cell(1, 5), "2010/10000502");
    EXPECT_EQ(grid.cell(g('D'), 5), QStringLiteral("ฝ่ายบัญชีและการเงิน"));
    EXPECT_EQ(grid.cell(g('M'), 5), QStringLiteral("ห้างหุ้นส่วนจำกัด เจริญก่อสร้าง"));
    EXPECT_EQ(grid.cell(g('S'), 5), QStringLiteral("ค่าวัสดุก่อสร้าง"));
    EXPECT_EQ(grid.cell(g('Y'), 5), "CT-78/2553");
    EXPECT_EQ(grid.cell(g('Z'), 5), QStringLiteral("นายสมชาย ใจดี"));

    // last line
    EXPECT_EQ(grid.cell(0, 15), "15");
    EXPECT_EQ(grid.cell(1, 15), "2010/10000504");
    EXPECT_EQ(grid.cell(g('J'), 15), "20.05.2010");
    EXPECT_EQ(grid.cell(g('V'), 15), "7280.00");
    EXPECT_EQ(grid.cell(g('Z'), 15), QStringLiteral("บริษัท ไทยรุ่งเรืองเทคโนโลยี จำกัด (มหาชน)"));
}

TEST(ChequeSheetReader, SkippedRowsAndTheEndOfTheLines)
{
    // Rows 7, 8 and 10 lack K or C; row 12 has no E and ends the read although
    // rows 13 and 14 hold lines.
    const TextGrid grid = read("cheques_edge_rows.xls", 3);
    EXPECT_EQ(grid.rowCount(), 4);
    EXPECT_EQ(column(grid, 0), QStringList({"1", "2", "3"}));
    EXPECT_EQ(column(grid, g('Y')), QStringList({"ROW-06", "ROW-09", "ROW-11"}));
    EXPECT_EQ(column(grid, 1), QStringList({"2010/20000001", "2010/20000001", "2010/20000002"}));
}

TEST(ChequeSheetReader, ChequeKeysTaxNumbersAndTrimming)
{
    const TextGrid grid = read("cheques_edge_keys.xls", 12);
    EXPECT_EQ(column(grid, 1).mid(0, 5),
              QStringList({"2010/512", "5-15/512", "/513", "20/514", "2010/  515 "}));
    // the date column itself keeps the sheet's text
    EXPECT_EQ(grid.cell(g('J'), 2), "2010-05-15");
    EXPECT_EQ(grid.cell(g('J'), 3), "15.05");
    // blanks around K stay in the key only
    EXPECT_EQ(grid.cell(g('K'), 5), "515");

    // tax numbers of 9, 10, 12, 13 characters, 9 with a leading blank, empty
    EXPECT_EQ(column(grid, g('O')).mid(5, 6),
              QStringList({"0123456789", "0123456789", "0123456789012", "0123456789012", "012345678", ""}));

    // control characters and blanks go; a no-break space (code 160) stays
    EXPECT_EQ(grid.cell(g('C'), 12), "P1010");
    EXPECT_EQ(grid.cell(g('S'), 12), QStringLiteral("ค่าบริการ"));
    EXPECT_EQ(grid.cell(g('M'), 12), QStringLiteral("\u00a0บริษัท ก\u00a0"));
}

TEST(ChequeSheetReader, NumericAndDateCellsGiveProperKeys)
{
    const TextGrid grid = read("cheques_typed_cells.xls", 3);
    EXPECT_EQ(column(grid, 1), QStringList({"2010/512", "2011/513", "2011/514"}));
    EXPECT_EQ(grid.cell(g('E'), 1), "03.05.2010");
    EXPECT_EQ(grid.cell(g('J'), 1), "15.05.2010");
    EXPECT_EQ(grid.cell(g('K'), 1), "512");
    EXPECT_EQ(grid.cell(g('O'), 1), "0123456789");     // numeric 123456789: nine digits
    EXPECT_EQ(grid.cell(g('O'), 2), "3101234567890");  // thirteen digits stay
    EXPECT_EQ(grid.cell(g('R'), 1), "5100002001");
    EXPECT_EQ(column(grid, g('T')), QStringList({"1500.5", "0.1", "1.23456789012346e+16"}));
    EXPECT_EQ(column(grid, g('V')).mid(0, 2), QStringList({"1500", "-3"}));
}

TEST(ChequeSheetReader, LinesTheSaveMustHandleArriveUnchanged)
{
    const TextGrid grid = read("cheques_save_cases.xls", 19);
    EXPECT_EQ(grid.cell(g('T'), 1), grid.cell(g('T'), 2));
    EXPECT_NE(grid.cell(g('R'), 1), grid.cell(g('R'), 2));
    EXPECT_EQ(column(grid, g('T')).mid(2, 3), QStringList({"1500.50", "500", "500.00"}));
    EXPECT_EQ(grid.cell(g('Y'), 3), "A&B<01>");
    EXPECT_EQ(column(grid, 1).count("2010/30000003"), 14);

    const TextGrid bad = read("cheques_bad_amount.xls", 2);
    EXPECT_EQ(bad.cell(g('T'), 2), "1,500.50");
}

TEST(ChequeSheetReader, SheetWithoutLinesLeavesTheHeaderRowAlone)
{
    TextGrid grid;
    EXPECT_EQ(readChequeSheet(TestEnv::fixture("cheques_typical.xls"), grid), 15);
    EXPECT_EQ(readChequeSheet(TestEnv::fixture("cheques_no_lines.xls"), grid), 0);
    EXPECT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.colCount(), 26);
    EXPECT_EQ(grid.fixedRows(), 0);  // a fixed row needs a row below it
    EXPECT_EQ(grid.cell(0, 0), "No. ");
    EXPECT_EQ(grid.cell(25, 0), kHeaders[25]);
    EXPECT_EQ(grid.colWidth(1), 120);
}

TEST(ChequeSheetReader, ReadReplacesTheGridButKeepsTheUsersWidths)
{
    TextGrid grid;
    EXPECT_EQ(readChequeSheet(TestEnv::fixture("cheques_typical.xls"), grid), 15);
    grid.setColWidth(3, 999);   // set by every read
    grid.setColWidth(12, 200);  // the user's, kept
    grid.setColWidth(25, 33);
    EXPECT_EQ(readChequeSheet(TestEnv::fixture("cheques_edge_rows.xls"), grid), 3);
    EXPECT_EQ(grid.rowCount(), 4);
    EXPECT_EQ(grid.cell(g('Y'), 3), "ROW-11");
    EXPECT_EQ(grid.cell(g('Y'), 4), QString());
    EXPECT_EQ(grid.colWidth(3), 60);
    EXPECT_EQ(grid.colWidth(12), 200);
    EXPECT_EQ(grid.colWidth(25), 33);
    EXPECT_EQ(grid.colWidth(11), TextGrid::kDefaultColumnWidth);
}

TEST(ChequeSheetReader, FailureNamesTheFileAndLeavesTheGridAsItWas)
{
    TextGrid grid;
    EXPECT_EQ(readChequeSheet(TestEnv::fixture("cheques_edge_rows.xls"), grid), 3);
    grid.setColWidth(20, 150);
    const TextGrid before = grid;

    QTemporaryDir dir;
    const QString paths[] = {
        dir.filePath("Cheque_0553.xls"),  // missing
        TestEnv::fixture("not_a_workbook.xls"),
        TestEnv::fixture("damaged_truncated.xls"),
        TestEnv::fixture("damaged_no_sheet.xls"),
    };
    for (const QString& path : paths) {
        try {
            readChequeSheet(path, grid);
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const SheetReadError& e) {
            const QString name = path.section('/', -1);
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(name)) << e.what();
        }
        expectSameGrid(grid, before);
    }
    EXPECT_THROW(readChequeSheet(QString(), grid), SheetReadError);
    expectSameGrid(grid, before);

    // the default grid of a fresh window is left alone too
    TextGrid fresh;
    const TextGrid untouched = fresh;
    EXPECT_THROW(readChequeSheet(TestEnv::fixture("not_a_workbook.xls"), fresh), SheetReadError);
    expectSameGrid(fresh, untouched);
}

TEST(ChequeSheetReader, FormulaResultsFillTheGridAndAFormulaInEDoesNotEndTheLines)
{
    const TextGrid grid = read("cheques_formulas.xls", 3);
    EXPECT_EQ(column(grid, 1), QStringList({"2010/10000601", "2010/10000602", "2010/10000603"}));
    EXPECT_EQ(column(grid, g('E')), QStringList({"03.05.2010", "03.05.2010", "03.05.2010"}));
    EXPECT_EQ(column(grid, g('T')), QStringList({"1500.5", "3001", "1070.00"}));
    EXPECT_EQ(grid.cell(g('V'), 1), "1493");
    EXPECT_EQ(grid.cell(g('W'), 2), "TRUE");
    EXPECT_EQ(grid.cell(g('X'), 2), "");
    EXPECT_EQ(grid.cell(g('U'), 3), "1234567890");
    // the error past column Z is never read
    EXPECT_EQ(column(grid, g('Y')), QStringList({"FORMULA-1", "FORMULA-2", "FORMULA-3"}));
}

TEST(ChequeSheetReader, AnErrorInALineFailsTheReadNamingTheCell)
{
    TextGrid grid;
    EXPECT_EQ(readChequeSheet(TestEnv::fixture("cheques_typical.xls"), grid), 15);
    const TextGrid before = grid;
    try {
        readChequeSheet(TestEnv::fixture("cheques_formula_error.xls"), grid);
        ADD_FAILURE() << "no error";
    } catch (const SheetReadError& e) {
        const QString m = QString::fromUtf8(e.what());
        EXPECT_TRUE(m.contains("T7") && m.contains(QStringLiteral("คอลัมน์ T")) && m.contains("#DIV/0!")
                    && m.contains("cheques_formula_error.xls"))
            << e.what();
    }
    expectSameGrid(grid, before);
}

TEST(ChequeSheetReader, LongThaiTextsAndOlderFilesReachTheGridWhole)
{
    const QString long1 = QStringLiteral("ค่าจ้างเหมาบริการทำความสะอาดอาคารสำนักงานใหญ่ประจำเดือน ").repeated(200).left(10000);
    const TextGrid grid = read("cheques_long_thai.xls", 3);
    // trimmed like every cell: the text ends in a blank at 10,000 characters
    EXPECT_EQ(grid.cell(g('S'), 1), long1.trimmed());
    EXPECT_EQ(grid.cell(g('Z'), 2), long1.trimmed());

    const TextGrid old = read("cheques_biff5_thai.xls", 2);
    EXPECT_EQ(old.cell(g('D'), 1), QStringLiteral("สำนักงานใหญ่"));
    EXPECT_EQ(old.cell(1, 2), "2010/10001002");
    EXPECT_EQ(old.cell(g('Z'), 2), QStringLiteral("นายสมชาย ใจดี"));

    const TextGrid mac = read("cheques_1904.xls", 2);
    EXPECT_EQ(column(mac, 1), QStringList({"2010/10000901", "2010/10000902"}));
}
