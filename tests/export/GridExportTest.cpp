#include "DocumentOpener.h"
#include "GridExport.h"
#include "InstalledOpener.h"
#include "RecordingOpener.h"
#include "SheetModel.h"
#include "TextGrid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

using GridExport::Variant;

namespace {

const char16_t* const kImportHeaders[26] = {
    u"No. ", u"Cheque_PK ", u"Profit Center Code", u"Profit Center", u"Deka Creat",
    u"Deka Recei", u"Payment Method", u"Deka Number", u"Clearing Document", u"Clearing Date",
    u"Check No.", u"Vendor", u"Vendor Name", u"Delivery Mode", u"Tax Number", u"Status",
    u"Pstng Date", u"DocumentNo", u"Description", u"Total Amou", u"WHT Amount", u"To Be Paid",
    u"Fund", u"Reference", u"Reference(Invoice_No)", u"เจ้าหนี้ผู้มีสิทธิรับเงิน (ตามหน้าเช็ค)",
};

const char16_t* const kReportHeaders[25] = {
    u"No. ", u"Cheque_PK ", u"Profit Center Code", u"Deka Creat", u"Deka Recei",
    u"Payment Method", u"Deka Number", u"Clearing Document", u"Clearing Date", u"Check No.",
    u"Vendor", u"Vendor Name", u"Delivery Mode", u"Tax Number", u"Status", u"Total Money",
    u"Total WHT", u"Total To Be Paid", u"Pstng Date", u"DocumentNo", u"Description",
    u"Total Amou", u"WHT Amount", u"To Be Paid", u"Fund",
};

// Cells not set otherwise read "r<row>c<column>", which check_export.py expects too.
void fillPlain(TextGrid& grid)
{
    for (int g = 1; g < grid.rowCount(); ++g)
        for (int c = 0; c < grid.colCount(); ++c)
            grid.setCell(c, g, QStringLiteral("r%1c%2").arg(g).arg(c));
}

TextGrid importGrid()
{
    TextGrid grid;
    grid.setColCount(26);
    grid.setRowCount(11);
    for (int c = 0; c < 26; ++c)
        grid.setCell(c, 0, QString::fromUtf16(kImportHeaders[c]));
    fillPlain(grid);
    grid.setCell(0, 1, "1");
    grid.setCell(1, 1, "2010/512");
    grid.setCell(4, 1, "15/05/2010");
    grid.setCell(9, 1, "15.05.2010");
    grid.setCell(14, 1, "0123456789");
    grid.setCell(17, 1, "'0012");
    grid.setCell(18, 1, "");
    grid.setCell(19, 1, "1500.5");
    grid.setCell(20, 1, "1,234.50");
    grid.setCell(21, 1, "-15");
    grid.setCell(22, 1, "=1+2");
    grid.setCell(25, 1, QStringLiteral("บริษัท ทดสอบ จำกัด"));
    grid.setCell(12, 2, QString("a") + QChar(1) + "b");  // a control character XML cannot hold
    grid.setCell(13, 2, "_x0041_");                       // the format's own escape, as text
    grid.setCell(17, 10, "'0012");
    return grid;
}

TextGrid reportGrid()
{
    TextGrid grid;
    grid.setColCount(25);
    grid.setRowCount(4);
    for (int c = 0; c < 25; ++c)
        grid.setCell(c, 0, QString::fromUtf16(kReportHeaders[c]));
    fillPlain(grid);
    grid.setCell(0, 1, "1");
    grid.setCell(7, 1, "'1500012345");
    grid.setCell(13, 1, "'0105536000011");
    grid.setCell(15, 1, "1,234.50");
    grid.setCell(16, 1, "0.00");
    grid.setCell(18, 1, "15/05/2010");
    grid.setCell(24, 1, "'0012");
    grid.clearRow(2);  // a cheque's second line: cheque columns blank
    for (int c = 18; c < 25; ++c)
        grid.setCell(c, 2, QStringLiteral("r2c%1").arg(c));
    return grid;
}

// Points QDir::tempPath() at a private folder for the life of the object.
class PrivateTempRoot {
public:
    PrivateTempRoot() : m_wasSet(qEnvironmentVariableIsSet("TMPDIR")), m_saved(qgetenv("TMPDIR"))
    {
        qputenv("TMPDIR", QFile::encodeName(m_root.path()));
    }
    ~PrivateTempRoot()
    {
        if (m_wasSet)
            qputenv("TMPDIR", m_saved);
        else
            qunsetenv("TMPDIR");
    }
    QString path() const { return m_root.path(); }

private:
    QTemporaryDir m_root;
    bool m_wasSet;
    QByteArray m_saved;
};

// Reads the workbook with openpyxl; the script prints every difference it finds.
void expectWorkbook(const char* layout, const QString& path)
{
    QProcess py;
    py.setProcessChannelMode(QProcess::MergedChannels);
    py.start(QStringLiteral(CHEQUE_PYTHON), {QStringLiteral(CHEQUE_EXPORT_CHECKER), layout, path});
    ASSERT_TRUE(py.waitForFinished(120000)) << "the checker did not finish";
    const QString out = QString::fromUtf8(py.readAll());
    EXPECT_EQ(py.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(py.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.isEmpty()) << out.toStdString();
}

class GridExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Dates typed in the grids are day/month/year, as a Thai desktop reads them.
        QLocale::setDefault(QLocale(QLocale::Thai, QLocale::Thailand));
        ASSERT_TRUE(m_dir.isValid());
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    QTemporaryDir m_dir;
};

}

TEST_F(GridExportTest, ImportGridBecomesTheTitledFormattedSheet)
{
    const TextGrid grid = importGrid();
    RecordingOpener opener;
    const auto result = GridExport::runInFolder(grid, Variant::Import, opener, m_dir.path());
    EXPECT_TRUE(result.opened);
    ASSERT_EQ(opener.opened, QStringList{result.path});
    EXPECT_EQ(QFileInfo(result.path).fileName(), "Cheque.xlsx");
    expectWorkbook("import", result.path);
}

TEST_F(GridExportTest, ReportGridGetsThreeEmptyRowsInsideItsBox)
{
    const TextGrid grid = reportGrid();
    RecordingOpener opener;
    const auto result = GridExport::runInFolder(grid, Variant::Report, opener, m_dir.path());
    ASSERT_EQ(opener.opened, QStringList{result.path});
    expectWorkbook("report", result.path);
}

TEST_F(GridExportTest, ReportWindowsFreshGridIsExportedWithAllFormatting)
{
    const TextGrid fresh;  // 5 x 5 empty cells, before any show-data run
    RecordingOpener opener;
    const auto result = GridExport::runInFolder(fresh, Variant::Report, opener, m_dir.path());
    ASSERT_EQ(opener.opened.size(), 1);
    expectWorkbook("empty-report", result.path);
}

TEST_F(GridExportTest, ImportGridWithoutDataRowsStillGivesAWorkbook)
{
    // A header row alone: the data block's addresses turn round (A5:U4 is
    // A4:U5) as they would in the spreadsheet; the export must not fail.
    TextGrid grid;
    grid.setColCount(26);
    grid.setRowCount(1);
    grid.setCell(0, 0, "No. ");
    const SheetModel sheet = GridExport::layout(grid, Variant::Import);
    EXPECT_EQ(sheet.lastRow(), 5);
    EXPECT_NO_THROW(GridExport::write(grid, Variant::Import, m_dir.filePath("header-only.xlsx")));
}

TEST_F(GridExportTest, RunWritesIntoAFreshFolderThatOutlivesIt)
{
    PrivateTempRoot tmp;  // only this test's folders are counted
    const TextGrid grid = reportGrid();
    RecordingOpener refusing(false);
    const auto first = GridExport::run(grid, Variant::Report, refusing);
    const auto second = GridExport::run(grid, Variant::Report, refusing);

    EXPECT_FALSE(first.opened);
    EXPECT_EQ(refusing.opened, (QStringList{first.path, second.path}));
    const QFileInfo file(first.path);
    EXPECT_TRUE(file.isFile());
    EXPECT_GT(file.size(), 0);
    EXPECT_EQ(file.fileName(), "Cheque.xlsx");
    EXPECT_TRUE(file.dir().dirName().startsWith("cheque-export-"));
    EXPECT_EQ(QFileInfo(file.absolutePath()).absolutePath(), QFileInfo(tmp.path()).absoluteFilePath());
    // Nothing but the workbook is kept, and every export has a folder of its own.
    EXPECT_EQ(file.dir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"Cheque.xlsx"});
    EXPECT_NE(QFileInfo(second.path).absolutePath(), file.absolutePath());
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);

    const QString message = GridExport::notOpenedMessage(first.path);
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(first.path)));
}

TEST_F(GridExportTest, WriteFailureThrowsTheWritersMessageAndOpensNothing)
{
    // A folder inside a plain file cannot exist, whoever runs the test.
    QFile plain(m_dir.filePath("plain-file"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    RecordingOpener opener;
    try {
        GridExport::runInFolder(importGrid(), Variant::Import, opener, plain.fileName() + "/sub");
        FAIL() << "no error for an unwritable folder";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Error creating output xlsx file"), std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(opener.opened.isEmpty());
}

TEST_F(GridExportTest, CellTheWriterRefusesFailsTheRunAndLeavesNoFolder)
{
    PrivateTempRoot tmp;
    TextGrid grid = reportGrid();
    grid.setCell(20, 3, QString(40000, u'x'));  // beyond a cell's 32,767 characters
    RecordingOpener opener;
    try {
        GridExport::run(grid, Variant::Report, opener);
        FAIL() << "no error for an oversized cell";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("32,767 characters. (cell U4)"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST(DocumentOpener, InstalledOpenerIsCurrentUntilRemoved)
{
    DocumentOpener& desktop = DocumentOpener::current();
    RecordingOpener recording;
    {
        InstalledOpener installed(recording);
        EXPECT_EQ(&DocumentOpener::current(), &recording);
    }
    EXPECT_EQ(&DocumentOpener::current(), &desktop);
}
