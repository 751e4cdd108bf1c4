#include "AmountFormat.h"
#include "ChequeSheetReader.h"
#include "ColumnLimits.h"
#include "ImportGridLayout.h"
#include "QStringPrint.h"
#include "SheetSummary.h"
#include "TestEnv.h"
#include "TextGrid.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using Reason = SheetSummary::Reason;
using Amounts = SheetSummary::Amounts;

QString own(const QString& name)
{
    return QDir(TestEnv::sourceDir()).filePath(QStringLiteral("tests/import/") + name);
}

SheetSummary readSummary(const QString& name, TextGrid* gridOut = nullptr)
{
    TextGrid grid;
    SheetSummary s;
    readChequeSheet(own(name), grid, &s);
    if (gridOut)
        *gridOut = grid;
    return s;
}

TEST(SheetSummary, ParsesAmountsExactlyInSatang)
{
    const struct {
        const char* text;
        qint64 satang;
    } good[] = {
        {"1070.00", 107000}, {"1070", 107000},   {"0.1", 10},     {" 500.5 ", 50050}, {"-0.01", -1},
        {"+3", 300},         {".5", 50},         {"5.", 500},     {"0.005", 1},       {"-0.005", -1},
        {"0.0049", 0},       {"000000000000000000001.25", 125},
        {"9999999999999999.99", 999999999999999999LL},
    };
    for (const auto& g : good)
        EXPECT_EQ(SheetSummary::parseSatang(QString::fromLatin1(g.text)), std::optional<qint64>(g.satang)) << g.text;
    // Forms a decimal(18,2) column refuses, or that are no plain number.
    for (const char* bad : {"", " ", "-", ".", "1,070.00", "1e3", "12a", "1.2.3", "๑๒", "--1",
                            "10000000000000000.00"})
        EXPECT_FALSE(SheetSummary::parseSatang(QString::fromUtf8(bad)).has_value()) << bad;

    // Sums that floating point would miss by a hair add up exactly.
    qint64 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += *SheetSummary::parseSatang(u"0.10");
    EXPECT_EQ(sum, *SheetSummary::parseSatang(u"1.00"));

    EXPECT_EQ(SheetSummary::decimalText(-1), "-0.01");
    EXPECT_EQ(SheetSummary::decimalText(123456), "1234.56");
    EXPECT_EQ(SheetSummary::columnLetter(20), "T");
    EXPECT_EQ(SheetSummary::columnLetter(28), "AB");
}

TEST(SheetSummary, CountsLinesChequesPassedOverRowsAndReconcilesWithTheTotalsRow)
{
    TextGrid grid;
    const SheetSummary s = readSummary("summary_reconciles.xls", &grid);
    EXPECT_EQ(s.linesTaken, 3);
    EXPECT_EQ(grid.rowCount(), 4);
    EXPECT_EQ(s.cheques, 2);
    EXPECT_EQ(s.taken, (Amounts{357050, 3505, 353545}));

    ASSERT_EQ(s.passedOver.size(), 3u);
    EXPECT_EQ(s.passedOver[0].sheetRow, 9);
    EXPECT_EQ(s.passedOver[0].reason, Reason::NoCheckNo);
    EXPECT_EQ(s.passedOver[0].amounts, (Amounts{30000, 300, 29700}));
    EXPECT_EQ(s.passedOver[1].sheetRow, 10);
    EXPECT_EQ(s.passedOver[1].reason, Reason::NoProfitCentre);
    EXPECT_EQ(s.passedOver[2].sheetRow, 11);
    EXPECT_EQ(s.passedOver[2].reason, Reason::NoCheckNoNorProfitCentre);
    EXPECT_EQ(s.passed, (Amounts{40001, 400, 39601}));

    EXPECT_EQ(s.totalsRow, 12);
    EXPECT_EQ(s.totals, (Amounts{397051, 3905, 393146}));
    EXPECT_EQ(s.reconciled(), SheetSummary::Reconciled::Yes);
    EXPECT_TRUE(s.difference().isZero());
    EXPECT_EQ(s.reconciledWord(), "yes");
    EXPECT_FALSE(s.refusesSave());
}

TEST(SheetSummary, ATotalsRowOneBelowTheEndAndOneSatangOffIsNotReconciled)
{
    const SheetSummary s = readSummary("summary_off_by_satang.xls");
    EXPECT_EQ(s.totalsRow, 13);
    EXPECT_EQ(s.reconciled(), SheetSummary::Reconciled::No);
    EXPECT_EQ(s.difference(), (Amounts{0, 1, 0}));
    EXPECT_EQ(s.reconciledWord(), "no");

    const SheetSummary none = readSummary("summary_no_totals.xls");
    EXPECT_EQ(none.totalsRow, 0);
    EXPECT_EQ(none.reconciled(), SheetSummary::Reconciled::NoTotalsRow);
    EXPECT_TRUE(none.passedOver.empty());
    EXPECT_EQ(none.reconciledWord(), "none");

    // A payment line below the end (it has a check number) is no totals row.
    TextGrid grid;
    SheetSummary below;
    readChequeSheet(TestEnv::fixture(QStringLiteral("cheques_no_lines.xls")), grid, &below);
    EXPECT_EQ(below.linesTaken, 0);
    EXPECT_EQ(below.totalsRow, 0);
}

TEST(SheetSummary, NamesEveryCellTheSaveWouldRefuse)
{
    const SheetSummary s = readSummary("summary_refused.xls");
    EXPECT_TRUE(s.refusesSave());
    ASSERT_EQ(s.badAmounts.size(), 1u);
    EXPECT_EQ(s.badAmounts[0].sheetRow, 7);
    EXPECT_EQ(s.badAmounts[0].sheetColumn, 20);
    EXPECT_EQ(s.badAmounts[0].text, "1,070.00");
    // The check number and the cheque key made from it are both too long.
    ASSERT_EQ(s.tooLong.size(), 2u);
    for (const auto& t : s.tooLong)
        EXPECT_EQ(t.sheetRow, 8);
    EXPECT_EQ(s.tooLong[0].gridColumn, ImportGridLayout::ChequePk);
    EXPECT_EQ(s.tooLong[0].length, 4 + 1 + 446);
    EXPECT_EQ(s.tooLong[1].gridColumn, ImportGridLayout::CheckNo);
    EXPECT_EQ(s.tooLong[1].length, 446);
    EXPECT_EQ(s.tooLong[1].limit, ColumnLimits::kKeyLength);
    // A bad amount counts as 0 in the sums and is still a line taken.
    EXPECT_EQ(s.linesTaken, 3);
    EXPECT_EQ(s.taken.total, 107000 + 100);

    // Long cells within the limits are no refusal.
    EXPECT_FALSE(readSummary("summary_long_cells.xls").refusesSave());
}

TEST(SheetSummary, NamesTheFileBySizeAndTheHashOfTheBytesRead)
{
    const QString path = own("summary_reconciles.xls");
    const SheetSummary s = readSummary("summary_reconciles.xls");
    EXPECT_EQ(s.fileName, "summary_reconciles.xls");
    EXPECT_EQ(s.fileSize, QFile(path).size());
    // Another program's hash of the same file.
    QProcess sum;
    sum.start(QStringLiteral("sha256sum"), {path});
    ASSERT_TRUE(sum.waitForFinished());
    EXPECT_EQ(s.sha256, QString::fromLatin1(sum.readAllStandardOutput()).section(u' ', 0, 0));

    // A refused read leaves the caller's summary and grid as they were.
    TextGrid grid;
    SheetSummary kept = s;
    EXPECT_THROW(readChequeSheet(TestEnv::fixture(QStringLiteral("damaged_truncated.xls")), grid, &kept),
                 SheetReadError);
    EXPECT_EQ(kept.sha256, s.sha256);
    EXPECT_EQ(kept.linesTaken, 3);
}

TEST(SheetSummary, FromAGridAloneCountsItsLinesAndSums)
{
    TextGrid grid;
    readChequeSheet(own("summary_reconciles.xls"), grid);
    const SheetSummary s = SheetSummary::fromGrid(grid);
    EXPECT_EQ(s.linesTaken, 3);
    EXPECT_EQ(s.cheques, 2);
    EXPECT_EQ(s.taken, (Amounts{357050, 3505, 353545}));
    EXPECT_TRUE(s.sha256.isEmpty());
    EXPECT_EQ(s.reconciled(), SheetSummary::Reconciled::NoTotalsRow);
}

}
