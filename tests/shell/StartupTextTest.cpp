#include "ServerDate.h"
#include "StartupQueries.h"
#include "Trim.h"

#include <gtest/gtest.h>

TEST(ServerDate, YearMovesIntoBuddhistEra)
{
    EXPECT_EQ(ServerDate::buddhistText(QDate(2026, 12, 7)), "07/12/2569");
    EXPECT_EQ(ServerDate::buddhistText(QDate(2026, 12, 31)), "31/12/2569");
    EXPECT_EQ(ServerDate::buddhistText(QDate(2027, 1, 1)), "01/01/2570");
}

TEST(ServerDate, RegionalSeparatorIsKept)
{
    EXPECT_EQ(ServerDate::buddhistText(QDate(2026, 3, 5), u'.'), "05.03.2569");
    EXPECT_EQ(ServerDate::buddhistText(QDate(2026, 3, 5), u'-'), "05-03-2569");
    const QChar sep = ServerDate::regionalSeparator();
    EXPECT_FALSE(sep.isLetterOrNumber());
    EXPECT_FALSE(sep.isSpace());
}

TEST(Trim, RemovesBlanksAndControlCharactersAtBothEndsOnly)
{
    EXPECT_EQ(Trim::trimmed(QStringLiteral(" \t2.0\r\n")), "2.0");
    EXPECT_EQ(Trim::trimmed(QString(QChar(1)) + "a b" + QChar(31)), "a b");
    EXPECT_EQ(Trim::trimmed(QStringLiteral("   ")), "");
    // A no-break space (160) is a character, not a blank.
    EXPECT_EQ(Trim::trimmed(QString(QChar(160)) + "x"), QString(QChar(160)) + "x");
}

TEST(Version, OnlyTwoPointZeroAfterTrimmingIsAccepted)
{
    EXPECT_TRUE(StartupQueries::versionAccepted("2.0"));
    EXPECT_TRUE(StartupQueries::versionAccepted(" 2.0 "));
    EXPECT_TRUE(StartupQueries::versionAccepted("2.0\r\n"));
    EXPECT_FALSE(StartupQueries::versionAccepted("2.00"));
    EXPECT_FALSE(StartupQueries::versionAccepted("2"));
    EXPECT_FALSE(StartupQueries::versionAccepted(""));
    EXPECT_FALSE(StartupQueries::versionAccepted("2 .0"));
}
