#include "AmountFormat.h"

#include <QRandomGenerator>
#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(AmountFormat, ShowsGroupedTwoDecimalAmountsInTheLocale)
{
    const AmountFormat us(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(us(1234.5).toStdString(), "1,234.50");
    EXPECT_EQ(us(0).toStdString(), "0.00");
    EXPECT_EQ(us(-0.0).toStdString(), "0.00");
    EXPECT_EQ(us(-1234567.891).toStdString(), "-1,234,567.89");
    EXPECT_EQ(AmountFormat(QLocale(QLocale::Thai, QLocale::Thailand))(1234.5).toStdString(), "1,234.50");
    EXPECT_EQ(AmountFormat(QLocale(QLocale::German, QLocale::Germany))(1234.5).toStdString(), "1.234,50");
}

// The short path must give QLocale's own text, whatever the locale's digits,
// separators and grouping, for ordinary amounts and for halfway cents.
TEST(AmountFormat, AgreesWithQLocaleEverywhere)
{
    QRandomGenerator rng(20260301);
    std::vector<double> values{0.125, 0.625, -2.675, 1.005, 0.005, -0.001, 999999.995, 1e14 + 0.5, 1e15, 1e300};
    for (int i = 0; i < 20000; ++i) {
        const double magnitude = std::pow(10.0, rng.bounded(13));
        values.push_back((rng.generateDouble() - 0.3) * magnitude);
        values.push_back(static_cast<double>(rng.bounded(100000000)) / 1000.0);  // thirds of a cent
        // Next to a half cent, on both sides: where a shortcut through v * 100 would round wrong.
        const double half = (static_cast<double>(rng.bounded(1000000000)) + 0.5) / 100.0 * std::pow(10.0, rng.bounded(5));
        values.push_back(std::nextafter(half, 0.0));
        values.push_back(std::nextafter(half, 1e300));
        values.push_back(-half);
    }
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Thai, QLocale::Thailand),
          QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French, QLocale::France),
          QLocale(QLocale::Hindi, QLocale::India), QLocale(QLocale::Arabic, QLocale::Egypt), QLocale::c(),
          QLocale::system()}) {
        const AmountFormat format(locale);
        int wrong = 0;
        for (double v : values)
            if (format(v) != locale.toString(v, 'f', 2) && ++wrong < 5)
                ADD_FAILURE() << locale.name().toStdString() << ": " << v << " gives "
                              << format(v).toStdString() << ", QLocale "
                              << locale.toString(v, 'f', 2).toStdString();
    }
}

}
