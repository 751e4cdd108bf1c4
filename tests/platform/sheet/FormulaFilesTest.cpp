// Workbooks written by programs that store no trustworthy formula result
// (python3-xlwt .xls, python3-openpyxl .xlsx, tests/fixtures/formulas): the
// reader calculates what it can, as LibreOffice does, and names the rest.
#include "QStringPrint.h"
#include "TestEnv.h"
#include "Workbook.h"
#include "WorkbookFile.h"

#include <QFile>
#include <QTextStream>
#include <gtest/gtest.h>

#include <memory>

namespace {

QString formulaFixture(const QString& name)
{
    return TestEnv::fixture(QStringLiteral("formulas/") + name);
}

// The message reading the cell gives, or "" when it reads.
QString cellError(const Workbook& book, int row, int col)
{
    try {
        book.cellText(row, col);
    } catch (const Workbook::Error& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

class FormulaFiles : public ::testing::TestWithParam<const char*> {
protected:
    std::unique_ptr<Workbook> open(const QString& stem)
    {
        return WorkbookFile::open(formulaFixture(stem + QLatin1String(GetParam())));
    }
};

TEST_P(FormulaFiles, FiveLinesReadWithTheirCalculatedTotalAndDate)
{
    const auto book = open(QStringLiteral("five_lines"));
    // Column E decides where the lines end: all five hold a value.
    for (int row = 6; row <= 10; ++row)
        EXPECT_FALSE(book->cellText(row, 5).isEmpty()) << row;
    EXPECT_TRUE(book->cellText(11, 5).isEmpty());
    EXPECT_EQ(book->cellText(6, 20), QStringLiteral("1070"));
    EXPECT_EQ(book->cellText(8, 5), QStringLiteral("03.05.2010"));
    // Cells around them read as stored.
    EXPECT_EQ(book->cellText(7, 20), QStringLiteral("1070.00"));
    EXPECT_EQ(book->cellText(6, 5), QStringLiteral("03.05.2010"));
    EXPECT_EQ(book->cellText(6, 11), QStringLiteral("10000501"));
}

TEST_P(FormulaFiles, EveryOperatorAndFunctionGivesWhatLibreOfficeCalculates)
{
    const auto book = open(QStringLiteral("cases"));
    QFile f(formulaFixture(QStringLiteral("cases_expected.tsv")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&f);
    int checked = 0;
    QStringList wrong;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(u'#') || line.isEmpty())
            continue;
        const QStringList parts = line.split(u'\t');
        ASSERT_GE(parts.size(), 3) << line.toStdString();
        const int row = parts[0].toInt();
        const QString& expected = parts[2];
        ++checked;
        if (expected.startsWith(u'#')) {
            // An error value fails the read, naming the cell and the error.
            const QString error = cellError(*book, row, 2);
            if (!error.contains(QStringLiteral("B") + QString::number(row)) || !error.contains(expected))
                wrong << parts[1] + QStringLiteral(": ") + error;
            continue;
        }
        QString got;
        try {
            got = book->cellText(row, 2);
        } catch (const Workbook::Error& e) {
            got = QString::fromUtf8(e.what());
        }
        if (got != expected)
            wrong << parts[1] + QStringLiteral(": ") + got + QStringLiteral(" != ") + expected;
    }
    EXPECT_EQ(checked, 79);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(u'\n').toStdString();
}

TEST_P(FormulaFiles, AFunctionOutsideTheListFailsNamingTheCell)
{
    const auto book = open(QStringLiteral("outside"));
    const QString error = cellError(*book, 6, 20);
    EXPECT_TRUE(error.contains(QStringLiteral("T6"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("MAX"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("บันทึกหนึ่งครั้ง"))) << error.toStdString();
    // The rest of the line reads.
    EXPECT_EQ(book->cellText(6, 11), QStringLiteral("10000501"));
}

TEST_P(FormulaFiles, ACircularReferenceFailsNamingItsCells)
{
    const auto book = open(QStringLiteral("circular"));
    for (int col : {20, 21}) {
        const QString error = cellError(*book, 6, col);
        EXPECT_TRUE(error.contains(QStringLiteral("T6")) && error.contains(QStringLiteral("U6"))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("circular"))) << error.toStdString();
    }
    EXPECT_EQ(book->cellText(6, 22), QStringLiteral("1060.00"));
}

INSTANTIATE_TEST_SUITE_P(Writers, FormulaFiles, ::testing::Values(".xls", ".xlsx"),
                         [](const auto& info) { return std::string(info.param + 1); });

// Files that Excel or LibreOffice saved keep the results they stored, even
// where the calculator would refuse the formula.
TEST(FormulaTrust, SavedByLibreOfficeKeepsItsStoredResults)
{
    const auto book = WorkbookFile::open(TestEnv::fixture(QStringLiteral("cheques_formulas.xls")));
    // E7 is DATE(2010;5;3): not a function the calculator knows.
    EXPECT_EQ(book->cellText(7, 5), QStringLiteral("03.05.2010"));
    EXPECT_EQ(book->cellText(6, 20), QStringLiteral("1500.5"));
}

TEST(FormulaTrust, AnOlderOpenOfficeFileKeepsItsResultsAnXlwtFileIsCalculated)
{
    // No RECALCID in either; OpenOffice wrote its COUNTRY and EXTSST records, xlwt did not.
    const auto office = WorkbookFile::open(TestEnv::fixture(QStringLiteral("corpus/test-data__spreadsheet__46368.xls")));
    EXPECT_EQ(office->cellText(2, 2), QStringLiteral("32770"));
    EXPECT_EQ(office->cellText(4, 2), QStringLiteral("32766"));
    const auto xlwt = WorkbookFile::open(TestEnv::fixture(QStringLiteral("corpus/tests__xls_formula_columns_beyond_z.xls")));
    EXPECT_EQ(xlwt->cellText(1, 1), QStringLiteral("6"));
    EXPECT_EQ(xlwt->cellText(2, 1), QStringLiteral("1"));
}

}
