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
