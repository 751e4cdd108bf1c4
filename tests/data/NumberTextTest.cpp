#include "Query.h"

#include <gtest/gtest.h>

TEST(NumberTextTest, AmountsReadLikeTheyWereTyped)
{
    EXPECT_EQ(Query::numberText(1500.5), "1500.5");
    EXPECT_EQ(Query::numberText(1500.50), "1500.5");
    EXPECT_EQ(Query::numberText(0), "0");
    EXPECT_EQ(Query::numberText(-0.0), "0");
    EXPECT_EQ(Query::numberText(-15.25), "-15.25");
    EXPECT_EQ(Query::numberText(1470), "1470");
    EXPECT_EQ(Query::numberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(Query::numberText(123456789012.34), "123456789012.34");
    EXPECT_EQ(Query::numberText(0.05), "0.05");
    EXPECT_EQ(Query::numberText(100000000000000.0), "100000000000000");
    EXPECT_EQ(Query::numberText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(Query::numberText(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(Query::numberText(1e20), "1E+20");
}
