#include "ResultSet.h"

#include <gtest/gtest.h>

TEST(ResultSetTest, KeepsEveryKindOfCellAcrossBlocks)
{
    ResultSet rs({"Id", "Name", "Amount", "Note"});
    const int rows = 120000;  // several 1 MiB blocks
    const QString big(600000, u'ก');  // one cell larger than a block
    for (int r = 0; r < rows; ++r) {
        rs.beginRow();
        rs.addInteger(r);
        rs.addText(QStringLiteral("ผู้ขาย %1").arg(r));
        rs.addReal(r + 0.25);
        if (r == 70000)
            rs.addText(big);
        else if (r % 3 == 0)
            rs.addNull();
        else
            rs.addText(QString());
    }
    ASSERT_EQ(rs.rowCount(), size_t(rows));
    EXPECT_EQ(rs.columnIndex("AMOUNT"), 2);
    EXPECT_EQ(rs.columnIndex("nothing"), -1);
    for (int r : {0, 1, 2, 69999, 70000, 70001, rows - 1}) {
        EXPECT_EQ(rs.integer(r, 0), r);
        EXPECT_EQ(rs.text(r, 1), QStringLiteral("ผู้ขาย %1").arg(r));
        EXPECT_EQ(rs.real(r, 2), r + 0.25);
        if (r == 70000)
            EXPECT_EQ(rs.text(r, 3), big);
        else
            EXPECT_EQ(rs.kind(r, 3), r % 3 == 0 ? ResultSet::Kind::Null : ResultSet::Kind::Text);
    }
}

TEST(ResultSetTest, StaysCompactPerCell)
{
    // A report row: 29 columns, mostly short texts and a few amounts.
    std::vector<QString> cols;
    for (int c = 0; c < 29; ++c)
        cols.push_back(QStringLiteral("C%1").arg(c));
    ResultSet rs(cols);
    const int rows = 50000;
    for (int r = 0; r < rows; ++r) {
        rs.beginRow();
        for (int c = 0; c < 29; ++c) {
            if (c % 7 == 6)
                rs.addReal(1500.5);
            else
                rs.addText(QByteArray("2026/00012345").constData(), 12);
        }
    }
    // 12 bytes of text need at most 2 bytes of overhead and a 4-byte offset.
    const double perCell = double(rs.memoryBytes()) / (rows * 29.0);
    EXPECT_LT(perCell, 19.0);
    // So a million such rows stay far below 1 GB.
    EXPECT_LT(perCell * 29 * 1e6, 600e6);
}
