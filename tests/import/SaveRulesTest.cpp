#include "ChequeSave.h"
#include "ImportGridLayout.h"
#include "TextGrid.h"

#include <gtest/gtest.h>

TEST(SaveRules, AmountTextsTheDatabaseConverts)
{
    for (const char* ok : {"0", "1500", "1500.50", "-3", "+3", "0.1", ".5", "5.", " 12 ", "1234567890123.45"})
        EXPECT_TRUE(ChequeSave::isDecimalText(QString::fromUtf8(ok))) << ok;
    for (const char* bad : {"", " ", "1,500.50", "1 500", "1.2.3", "-", ".", "1e3", "12a", "฿100", "0x10",
                            "๑๒"})
        EXPECT_FALSE(ChequeSave::isDecimalText(QString::fromUtf8(bad))) << bad;
}

TEST(SaveRules, FirstBadAmountIsNamedByRowColumnAndText)
{
    TextGrid g;
    g.setRowCount(4);
    ImportGridLayout::applyHeaders(g);
    for (int r = 1; r < 4; ++r)
        for (int c : {19, 20, 21})
            g.setCell(c, r, "10.00");
    EXPECT_EQ(ChequeSave::badAmountMessage(g), "");
    g.setCell(21, 3, "");
    g.setCell(20, 2, "2,000");
    EXPECT_EQ(ChequeSave::badAmountMessage(g),
              QStringLiteral("จำนวนเงินไม่ถูกต้อง\nแถว 2 คอลัมน์ WHT Amount : 2,000"));
}

TEST(SaveRules, XmlEntitiesOfTheInvoiceListAreDecoded)
{
    const std::pair<const char*, const char*> cases[] = {
        {"A&amp;B;C&lt;1&gt;", "A&B;C<1>"},
        {"&quot;x&apos;", "\"x'"},
        {"a&#x0D;b&#13;c&#xE01;", "a\rb\rcก"},
        {"&amp;amp;", "&amp;"},
        {"R&D;x", "R&D;x"},          // not an entity: left alone
        {"tail &", "tail &"},
        {"&#0;&#xD800;&bogus;", "&#0;&#xD800;&bogus;"},
        {"ไม่มี", "ไม่มี"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ChequeSave::decodeXmlEntities(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}
