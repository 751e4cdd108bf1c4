#include "TypedInput.h"

#include <gtest/gtest.h>

using TypedInput::Conventions;
using TypedInput::DateOrder;
using TypedInput::Kind;
using NumberFormat = XlsxWriter::NumberFormat;

namespace {

Conventions dayMonthYear()
{
    return Conventions{};  // ".", ",", "-", day/month/year, "/"
}

Conventions monthDayYear()
{
    Conventions cv;
    cv.dateOrder = DateOrder::MonthDayYear;
    return cv;
}

Conventions german()
{
    return Conventions::of(QLocale(QLocale::German, QLocale::Germany));
}

// 15 May 2010 as the spreadsheet counts days.
constexpr double kMay15th2010 = 40313;

}

TEST(TypedInput, NumbersBecomeNumbers)
{
    const struct {
        const char16_t* text;
        double value;
        NumberFormat format;
    } cases[] = {
        {u"1500.5", 1500.5, NumberFormat::General},
        {u"-15", -15, NumberFormat::General},
        {u"+7", 7, NumberFormat::General},
        {u"0", 0, NumberFormat::General},
        {u"-0", 0, NumberFormat::General},
        {u".5", 0.5, NumberFormat::General},
        {u"12.", 12, NumberFormat::General},
        {u"0123456789", 123456789, NumberFormat::General},
        {u" 42 ", 42, NumberFormat::General},
        {u"1,234.50", 1234.5, NumberFormat::GroupedDecimals},
        {u"-1,234,567.891", -1234567.891, NumberFormat::GroupedDecimals},
        {u"1,234", 1234, NumberFormat::Grouped},
        {u"999,999", 999999, NumberFormat::Grouped},
        // The spreadsheet keeps 15 significant digits of what is typed.
        {u"12345678901234567890", 12345678901234500000.0, NumberFormat::General},
        {u"0.001234567890123456789", 0.00123456789012345, NumberFormat::General},
    };
    for (const auto& c : cases) {
        const auto v = TypedInput::interpret(c.text, dayMonthYear());
        const std::string what = QString::fromUtf16(c.text).toStdString();
        ASSERT_EQ(v.kind, Kind::Number) << what;
        EXPECT_DOUBLE_EQ(v.number, c.value) << what;
        EXPECT_EQ(v.format, c.format) << what;
    }
}

TEST(TypedInput, DatesFollowTheLocalesFieldOrder)
{
    auto v = TypedInput::interpret(u"15/05/2010", dayMonthYear());
    ASSERT_EQ(v.kind, Kind::Date);
    EXPECT_EQ(v.number, kMay15th2010);
    EXPECT_EQ(v.format, NumberFormat::Date);

    EXPECT_EQ(TypedInput::interpret(u"15-5-2010", dayMonthYear()).number, kMay15th2010);
    EXPECT_EQ(TypedInput::interpret(u"15/05/10", dayMonthYear()).number, kMay15th2010);
    EXPECT_EQ(TypedInput::interpret(u"05/15/2010", monthDayYear()).number, kMay15th2010);
    // Year first with four digits is a date in any order of the locale.
    EXPECT_EQ(TypedInput::interpret(u"2010-05-15", monthDayYear()).number, kMay15th2010);
    EXPECT_EQ(TypedInput::interpret(u"2010/5/15", dayMonthYear()).number, kMay15th2010);
    // The locale's own separator counts as well.
    EXPECT_EQ(TypedInput::interpret(u"15.05.2010", german()).number, kMay15th2010);
    // Two-digit years: 00-29 this century, 30-99 the last.
    EXPECT_EQ(TypedInput::interpret(u"1/1/29", dayMonthYear()).number, 47119);
    EXPECT_EQ(TypedInput::interpret(u"1/1/30", dayMonthYear()).number, 10959);
    // The spreadsheet's day 1, and the first day after its phantom 29 February 1900.
    EXPECT_EQ(TypedInput::interpret(u"1/1/1900", dayMonthYear()).number, 1);
    EXPECT_EQ(TypedInput::interpret(u"28/2/1900", dayMonthYear()).number, 59);
    EXPECT_EQ(TypedInput::interpret(u"1/3/1900", dayMonthYear()).number, 61);
    // A Buddhist-era year is just a late year.
    EXPECT_EQ(TypedInput::interpret(u"15/05/2553", dayMonthYear()).kind, Kind::Date);
}

TEST(TypedInput, ApostropheKeepsTextAndIsNotShown)
{
    for (const char16_t* t : {u"'0012", u"'1500.5", u"'15/05/2010", u"'", u"''x"}) {
        const auto v = TypedInput::interpret(t, dayMonthYear());
        EXPECT_EQ(v.kind, Kind::Text);
        EXPECT_EQ(v.text, QStringView(t).mid(1));
    }
}

TEST(TypedInput, EverythingElseStaysTextAsItStands)
{
    const char16_t* texts[] = {
        u"เจ้าหนี้ผู้มีสิทธิรับเงิน (ตามหน้าเช็ค)",
        u"No. ",
        u"2010/512",    // a cheque key: no day field
        u"5-15/512",    // mixed separators
        u"15.05.2010",  // not a date separator in this locale, and not a number
        u"31/02/2010",  // no such day
        u"15/13/2010",  // no such month
        u"05/15/2010",  // month 15 in day/month/year order
        u"1/1/1899",    // before the spreadsheet's calendar
        u"1/1/123",
        u"15/05",       // no year
        u"1,23",        // groups of three only
        u"1,2345",
        u"1234,567",
        u",123",
        u"1.2.3",
        u"1e5",
        u"-",
        u"+",
        u".",
        u"12-",
        u"(15)",
        u"15%",
        u"=1+2",        // never a formula
        u"-A",
        u"   ",
        u" abc ",
    };
    for (const char16_t* t : texts) {
        const auto v = TypedInput::interpret(t, dayMonthYear());
        EXPECT_EQ(v.kind, Kind::Text) << QString::fromUtf16(t).toStdString();
        EXPECT_EQ(v.text, QStringView(t)) << QString::fromUtf16(t).toStdString();
    }
    EXPECT_EQ(TypedInput::interpret(u"", dayMonthYear()).kind, Kind::Empty);
}

TEST(TypedInput, UsesTheLocalesNumberSeparators)
{
    // In a comma-decimal locale the roles swap: "1500.5" is no number there.
    auto v = TypedInput::interpret(u"1.234,50", german());
    ASSERT_EQ(v.kind, Kind::Number);
    EXPECT_DOUBLE_EQ(v.number, 1234.5);
    EXPECT_EQ(v.format, NumberFormat::GroupedDecimals);
    EXPECT_DOUBLE_EQ(TypedInput::interpret(u"1500,5", german()).number, 1500.5);
    EXPECT_EQ(TypedInput::interpret(u"1500.5", german()).kind, Kind::Text);
}

TEST(TypedInput, ConventionsComeFromTheLocalesShortDate)
{
    const auto thai = Conventions::of(QLocale(QLocale::Thai, QLocale::Thailand));  // d/M/yy
    EXPECT_EQ(thai.dateOrder, DateOrder::DayMonthYear);
    EXPECT_EQ(thai.dateSeparator, u'/');
    EXPECT_EQ(thai.decimalPoint, ".");
    EXPECT_EQ(thai.groupSeparator, ",");

    EXPECT_EQ(Conventions::of(QLocale(QLocale::English, QLocale::UnitedStates)).dateOrder,
              DateOrder::MonthDayYear);
    const auto japan = Conventions::of(QLocale(QLocale::Japanese, QLocale::Japan));
    EXPECT_EQ(japan.dateOrder, DateOrder::YearMonthDay);
    EXPECT_EQ(TypedInput::interpret(u"2010/05/15", japan).number, kMay15th2010);
    EXPECT_EQ(TypedInput::interpret(u"10/05/15", japan).number, kMay15th2010);
    EXPECT_EQ(german().dateSeparator, u'.');
    EXPECT_EQ(german().dateOrder, DateOrder::DayMonthYear);
}
