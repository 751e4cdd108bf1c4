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
