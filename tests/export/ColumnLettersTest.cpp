#include "CellRange.h"
#include "ColumnLetters.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(ColumnLetters, NamesAcrossEveryLetterCountBoundary)
{
    const std::pair<int, const char*> cases[] = {
        {1, "A"},    {26, "Z"},    {27, "AA"},   {52, "AZ"},   {53, "BA"},    {57, "BE"},
        {256, "IV"}, {702, "ZZ"},  {703, "AAA"}, {728, "AAZ"}, {16384, "XFD"},
    };
    for (const auto& [n, name] : cases) {
        EXPECT_EQ(ColumnLetters::name(n), QString::fromLatin1(name)) << n;
        EXPECT_EQ(ColumnLetters::number(QString::fromLatin1(name)), n) << name;
    }
}

TEST(ColumnLetters, EveryColumnRoundTripsAndNamesAreUnique)
{
    QString previous;
    for (int n = 1; n <= ColumnLetters::kMaxColumn; ++n) {
        const QString name = ColumnLetters::name(n);
        ASSERT_EQ(ColumnLetters::number(name), n) << name.toStdString();
        // Names sort by length first, then alphabetically, as columns do.
        ASSERT_TRUE(name.size() > previous.size() || (name.size() == previous.size() && name > previous));
        previous = name;
    }
}

TEST(ColumnLetters, RefusesWhatIsNoColumn)
{
    EXPECT_THROW(ColumnLetters::name(0), std::out_of_range);
    EXPECT_THROW(ColumnLetters::name(16385), std::out_of_range);
    EXPECT_EQ(ColumnLetters::number(u"XFE"), 0);
    EXPECT_EQ(ColumnLetters::number(u"AAAA"), 0);
    EXPECT_EQ(ColumnLetters::number(u""), 0);
    EXPECT_EQ(ColumnLetters::number(u"A1"), 0);
    EXPECT_EQ(ColumnLetters::number(u"u"), 21);
}

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
