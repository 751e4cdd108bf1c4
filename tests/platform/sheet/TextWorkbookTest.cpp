// Tab-separated text read as a sheet: every encoding SAP's download writes
// gives the same grid, quoted fields read as the spreadsheet program reads
// them, typed numbers become numbers and nothing else does.
#include "QStringPrint.h"
#include "TextWorkbook.h"
#include "WorkbookFile.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Thai in code page 874: U+0E01..U+0E5B sit at 0xA1..0xFB, ASCII as itself.
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

QByteArray utf16(const QString& s, bool bigEndian)
{
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : s) {
        const ushort u = c.unicode();
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

QString cell(const Workbook& book, int row, int col)
{
    QString t;
    book.readCell(row, col, t);
    return t;
}

QString failure(const QByteArray& bytes, const QString& path = QStringLiteral("/tmp/sap.xls"))
{
    TextWorkbook book;
    try {
        book.openData(bytes, path);
    } catch (const Workbook::Error& e) {
        EXPECT_FALSE(book.isOpen());
        return QString::fromUtf8(e.what());
    }
    ADD_FAILURE() << "the read did not fail";
    return {};
}

const QString kThaiSheet = QStringLiteral(
    "ชื่อผู้ขาย\tจำนวนเงิน\tเลขที่\r\n"
    "บริษัท ไทยพัฒนา จำกัด\t1,500.50\t0012\r\n"
    "\r\n"
    "นายสมชาย ใจดี\t1,500.50-\t3101234567890\r\n");

}

TEST(TextWorkbook, EveryEncodingSapWritesGivesTheSameGrid)
{
    const struct {
        const char* name;
        QByteArray bytes;
    } forms[] = {
        {"code page 874", cp874(kThaiSheet)},
        {"UTF-16LE with mark", utf16(kThaiSheet, false)},
        {"UTF-16BE with mark", utf16(kThaiSheet, true)},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + kThaiSheet.toUtf8()},
        {"UTF-8 without mark", kThaiSheet.toUtf8()},
    };
    for (const auto& f : forms) {
        SCOPED_TRACE(f.name);
        TextWorkbook book;
        book.openData(f.bytes, QStringLiteral("sap.xls"));
        EXPECT_EQ(book.rowCount(), 4);
        EXPECT_EQ(book.colCount(), 3);
        EXPECT_EQ(cell(book, 1, 1), QStringLiteral("ชื่อผู้ขาย"));
        EXPECT_EQ(cell(book, 2, 1), QStringLiteral("บริษัท ไทยพัฒนา จำกัด"));
        EXPECT_EQ(cell(book, 2, 2), QStringLiteral("1500.5"));
        EXPECT_EQ(cell(book, 2, 3), QStringLiteral("0012"));
        // An empty line keeps its row: the next line is row 4, not 3.
        EXPECT_EQ(cell(book, 3, 1), QString());
        EXPECT_EQ(cell(book, 4, 1), QStringLiteral("นายสมชาย ใจดี"));
        EXPECT_EQ(cell(book, 4, 2), QStringLiteral("-1500.5"));
        EXPECT_EQ(cell(book, 4, 3), QStringLiteral("3101234567890"));
    }
    // Latin-1 looking bytes that are no valid UTF-8 stay code page 874.
    TextWorkbook book;
    book.openData(QByteArray("\xA1\xD2\xC3\t\xE0\xA7\xD4\xB9\n"), QStringLiteral("sap.xls"));
    EXPECT_EQ(cell(book, 1, 1), QStringLiteral("การ"));
    EXPECT_EQ(cell(book, 1, 2), QStringLiteral("เงิน"));
}

TEST(TextWorkbook, QuotedFieldsHoldTabsLineBreaksAndQuotes)
{
    const QByteArray text = "\"a\tb\"\t\"line 1\r\nline 2\"\t\"say \"\"hi\"\"\"\r\n"
                            "5\" screen\tx\"y\"\t\"quoted\"tail\n"
                            "\"\"\tafter empty\r"
                            "last\t\"1,500.50\"\t\"never closed\tstill\n here";
    TextWorkbook book;
    book.openData(text, QStringLiteral("quotes.txt"));
    EXPECT_EQ(cell(book, 1, 1), QStringLiteral("a\tb"));
    EXPECT_EQ(cell(book, 1, 2), QStringLiteral("line 1\nline 2"));
    EXPECT_EQ(cell(book, 1, 3), QStringLiteral("say \"hi\""));
    // A quote not at a field's start is an ordinary character; after a
    // closing quote the field goes on as written.
    EXPECT_EQ(cell(book, 2, 1), QStringLiteral("5\" screen"));
    EXPECT_EQ(cell(book, 2, 2), QStringLiteral("x\"y\""));
    EXPECT_EQ(cell(book, 2, 3), QStringLiteral("quotedtail"));
    // "" is an empty field; a lone CR ends a record as LF and CR LF do.
    EXPECT_EQ(cell(book, 3, 1), QString());
    EXPECT_EQ(cell(book, 3, 2), QStringLiteral("after empty"));
    EXPECT_EQ(cell(book, 4, 1), QStringLiteral("last"));
    // Quoting does not keep a typed number from being one.
    EXPECT_EQ(cell(book, 4, 2), QStringLiteral("1500.5"));
    // A quote left open runs to the end of the file.
    EXPECT_EQ(cell(book, 4, 3), QStringLiteral("never closed\tstill\n here"));
    EXPECT_EQ(book.rowCount(), 4);
}

TEST(TextWorkbook, OnlyNumbersAsTypedBecomeNumbers)
{
    const struct {
        const char* field;
        const char* reads;
        bool number;
    } cases[] = {
        {"1,500.50", "1500.5", true},
        {"1,500.50-", "-1500.5", true},
        {"-3", "-3", true},
        {" 512 ", "512", true},
        {"0", "0", true},
        {"0.25", "0.25", true},
        {"0012", "0012", false},
        {"1234567890123456", "1234567890123456", false},
        {"12,34", "12,34", false},
        {"15.05.2010", "15.05.2010", false},
        {"1.5E3", "1.5E3", false},
        {"  ค่าบริการ  ", "  ค่าบริการ  ", false},
    };
    QByteArray text;
    for (const auto& c : cases)
        text += QByteArray("k\t") + c.field + "\r\n";
    TextWorkbook book;
    book.openData(text, QStringLiteral("typed.txt"));
    int row = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(cell(book, row, 2), QString::fromUtf8(c.reads));
        const SheetCells::Cell* found = book.cells().find(row, 2);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->kind == SheetCells::Kind::Number, c.number);
        ++row;
    }
}

TEST(TextWorkbook, WhatIsNoSheetOrTooLongIsRefusedByName)
{
    const QString noTab = failure("name;amount\r\nA;1\r\n", QStringLiteral("/tmp/semicolons.xls"));
    EXPECT_TRUE(noTab.contains(QStringLiteral("ไม่มีอักขระแท็บ"))) << noTab.toStdString();
    EXPECT_TRUE(noTab.contains(QDir::toNativeSeparators(QStringLiteral("/tmp/semicolons.xls"))));

    // A cell holds at most 32,767 characters; the longer field is named.
    TextWorkbook fits;
    fits.openData("a\t" + QByteArray(32767, 'x') + "\n", QStringLiteral("fits.txt"));
    EXPECT_EQ(cell(fits, 1, 2).size(), 32767);
    const QString tooLong = failure("a\tb\nc\t" + QByteArray(32768, 'x') + "\n");
    EXPECT_TRUE(tooLong.contains(QStringLiteral("B2"))) << tooLong.toStdString();
    EXPECT_TRUE(tooLong.contains(QStringLiteral("32,767")));

    // A long line with no tab at all is no table, not a long cell.
    const QString oneLine = failure(QByteArray(100000, 'x'));
    EXPECT_TRUE(oneLine.contains(QStringLiteral("ไม่มีอักขระแท็บ"))) << oneLine.toStdString();
    // ... but a long first field before the first tab is a long cell.
    const QString longFirst = failure(QByteArray(40000, 'x') + "\tb\n");
    EXPECT_TRUE(longFirst.contains(QStringLiteral("A1"))) << longFirst.toStdString();
}

TEST(TextWorkbook, ColumnsPastTheLastAreDroppedAndLargeFilesStream)
{
    // One line of more fields than a sheet has columns, read in several pieces.
    QByteArray line;
    for (int c = 1; c <= SheetCells::kMaxColumn + 500; ++c)
        line += QByteArray::number(c) + "\t" + QByteArray(60, 'y') + "\t";
    ASSERT_GT(line.size(), 1 << 20);
    TextWorkbook book;
    book.openData(line, QStringLiteral("wide.txt"));
    EXPECT_EQ(book.rowCount(), 1);
    EXPECT_EQ(book.colCount(), SheetCells::kMaxColumn);
    EXPECT_EQ(cell(book, 1, SheetCells::kMaxColumn - 1), QString::number(SheetCells::kMaxColumn / 2));
    EXPECT_EQ(cell(book, 1, SheetCells::kMaxColumn), QString(60, u'y'));

    // UTF-16 and UTF-8 characters cut between pieces come out whole.
    const QString thai = QStringLiteral("เงิน\t");
    QString many;
    for (int i = 0; i < 300000; ++i)
        many += thai;
    for (const QByteArray& bytes : {utf16(many, false), "\xEF\xBB\xBF" + many.toUtf8(), cp874(many)}) {
        TextWorkbook big;
        big.openData(bytes, QStringLiteral("big.txt"));
        for (int c = 1; c <= SheetCells::kMaxColumn; c += 997)
            ASSERT_EQ(cell(big, 1, c), QStringLiteral("เงิน")) << c;
    }
}

TEST(TextWorkbook, TheOpenerReadsTextUnderAnExcelName)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FBL1N.xls"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(utf16(kThaiSheet, false));
    f.close();
    const auto book = WorkbookFile::open(path);
    EXPECT_EQ(cell(*book, 4, 1), QStringLiteral("นายสมชาย ใจดี"));
    EXPECT_EQ(cell(*book, 2, 2), QStringLiteral("1500.5"));
}
