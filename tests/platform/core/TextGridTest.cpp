// The text grid every window fills: cells must survive shape changes and
// whole-row writes exactly, or grids show and save the wrong text.
#include "TextGrid.h"

#include <gtest/gtest.h>
#include <array>
#include <stdexcept>

namespace {

void fill(TextGrid& g)
{
    for (int r = 0; r < g.rowCount(); ++r)
        for (int c = 0; c < g.colCount(); ++c)
            g.setCell(c, r, QStringLiteral("%1,%2").arg(c).arg(r));
}

}

TEST(TextGrid, StartsAsTheGridControlsDefaultShape)
{
    TextGrid g;
    EXPECT_EQ(g.colCount(), 5);
    EXPECT_EQ(g.rowCount(), 5);
    EXPECT_EQ(g.fixedRows(), 1);
    EXPECT_EQ(g.fixedCols(), 1);
    EXPECT_EQ(g.colWidth(4), TextGrid::kDefaultColumnWidth);
    EXPECT_EQ(g.cell(4, 4), QString());
}

TEST(TextGrid, CellsSurviveShapeChangesWhereTheyStayInside)
{
    TextGrid g;
    fill(g);
    g.setColCount(3);
    g.setColCount(6);
    EXPECT_EQ(g.cell(2, 3), QStringLiteral("2,3"));
    EXPECT_EQ(g.cell(3, 3), QString());  // cut off, then added back empty
    EXPECT_EQ(g.cell(5, 4), QString());
    g.setRowCount(2);
    g.setRowCount(4);
    EXPECT_EQ(g.cell(1, 1), QStringLiteral("1,1"));
    EXPECT_EQ(g.cell(1, 3), QString());  // rows past a shrink come back empty
    // Outside the grid reads as empty, writes are refused.
    EXPECT_EQ(g.cell(6, 0), QString());
    EXPECT_THROW(g.setCell(6, 0, QStringLiteral("x")), std::out_of_range);
    EXPECT_THROW(g.setCell(0, 4, QStringLiteral("x")), std::out_of_range);
}

TEST(TextGrid, RewritingACellInTheMiddleKeepsItsNeighbours)
{
    TextGrid g;
    fill(g);
    g.setCell(2, 1, QStringLiteral("ภาษาไทยที่ยาวกว่าเดิม"));
    g.setCell(1, 1, QString());
    EXPECT_EQ(g.cell(0, 1), QStringLiteral("0,1"));
    EXPECT_EQ(g.cell(1, 1), QString());
    EXPECT_EQ(g.cell(2, 1), QStringLiteral("ภาษาไทยที่ยาวกว่าเดิม"));
    EXPECT_EQ(g.cell(3, 1), QStringLiteral("3,1"));
    g.clearRow(1);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(g.cell(c, 1), QString());
    EXPECT_EQ(g.cell(3, 2), QStringLiteral("3,2"));
}

TEST(TextGrid, ARowReadThenWrittenReadsItsNewText)
{
    // Reading a row keeps it parsed for the next cell; a write must not leave
    // the old parse in use.
    TextGrid g;
    fill(g);
    EXPECT_EQ(g.cell(2, 1), QStringLiteral("2,1"));
    g.setCell(2, 1, QStringLiteral("ใหม่"));
    EXPECT_EQ(g.cell(2, 1), QStringLiteral("ใหม่"));
    EXPECT_EQ(g.cell(3, 1), QStringLiteral("3,1"));
    g.clearRow(1);
    EXPECT_EQ(g.cell(3, 1), QString());
    g.setRowCount(1);
    g.setRowCount(3);
    EXPECT_EQ(g.cell(2, 1), QString());
    EXPECT_EQ(g.cell(2, 0), QStringLiteral("2,0"));
}

TEST(TextGrid, WholeRowWritesSplitTheTextAtTheGivenEnds)
{
    TextGrid g;
    fill(g);
    const QString line = QStringLiteral("1กข'0100");
    const std::array<uint32_t, 5> ends{1, 1, 3, 8, 8};
    g.setRowText(2, line, ends.data());
    EXPECT_EQ(g.cell(0, 2), QStringLiteral("1"));
    EXPECT_EQ(g.cell(1, 2), QString());
    EXPECT_EQ(g.cell(2, 2), QStringLiteral("กข"));
    EXPECT_EQ(g.cell(3, 2), QStringLiteral("'0100"));
    EXPECT_EQ(g.cell(4, 2), QString());
    EXPECT_EQ(g.cell(0, 1), QStringLiteral("0,1"));
    g.setCell(1, 2, QStringLiteral("mid"));
    EXPECT_EQ(g.cell(2, 2), QStringLiteral("กข"));

    const std::array<uint32_t, 5> pastTheEnd{1, 1, 3, 8, 9};
    EXPECT_THROW(g.setRowText(2, line, pastTheEnd.data()), std::out_of_range);
    const std::array<uint32_t, 5> backwards{1, 0, 3, 8, 8};
    EXPECT_THROW(g.setRowText(2, line, backwards.data()), std::out_of_range);
    EXPECT_THROW(g.setRowText(5, line, ends.data()), std::out_of_range);
    EXPECT_EQ(g.cell(3, 2), QStringLiteral("'0100"));  // a refused write changes nothing
}

TEST(TextGrid, AFixedRowNeedsARowBelowIt)
{
    TextGrid g;
    g.setRowCount(1);
    EXPECT_THROW(g.setFixedRows(1), std::out_of_range);
    g.setRowCount(2);
    g.setFixedRows(1);
    EXPECT_EQ(g.fixedRows(), 1);
}

TEST(TextGrid, RowsOfAnyTextReadBackExactlyWhetherKeptNarrowOrWide)
{
    TextGrid g;
    g.setColCount(4);
    g.setRowCount(3);
    // Thai and ASCII only; then a no-break space, a Latin letter and a
    // character outside the BMP, which the narrow form cannot hold.
    const QString thai = QStringLiteral("บริษัท ศรีสุข จำกัด ๑๒๓");
    const QString other = QStringLiteral("\u00a0é\U0001F600ก");
    TextGrid::RowBuilder b;
    for (int r = 0; r < 3; ++r) {
        b.clear();
        b.appendUtf8(thai.toUtf8().constData(), thai.toUtf8().size());
        b.endCell();
        b.append(QStringLiteral("'0100"));
        b.endCell();
        if (r > 0) {
            // Widening in the middle of a row keeps what came before it.
            const QByteArray u = other.toUtf8();
            r == 1 ? b.appendUtf8(u.constData(), u.size()) : b.append(other);
        }
        b.endCell();
        b.appendAscii("1,234.50", 8);
        b.endCell();
        g.setRow(r, b);
    }
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(g.cell(0, r), thai);
        EXPECT_EQ(g.cell(1, r), QStringLiteral("'0100"));
        EXPECT_EQ(g.cell(2, r), r ? other : QString());
        EXPECT_EQ(g.cell(3, r), QStringLiteral("1,234.50"));
    }
    // Bytes that are not Thai letters in UTF-8 (a lone continuation, a cut
    // sequence) read as QString::fromUtf8 reads them.
    const char bad[] = "a\xE0\xB8" "b\x80";
    b.clear();
    b.appendUtf8(bad, sizeof bad - 1);
    b.endCell();
    g.setRow(0, b);
    EXPECT_EQ(g.cell(0, 0), QString::fromUtf8(bad, sizeof bad - 1));
    EXPECT_EQ(g.cell(1, 0), QString());

    b.clear();
    b.append(QStringLiteral("x"));
    b.endCell();
    for (int c = 0; c < 4; ++c)
        b.endCell();
    EXPECT_THROW(g.setRow(0, b), std::out_of_range);  // five cells, four columns
}

TEST(TextGrid, CellsCutToTheirFirstUnits)
{
    TextGrid::RowBuilder b;
    b.append(QStringLiteral("abc"));
    b.endCell();
    b.append(QStringLiteral("กขคงจ"));
    b.truncateCell(3);
    EXPECT_EQ(b.cellSize(), 3);
    b.endCell();
    b.append(QStringLiteral("12"));
    b.truncateCell(40);
    b.endCell();
    TextGrid g;
    g.setRow(1, b);
    EXPECT_EQ(g.cell(0, 1), QStringLiteral("abc"));
    EXPECT_EQ(g.cell(1, 1), QStringLiteral("กขค"));
    EXPECT_EQ(g.cell(2, 1), QStringLiteral("12"));
}

TEST(TextGrid, RefillingOrShrinkingGivesTheMemoryBackAndKeepsTheRest)
{
    TextGrid g;
    g.setColCount(25);
    const int rows = 100000;
    g.setRowCount(rows + 1);
    TextGrid::RowBuilder b;
    for (int r = 1; r <= rows; ++r) {
        b.clear();
        for (int c = 0; c < 25; ++c) {
            b.append(QStringLiteral("ค่าบริการ %1").arg(r));
            b.endCell();
        }
        g.setRow(r, b);
    }
    const size_t full = g.memoryBytes();
    EXPECT_GT(full, size_t(rows) * 25 * 10);
    // About one byte per character: the Thai text is not held as UTF-16.
    EXPECT_LT(full, size_t(rows) * 25 * 20);
    EXPECT_EQ(g.cell(24, rows), QStringLiteral("ค่าบริการ %1").arg(rows));

    // Writing rows again and again leaves garbage that is compacted away.
    for (int pass = 0; pass < 2; ++pass)
        for (int r = 1; r <= rows; ++r)
            g.setCell(3, r, QStringLiteral("pass %1").arg(pass));
    EXPECT_LT(g.memoryBytes(), full * 2);
    EXPECT_EQ(g.cell(3, 7), QStringLiteral("pass 1"));
    EXPECT_EQ(g.cell(4, 7), QStringLiteral("ค่าบริการ 7"));

    g.setRowCount(2);
    EXPECT_LT(g.memoryBytes(), size_t(8) << 20);
    EXPECT_EQ(g.cell(0, 1), QStringLiteral("ค่าบริการ 1"));
    // Rows that come back after a shrink are empty, in the first part of the
    // row table as in the parts given back.
    g.setRowCount(rows + 1);
    EXPECT_EQ(g.cell(0, 2), QString());
    EXPECT_EQ(g.cell(24, rows), QString());
}
