#include "CellText.h"
#include "QStringPrint.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using CellText::DateKind;

namespace {

QString date(double serial, bool is1904 = false, DateKind kind = DateKind::Date)
{
    QString text = QStringLiteral("unchanged");
    if (!CellText::setDate(text, serial, is1904, kind))
        return QStringLiteral("(no date)");
    return text;
}

}

TEST(CellText, DatesOfThe1900SystemAsTheSpreadsheetShowsThem)
{
    EXPECT_EQ(date(40301), "03.05.2010");
    EXPECT_EQ(date(40313), "15.05.2010");
    // The system's own oddities before March 1900: day 0, serial 1 is 01.01.1900,
    // and the leap day 29.02.1900 that never was.
    EXPECT_EQ(date(0), "00.01.1900");
    EXPECT_EQ(date(1), "01.01.1900");
    EXPECT_EQ(date(59), "28.02.1900");
    EXPECT_EQ(date(60), "29.02.1900");
    EXPECT_EQ(date(61), "01.03.1900");
    // leap years and the last day there is
    EXPECT_EQ(date(36585), "29.02.2000");
    EXPECT_EQ(date(2958465), "31.12.9999");
}

TEST(CellText, DatesOfThe1904System)
{
    EXPECT_EQ(date(0, true), "01.01.1904");
    EXPECT_EQ(date(38839, true), "03.05.2010");
    EXPECT_EQ(date(2957003, true), "31.12.9999");
    EXPECT_EQ(date(2957004, true), "(no date)");
}

TEST(CellText, TimesOfDayRoundToTheSecondAndCarryIntoTheNextDay)
{
    EXPECT_EQ(date(40545.0, false, DateKind::DateTime), "02.01.2011");  // midnight: no time shown
    EXPECT_EQ(date(40545 + 13.75 / 24, false, DateKind::DateTime), "02.01.2011 13:45:00");
    EXPECT_EQ(date(0.5, false, DateKind::Time), "12:00:00");
    // 23:59:59.6 rounds to the next midnight
    EXPECT_EQ(date(40545 + 86399.6 / 86400, false, DateKind::DateTime), "03.01.2011");
    EXPECT_EQ(date(40545 + 86399.6 / 86400, false, DateKind::Date), "03.01.2011");
    // a duration in hours may pass a day
    EXPECT_EQ(date(58 + 0.5, false, DateKind::Elapsed), "1404:00:00");
    EXPECT_EQ(date(11.0 / 1440, false, DateKind::Elapsed), "0:11:00");
}

TEST(CellText, NumbersNoCalendarHoldsStayNumbersAtOnce)
{
    // A 10-digit number with a date format used to be counted a day at a
    // time into a year in the millions: it is no date, and it says so at once.
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(date(1234567890.0 + i), "(no date)");
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(date(-1), "(no date)");
    EXPECT_EQ(date(2958466), "(no date)");
    EXPECT_EQ(date(std::numeric_limits<double>::quiet_NaN()), "(no date)");
    EXPECT_EQ(date(std::numeric_limits<double>::infinity()), "(no date)");
}

TEST(CellText, WhatAFormatShows)
{
    EXPECT_EQ(CellText::formatDateKind(u"General"), DateKind::None);
    EXPECT_EQ(CellText::formatDateKind(u"#,##0.00"), DateKind::None);
    EXPECT_EQ(CellText::formatDateKind(u"0.00E+00"), DateKind::None);  // the exponent is no era
    EXPECT_EQ(CellText::formatDateKind(u"#,##0.00 \"บาท\""), DateKind::None);
    EXPECT_EQ(CellText::formatDateKind(u"0 \"days\""), DateKind::None);
    EXPECT_EQ(CellText::formatDateKind(u"[Red]#,##0;[Blue]-#,##0"), DateKind::None);
    EXPECT_EQ(CellText::formatDateKind(u"_-* #,##0.00_-;\\-* #,##0.00_-"), DateKind::None);

    EXPECT_EQ(CellText::formatDateKind(u"DD.MM.YYYY"), DateKind::Date);
    EXPECT_EQ(CellText::formatDateKind(u"[$-41E]d mmmm yyyy;@"), DateKind::Date);
    EXPECT_EQ(CellText::formatDateKind(u"mmm-yy"), DateKind::Date);
    EXPECT_EQ(CellText::formatDateKind(u"ว/ด/ปปปป"), DateKind::Date);  // Thai letters for d/m/y
    EXPECT_EQ(CellText::formatDateKind(u"d/m/bbbb"), DateKind::Date);  // Buddhist-era year
    EXPECT_EQ(CellText::formatDateKind(u"DD.MM.YYYY hh:mm"), DateKind::DateTime);
    EXPECT_EQ(CellText::formatDateKind(u"h:mm AM/PM"), DateKind::Time);
    EXPECT_EQ(CellText::formatDateKind(u"mm:ss"), DateKind::Time);  // minutes beside seconds
    EXPECT_EQ(CellText::formatDateKind(u"\\u\\n\\t\\i\\l\\ h:mm;@"), DateKind::Time);
    EXPECT_EQ(CellText::formatDateKind(u"[h]:mm:ss"), DateKind::Elapsed);

    EXPECT_EQ(CellText::builtInDateKind(14), DateKind::Date);
    EXPECT_EQ(CellText::builtInDateKind(22), DateKind::DateTime);
    EXPECT_EQ(CellText::builtInDateKind(20), DateKind::Time);
    EXPECT_EQ(CellText::builtInDateKind(0), DateKind::None);
    EXPECT_EQ(CellText::builtInDateKind(4), DateKind::None);
}

TEST(CellText, NumbersAndCellNames)
{
    QString text;
    CellText::setNumber(text, 512);
    EXPECT_EQ(text, "512");
    CellText::setNumber(text, -0.0);
    EXPECT_EQ(text, "0");
    CellText::setNumber(text, 1500.5);
    EXPECT_EQ(text, "1500.5");
    CellText::setNumber(text, 0.1 + 0.2);  // 15 significant digits hide the binary tail
    EXPECT_EQ(text, "0.3");
    CellText::setNumber(text, 3101234567890.0);
    EXPECT_EQ(text, "3101234567890");

    EXPECT_EQ(CellText::cellName(12, 11), "K12");
    EXPECT_EQ(CellText::cellName(1, 26), "Z1");
    EXPECT_EQ(CellText::cellName(8, 27), "AA8");
    EXPECT_EQ(CellText::cellName(65536, 256), "IV65536");
    // a damaged record's column past the widest sheet is still named, never thrown at
    EXPECT_EQ(CellText::cellName(7, 37121), "R7C37121");
}
