#include "XlsWorkbook.h"
#include "QStringPrint.h"
#include "TestEnv.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::string open_error(const QString& path)
{
    XlsWorkbook book;
    try {
        book.open(path);
    } catch (const Workbook::Error& e) {
        EXPECT_FALSE(book.isOpen());
        return e.what();
    }
    ADD_FAILURE() << "opening " << path.toStdString() << " did not fail";
    return {};
}

}

TEST(XlsWorkbook, TextCellsComeBackAsStoredWithThaiAndBlanks)
{
    XlsWorkbook book;
    book.open(TestEnv::fixture("cheques_edge_keys.xls"));
    ASSERT_TRUE(book.isOpen());
    EXPECT_EQ(book.cellText(1, 1), QStringLiteral("รายงานการจ่ายเช็คเจ้าหนี้"));
    EXPECT_EQ(book.cellText(5, 3), QStringLiteral("Profit Center Code"));
    EXPECT_EQ(book.cellText(5, 26), QStringLiteral("เจ้าหนี้ผู้มีสิทธิรับเงิน (ตามหน้าเช็ค)"));
    // row 10: check number with blanks around it, untouched by the workbook
    EXPECT_EQ(book.cellText(10, 11), QStringLiteral("  515 "));
    EXPECT_EQ(book.cellText(17, 3), QStringLiteral("\tP1010\r\n"));
    // empty cells, and cells past the used range
    EXPECT_EQ(book.cellText(4, 3), QString());
    EXPECT_EQ(book.cellText(6, 1), QString());
    EXPECT_EQ(book.cellText(book.rowCount() + 1, 3), QString());
    EXPECT_EQ(book.cellText(6, book.colCount() + 1), QString());
    EXPECT_EQ(book.cellText(0, 0), QString());
}

TEST(XlsWorkbook, NumbersAndDatesBecomeTheTextSapWouldWrite)
{
    XlsWorkbook book;
    book.open(TestEnv::fixture("cheques_typed_cells.xls"));
    // integers
    EXPECT_EQ(book.cellText(6, 11), "512");
    EXPECT_EQ(book.cellText(6, 15), "123456789");
    EXPECT_EQ(book.cellText(6, 21), "0");
    EXPECT_EQ(book.cellText(7, 22), "-3");
    EXPECT_EQ(book.cellText(7, 15), "3101234567890");
    // fractions: shortest round-trip form, "." as decimal point
    EXPECT_EQ(book.cellText(6, 20), "1500.5");
    EXPECT_EQ(book.cellText(7, 20), "0.1");
    EXPECT_EQ(book.cellText(7, 21), "1234.5678");
    // beyond 15 digits the number is rounded to 15 significant digits
    EXPECT_EQ(book.cellText(8, 20), "1.23456789012346e+16");
    // date cells as dd.mm.yyyy; a date-time keeps its time of day only when it has one
    EXPECT_EQ(book.cellText(6, 5), "03.05.2010");
    EXPECT_EQ(book.cellText(6, 10), "15.05.2010");
    EXPECT_EQ(book.cellText(7, 10), "02.01.2011");
    EXPECT_EQ(book.cellText(8, 10), "02.01.2011 13:45:00");
}

TEST(XlsWorkbook, ReusedBufferHoldsExactlyTheLastCell)
{
    XlsWorkbook book;
    book.open(TestEnv::fixture("cheques_typical.xls"));
    QString text;
    book.readCell(5, 26, text);  // long Thai heading
    book.readCell(6, 11, text);
    EXPECT_EQ(text, "10000501");
    book.readCell(6, 13, text);
    EXPECT_EQ(text, QStringLiteral("บริษัท สยามวัสดุ จำกัด   "));
    book.readCell(6, 7, text);
    EXPECT_EQ(text, "C");
    book.readCell(4, 4, text);  // empty cell clears the buffer
    EXPECT_TRUE(text.isEmpty());
}

TEST(XlsWorkbook, UsedRangeCloseAndReopen)
{
    XlsWorkbook book;
    book.open(TestEnv::fixture("cheques_typical.xls"));
    EXPECT_EQ(book.rowCount(), 22);  // lines on 6-20, the total on 22
    EXPECT_EQ(book.colCount(), 27);  // AA holds a value the reader never looks at
    book.close();
    EXPECT_FALSE(book.isOpen());
    EXPECT_EQ(book.cellText(6, 3), QString());
    book.close();  // harmless twice

    book.open(TestEnv::fixture("cheques_edge_rows.xls"));
    EXPECT_EQ(book.cellText(6, 25), "ROW-06");
    // opening another file replaces the first
    book.open(TestEnv::fixture("cheques_bad_amount.xls"));
    EXPECT_EQ(book.cellText(7, 20), "1,500.50");
}

TEST(XlsWorkbook, FailuresSayWhatWentWrongAndNameTheFile)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("Cheque_0553.xls");
    {
        const std::string m = open_error(missing);
        EXPECT_NE(m.find("Cheque_0553.xls"), std::string::npos) << m;
        EXPECT_NE(m.find("ไม่พบแฟ้ม"), std::string::npos) << m;
    }
    {
        const std::string m = open_error(TestEnv::fixture("not_a_workbook.xls"));
        EXPECT_NE(m.find("not_a_workbook.xls"), std::string::npos) << m;
        EXPECT_NE(m.find("ไม่ใช่แฟ้ม Excel 97-2003"), std::string::npos) << m;
    }
    {
        // damaged: says so, names no inner structure, and says what to do
        const std::string m = open_error(TestEnv::fixture("damaged_truncated.xls"));
        EXPECT_NE(m.find("damaged_truncated.xls"), std::string::npos) << m;
        EXPECT_NE(m.find("เสียหาย"), std::string::npos) << m;
        EXPECT_EQ(m.find("compound"), std::string::npos) << m;
        EXPECT_NE(m.find("ขอแฟ้มนี้จากผู้ส่งใหม่"), std::string::npos) << m;
    }
    {
        const std::string m = open_error(TestEnv::fixture("damaged_no_sheet.xls"));
        EXPECT_NE(m.find("damaged_no_sheet.xls"), std::string::npos) << m;
        EXPECT_NE(m.find("ไม่มีแผ่นงาน"), std::string::npos) << m;
    }
    {
        QDir(dir.path()).mkdir("folder.xls");
        const std::string m = open_error(dir.filePath("folder.xls"));
        EXPECT_NE(m.find("folder.xls"), std::string::npos) << m;
    }
    EXPECT_EQ(open_error(QString()), "ยังไม่ได้เลือกแฟ้ม");
}
