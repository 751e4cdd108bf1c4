// TextGrid::setRow, which the report fills its rows with.
#include "TextGrid.h"

#include <gtest/gtest.h>
#include <stdexcept>

TEST(TextGridSetRow, ReplacesTheWholeRowAndLeavesOthersAlone)
{
    TextGrid g;
    g.setColCount(4);
    g.setRowCount(3);
    g.setCell(3, 1, QStringLiteral("old"));
    g.setCell(0, 2, QStringLiteral("below"));
    const QString cells[] = {QStringLiteral("ก"), QString(), QStringLiteral("'0100")};
    g.setRow(1, cells, 3);
    EXPECT_EQ(g.cell(0, 1), QStringLiteral("ก"));
    EXPECT_EQ(g.cell(1, 1), QString());
    EXPECT_EQ(g.cell(2, 1), QStringLiteral("'0100"));
    EXPECT_EQ(g.cell(3, 1), QString());  // past the given cells: emptied
    EXPECT_EQ(g.cell(0, 2), QStringLiteral("below"));
    // Cells stay separately writable afterwards.
    g.setCell(1, 1, QStringLiteral("mid"));
    EXPECT_EQ(g.cell(1, 1), QStringLiteral("mid"));
    EXPECT_EQ(g.cell(2, 1), QStringLiteral("'0100"));

    EXPECT_THROW(g.setRow(3, cells, 3), std::out_of_range);
    const QString five[5];
    EXPECT_THROW(g.setRow(1, five, 5), std::out_of_range);
}
