#include "CellRange.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(CellRange, ReadsAddressesAsTheSpreadsheetDoes)
{
    EXPECT_EQ(CellRange::parse(u"A5:U14"), (CellRange{5, 1, 14, 21}));
    EXPECT_EQ(CellRange::parse(u"B3"), (CellRange{3, 2, 3, 2}));
    // Corners in either order give the same rectangle.
    EXPECT_EQ(CellRange::parse(u"A5:U4"), (CellRange{4, 1, 5, 21}));
    EXPECT_EQ(CellRange::parse(u"U4:A5"), (CellRange{4, 1, 5, 21}));
    EXPECT_EQ(CellRange::parse(u"A:A"), (CellRange{1, 1, CellRange::kMaxRow, 1}));
    const CellRange row = CellRange::parse(u"4:4");
    EXPECT_EQ(row, CellRange::rows(4, 4));
    EXPECT_TRUE(row.wholeRows());
    EXPECT_FALSE(CellRange::parse(u"A4:XFC4").wholeRows());

    for (const char16_t* bad : {u"", u"A", u"4", u"A0", u"1A", u"A1:", u":B2", u"A1:B", u"A1-B2",
                                u"XFE1", u"A1048577"})
        EXPECT_THROW(CellRange::parse(bad), std::invalid_argument)
            << QString::fromUtf16(bad).toStdString();
}
