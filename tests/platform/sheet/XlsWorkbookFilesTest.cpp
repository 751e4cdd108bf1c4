// The reader against files that once broke .xls readers: formula results,
// long texts over several records, other date systems and code pages, files
// of other programs, damaged files, and files from other libraries' test suites
// (tests/fixtures/corpus, sources in its README).
#include "QStringPrint.h"
#include "TestEnv.h"
#include "XlsWorkbook.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QString corpus(const char* name)
{
    return TestEnv::fixture(QStringLiteral("corpus/") + QLatin1String(name));
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// The message of a failed open, or "" when it opened.
QString openError(const QString& path)
{
    XlsWorkbook book;
    try {
        book.open(path);
    } catch (const Workbook::Error& e) {
        EXPECT_FALSE(book.isOpen());
        return QString::fromUtf8(e.what());
    }
    return QString();
}

QString cellError(const XlsWorkbook& book, int row, int col)
{
    try {
        book.cellText(row, col);
    } catch (const Workbook::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}


const QString kLong1 = QStringLiteral("ค่าจ้างเหมาบริการทำความสะอาดอาคารสำนักงานใหญ่ประจำเดือน ").repeated(200).left(10000);
const QString kLong2 = QStringLiteral("รายละเอียดการจ่ายเช็คเจ้าหนี้ตามใบแจ้งหนี้เลขที่ IV-2553 ").repeated(200).left(10000);

}

TEST(XlsWorkbookFiles, FormulaCellsReadAsTheirResults)
{
    XlsWorkbook book;
    book.open(TestEnv::fixture("cheques_formulas.xls"));
    // text results (the STRING record after the formula), in K and in E
    EXPECT_EQ(book.cellText(6, 11), "10000601");
    EXPECT_EQ(book.cellText(6, 5), "03.05.2010");
    // numbers, also when one formula uses another's result
    EXPECT_EQ(book.cellText(6, 20), "1500.5");
    EXPECT_EQ(book.cellText(6, 22), "1493");
    EXPECT_EQ(book.cellText(7, 20), "3001");
    // a date result, a boolean, an empty text
    EXPECT_EQ(book.cellText(7, 5), "03.05.2010");
    EXPECT_EQ(book.cellText(7, 23), "TRUE");
    EXPECT_EQ(book.cellText(7, 24), "");
    EXPECT_EQ(book.cellText(7, 25), "FORMULA-2");
    // a 10-digit number in a date-formatted cell is no date
    EXPECT_EQ(book.cellText(8, 21), "1234567890");
    // an error result fails its own cell only, naming it and the error
    const QString m = cellError(book, 8, 27);
    EXPECT_TRUE(m.contains("AA8") && m.contains("#DIV/0!") && m.contains("cheques_formulas.xls")) << m.toStdString();
    EXPECT_EQ(book.cellText(8, 25), "FORMULA-3");
}

TEST(XlsWorkbookFiles, LongThaiTextsOverContinueRecordsReadExactly)
{
    XlsWorkbook book;
    book.open(TestEnv::fixture("cheques_long_thai.xls"));
    EXPECT_EQ(book.cellText(6, 19), kLong1);
    EXPECT_EQ(book.cellText(7, 19), kLong2);
    EXPECT_EQ(book.cellText(7, 26), kLong1);
    // the texts after them in the shared table are where they belong
    EXPECT_EQ(book.cellText(8, 25), "LONG-3");
    EXPECT_EQ(book.cellText(5, 26), QStringLiteral("เจ้าหนี้ผู้มีสิทธิรับเงิน (ตามหน้าเช็ค)"));
    // only the first sheet is read
    EXPECT_EQ(book.cellText(1, 1), QStringLiteral("รายงานการจ่ายเช็คเจ้าหนี้"));
}

TEST(XlsWorkbookFiles, DateSystemsAndCodePages)
{
    XlsWorkbook book;
    book.open(TestEnv::fixture("cheques_1904.xls"));
    EXPECT_EQ(book.cellText(6, 5), "03.05.2010");
    EXPECT_EQ(book.cellText(6, 10), "15.05.2010");
    EXPECT_EQ(book.cellText(7, 5), "01.01.1904");
    EXPECT_EQ(book.cellText(7, 10), "15.05.2010");  // the format shows the date only

    // Excel 5.0/95: 8-bit texts in code page 874
    book.open(TestEnv::fixture("cheques_biff5_thai.xls"));
    EXPECT_EQ(book.cellText(6, 4), QStringLiteral("สำนักงานใหญ่"));
    EXPECT_EQ(book.cellText(7, 13), QStringLiteral("ห้างหุ้นส่วนจำกัด เจริญก่อสร้าง"));
    EXPECT_EQ(book.cellText(7, 26), QStringLiteral("นายสมชาย ใจดี"));
    EXPECT_EQ(book.cellText(5, 26), QStringLiteral("เจ้าหนี้ผู้มีสิทธิรับเงิน (ตามหน้าเช็ค)"));
    EXPECT_EQ(book.cellText(7, 20), "1500.5");

    // a real Mac workbook in the 1904 system, as LibreOffice reads it
    book.open(corpus("1904__1904.xls"));
    EXPECT_EQ(book.cellText(1, 1), "1");
    EXPECT_EQ(book.cellText(1, 2), "02.01.1904");
    EXPECT_EQ(book.cellText(2, 2), "12.01.1904");
}

TEST(XlsWorkbookFiles, OtherLibrariesTestFilesReadAsLibreOfficeReadsThem)
{
    XlsWorkbook book;
    // rich text runs
    book.open(corpus("rich_text_stress.xls"));
    EXPECT_EQ(book.cellText(2, 2), "this text is bold, sure enough");
    EXPECT_EQ(book.cellText(3, 2), "this text is italicized sure enough");
    // a CONTINUE record holding only the width byte of the characters after it
    book.open(corpus("src__TestData__Test_git_issue_467_sst_empty_continue.xls"));
    EXPECT_TRUE(book.cellText(97, 1).startsWith("The prices communicated by the Member States"));
    EXPECT_TRUE(book.cellText(97, 1).endsWith(QStringLiteral("© Communautés européennes,2016")));
    // a shared-string table that declares no strings but holds them
    book.open(corpus("src__TestData__Test_git_issue_477_sst_zero_count.xls"));
    EXPECT_EQ(book.cellText(1, 1), "col1");
    EXPECT_EQ(book.cellText(2, 1), "10x10");
    // a chart sheet in the workbook, and a pivot table on the first sheet, leave it readable
    book.open(corpus("tests__data__Reader__XLS__chartsheet.xls"));
    EXPECT_EQ(book.cellText(1, 2), "Financial Period");
    EXPECT_EQ(book.cellText(4, 1), "Budget");
    book.open(corpus("pivot_table_named_range.xls"));
    EXPECT_EQ(book.cellText(1, 1), "Foo");
    EXPECT_EQ(book.cellText(3, 1), "Count of Qux");
}

TEST(XlsWorkbookFiles, PercentSignsInNamesAndPathsThatAreNotFiles)
{
    QTemporaryDir dir;
    // a "%" followed by digits is the file's name, not a placeholder
    const QString odd = dir.filePath("Cheque%2BMay %1 100%.xls");
    EXPECT_TRUE(openError(odd).contains("Cheque%2BMay %1 100%.xls")) << openError(odd).toStdString();
    QFile::copy(TestEnv::fixture("not_a_workbook.xls"), odd);
    EXPECT_TRUE(openError(odd).contains("Cheque%2BMay %1 100%.xls")) << openError(odd).toStdString();

    // A named pipe is refused without being opened: nothing waits for a writer.
    const QString fifo = dir.filePath("listed.xls");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QElapsedTimer t;
    t.start();
    const QString m = openError(fifo);
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_TRUE(m.contains(QStringLiteral("ไม่ใช่แฟ้มข้อมูลธรรมดา")) && m.contains("listed.xls")) << m.toStdString();

    EXPECT_TRUE(openError(QStringLiteral("/dev/null")).contains(QStringLiteral("ไม่ใช่แฟ้มข้อมูลธรรมดา")));
    EXPECT_TRUE(openError(dir.filePath("no/such/dir.xls")).contains(QStringLiteral("ไม่พบแฟ้ม")));
}

TEST(XlsWorkbookFiles, DamagedCopiesNeverCrashAndFailOnlyWithAMessage)
{
    // Every byte of a real workbook changed in turn, and runs of three bytes
    // changed at once: each copy either reads or is refused with a message.
    const QByteArray original = bytesOf(TestEnv::fixture("cheques_typed_cells.xls"));
    ASSERT_GT(original.size(), 4096);
    int read = 0, refused = 0;
    QString text;
    auto attempt = [&](const QByteArray& bytes) {
        XlsWorkbook book;
        try {
            book.openData(bytes, QStringLiteral("copy.xls"));
        } catch (const Workbook::Error& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains("copy.xls")) << e.what();
            ++refused;
            return;
        }
        ++read;
        for (int r = 1; r <= std::min(book.rowCount(), 40); ++r)
            for (int c = 1; c <= 30; ++c) {
                try {
                    book.readCell(r, c, text);
                } catch (const Workbook::Error&) {
                }
            }
    };
    for (qsizetype i = 0; i < original.size(); ++i)
        for (const char v : {'\x00', '\xFF', '\x7F'}) {
            QByteArray copy = original;
            copy[i] = static_cast<char>(copy[i] ^ v ^ (v == 0 ? 0x55 : 0));
            attempt(copy);
        }
    for (qsizetype i = 0; i + 3 <= original.size(); i += 3) {
        QByteArray copy = original;
        copy[i] = '\xFF';
        copy[i + 1] = '\xFF';
        copy[i + 2] = '\x7F';
        attempt(copy);
    }
    for (qsizetype cut = 0; cut < original.size(); cut += 97)
        attempt(original.left(cut));
    EXPECT_GT(read, 0);
    EXPECT_GT(refused, 0);
}

TEST(XlsWorkbookFiles, TheUsedRangeIsWhatTheFileHoldsNotWhatItDeclares)
{
    // The worksheet's DIMENSIONS record says 130 million rows: the reader
    // does not believe it, and reads the same cells as before.
    QByteArray bytes = bytesOf(TestEnv::fixture("cheques_typical.xls"));
    const QByteArray dims("\x00\x02\x0e\x00", 4);  // record 0x0200, 14 bytes
    const qsizetype at = bytes.indexOf(dims);
    ASSERT_GT(at, 0);
    const uint32_t rows = 130000000;
    for (int k = 0; k < 4; ++k)
        bytes[at + 8 + k] = static_cast<char>(rows >> (8 * k));
    XlsWorkbook book;
    book.openData(bytes, QStringLiteral("declared.xls"));
    EXPECT_EQ(book.rowCount(), 22);
    EXPECT_EQ(book.colCount(), 27);
    EXPECT_EQ(book.cellText(6, 11), "10000501");
}
