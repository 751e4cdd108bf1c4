// The formula calculator on its own: the four spellings into one code, the
// order of calculation over cells, the bounds that keep a hostile formula
// from running away, and the spreadsheet's rounding and TEXT formats.
#include "FormulaEval.h"
#include "QStringPrint.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <map>

namespace {

using Formula::Value;

// A sheet of plain cells given by the test.
class MapCells : public Formula::Cells {
public:
    std::map<std::pair<int, int>, Value> cells;
    void set(int row, int col, Value v)
    {
        cells[{row, col}] = std::move(v);
        rowCount = std::max(rowCount, row);
        colCount = std::max(colCount, col);
    }
    Value value(int row, int col) const override
    {
        const auto it = cells.find({row, col});
        return it == cells.end() ? Value() : it->second;
    }
};

// Formulas by cell, each in the given spelling.
struct Sheet {
    MapCells cells;
    Formula::Batch batch;
    void formula(int row, int col, const QString& text, Formula::Syntax syntax = Formula::Syntax::A1)
    {
        const size_t begin = batch.code().items.size();
        QString why;
        if (Formula::parse(text, syntax, row, col, batch.code(), why))
            batch.add(row, col, begin, batch.code().items.size());
        else
            batch.addRefused(row, col, why);
    }
    void run() { batch.run(cells); }
    // The value of a formula cell as text: numbers as the reader shows them,
    // errors by name, failures as "!" and why.
    QString at(int row, int col) const
    {
        for (size_t i = 0; i < batch.size(); ++i) {
            if (batch.row(i) != row || batch.col(i) != col)
                continue;
            const Value& v = batch.result(i);
            switch (v.type) {
            case Value::Type::Number: return Formula::numberText(v.number);
            case Value::Type::Bool: return v.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            case Value::Type::Error: return Formula::errorName(v.code);
            case Value::Type::Fail: return QStringLiteral("!") + v.text;
            default: return v.text;
            }
        }
        return QStringLiteral("(none)");
    }
};

QString one(const QString& text, Formula::Syntax syntax = Formula::Syntax::A1)
{
    Sheet s;
    s.cells.set(6, 20, Value::num(1000));
    s.cells.set(6, 21, Value::num(70));
    s.cells.set(1, 1, Value::num(1));
    s.cells.set(3, 2, Value::num(2));
    s.formula(6, 22, text, syntax);
    s.run();
    return s.at(6, 22);
}

TEST(FormulaSyntax, TheFourSpellingsOfOneFormulaAgree)
{
    EXPECT_EQ(one(QStringLiteral("T6+U6")), QStringLiteral("1070"));
    EXPECT_EQ(one(QStringLiteral("=$T$6+u6")), QStringLiteral("1070"));
    EXPECT_EQ(one(QStringLiteral("RC[-2]+RC[-1]"), Formula::Syntax::R1C1), QStringLiteral("1070"));
    EXPECT_EQ(one(QStringLiteral("R6C20+R[0]C21"), Formula::Syntax::R1C1), QStringLiteral("1070"));
    EXPECT_EQ(one(QStringLiteral("of:=[.T6]+[.U6]"), Formula::Syntax::OpenFormula), QStringLiteral("1070"));
    EXPECT_EQ(one(QStringLiteral("SUM([.A1:.B3];1)"), Formula::Syntax::OpenFormula), QStringLiteral("4"));
    EXPECT_EQ(one(QStringLiteral("SUM(R1C1:R3C2,1)"), Formula::Syntax::R1C1), QStringLiteral("4"));
    EXPECT_EQ(one(QStringLiteral("SUM(B3:A1,1)")), QStringLiteral("4"));

    // .xls tokens: 1000 70 + (tInt, tInt, tAdd), and SUM over T6:U6 (tArea, tFuncVar).
    const uint8_t add[] = {0x1E, 0xE8, 0x03, 0x1E, 0x46, 0x00, 0x03};
    const uint8_t sum[] = {0x25, 0x05, 0x00, 0x05, 0x00, 0x13, 0x00, 0x14, 0x00, 0x22, 0x01, 0x04, 0x00};
    Sheet s;
    s.cells.set(6, 20, Value::num(1000));
    s.cells.set(6, 21, Value::num(70));
    QString why;
    for (int k = 0; k < 2; ++k) {
        const size_t begin = s.batch.code().items.size();
        ASSERT_TRUE(k == 0 ? Formula::parseBiff8(add, sizeof add, s.batch.code(), why)
                           : Formula::parseBiff8(sum, sizeof sum, s.batch.code(), why))
            << why.toStdString();
        s.batch.add(7, 20 + k, begin, s.batch.code().items.size());
    }
    s.run();
    EXPECT_EQ(s.at(7, 20), QStringLiteral("1070"));
    EXPECT_EQ(s.at(7, 21), QStringLiteral("1070"));
}

TEST(FormulaSyntax, WhatTheCalculatorDoesNotKnowIsRefusedWithWhatItIs)
{
    struct Case {
        const char* formula;
        Formula::Syntax syntax;
        const char* says;
    } cases[] = {
        {"MAX(1,2)", Formula::Syntax::A1, "MAX"},
        {"TODAY()", Formula::Syntax::A1, "วันเวลาที่เปิดแฟ้ม"},
        {"Sheet2!A1+1", Formula::Syntax::A1, "แผ่นงานอื่น"},
        {"'My sheet'!A1", Formula::Syntax::A1, "แผ่นงานอื่น"},
        {"[1]Sheet1!A1", Formula::Syntax::A1, "แฟ้มอื่น"},
        {"Total*2", Formula::Syntax::A1, "Total"},
        {"{1,2}", Formula::Syntax::A1, "array"},
        {"A:A", Formula::Syntax::A1, "คอลัมน์"},
        {"[$Sheet2.A1]", Formula::Syntax::OpenFormula, "แผ่นงานอื่น"},
        {"ROUND(1)", Formula::Syntax::A1, "อาร์กิวเมนต์"},
        {"1+", Formula::Syntax::A1, "รูปแบบ"},
        {"\"open", Formula::Syntax::A1, "รูปแบบ"},
    };
    for (const Case& c : cases) {
        const QString got = one(QString::fromUtf8(c.formula), c.syntax);
        EXPECT_TRUE(got.startsWith(u'!') && got.contains(QString::fromUtf8(c.says))) << c.formula << ": "
                                                                                      << got.toStdString();
        EXPECT_TRUE(got.contains(QStringLiteral("V6"))) << got.toStdString();
    }
    // .xls tokens: a name (tName), a shared formula (tExp), another sheet
    // (tRef3d), a function outside the list (tFuncVar MAX) and cut-off tokens.
    const std::vector<std::vector<uint8_t>> refused = {
        {0x23, 0x01, 0x00, 0x00, 0x00},
        {0x01, 0x05, 0x00, 0x13, 0x00},
        {0x3A, 0x00, 0x00, 0x05, 0x00, 0x13, 0x00},
        {0x1E, 0x01, 0x00, 0x1E, 0x02, 0x00, 0x22, 0x02, 0x07, 0x00},
        {0x1F, 0x00, 0x00},
        {0x03},
        {0x1E, 0x01, 0x00, 0x1E, 0x02, 0x00},
    };
    for (const auto& tokens : refused) {
        Formula::Code code;
        QString why;
        EXPECT_FALSE(Formula::parseBiff8(tokens.data(), tokens.size(), code, why));
        EXPECT_FALSE(why.isEmpty());
        EXPECT_TRUE(code.items.empty());
    }
}

TEST(FormulaBounds, NestingAndLengthAreBoundedWithoutRecursion)
{
    const QString deep64 = QString(63, u'(') + QStringLiteral("1") + QString(63, u')');
    EXPECT_EQ(one(deep64), QStringLiteral("1"));
    const QString deep = QString(4000, u'(') + QStringLiteral("1") + QString(4000, u')');
    EXPECT_TRUE(one(deep).contains(QStringLiteral("64"))) << one(deep).left(80).toStdString();
    QString calls;
    for (int i = 0; i < 1500; ++i)
        calls += QStringLiteral("ABS(");
    EXPECT_TRUE(one(calls + QStringLiteral("1") + QString(1500, u')')).contains(QStringLiteral("64")));
    // Signs are a run, not a nesting: twenty of them are fine.
    EXPECT_EQ(one(QString(20, u'-') + QStringLiteral("5")), QStringLiteral("5"));
    QString wide = QStringLiteral("1");
    while (wide.size() < 9000)
        wide += QStringLiteral("+1");
    EXPECT_TRUE(one(wide).contains(QStringLiteral("8192")));
    // Just within the length: calculated.
    QString sum = QStringLiteral("1");
    while (sum.size() < 8000)
        sum += QStringLiteral("+1");
    EXPECT_EQ(one(sum), QString::number((sum.size() + 1) / 2));
}

TEST(FormulaOrder, ReferencesAreCalculatedFirstAlongChainsOfAnyLength)
{
    // A1 = A2+1, A2 = A3+1, ... down 200,000 rows: far deeper than any call stack.
    Sheet s;
    const int n = 200000;
    for (int r = 1; r < n; ++r)
        s.formula(r, 1, QStringLiteral("A") + QString::number(r + 1) + QStringLiteral("+1"));
    s.cells.set(n, 1, Value::num(0));
    s.formula(1, 2, QStringLiteral("SUM(A1:A10)"));
    s.run();
    EXPECT_EQ(s.at(1, 1), QString::number(n - 1));
    EXPECT_EQ(s.at(n - 1, 1), QStringLiteral("1"));
    EXPECT_EQ(s.at(1, 2), QString::number(10 * (n - 1) - 45));
}

TEST(FormulaOrder, ACircleFailsItsCellsAndWhatDependsOnIt)
{
    Sheet s;
    s.formula(1, 1, QStringLiteral("B1+1"));
    s.formula(1, 2, QStringLiteral("C1+1"));
    s.formula(1, 3, QStringLiteral("A1+1"));
    s.formula(2, 1, QStringLiteral("A1*2"));
    s.formula(3, 1, QStringLiteral("5"));
    s.formula(4, 1, QStringLiteral("A4"));
    s.run();
    for (int col = 1; col <= 3; ++col) {
        const QString got = s.at(1, col);
        EXPECT_TRUE(got.contains(QStringLiteral("A1")) && got.contains(QStringLiteral("B1"))
                    && got.contains(QStringLiteral("C1")))
            << got.toStdString();
    }
    EXPECT_TRUE(s.at(2, 1).contains(QStringLiteral("circular")));
    EXPECT_EQ(s.at(3, 1), QStringLiteral("5"));
    EXPECT_TRUE(s.at(4, 1).contains(QStringLiteral("A4")));
}

TEST(FormulaOrder, HugeRangesStopAtTheWorkLimitInTime)
{
    Sheet s;
    s.cells.rowCount = 1048576;
    s.cells.colCount = 16384;
    for (int r = 1; r <= 200; ++r)
        s.formula(r, 1, QStringLiteral("SUM(B1:XFD1048576)"));
    QElapsedTimer t;
    t.start();
    s.run();
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_TRUE(s.at(200, 1).startsWith(u'!'));
}

TEST(FormulaRules, RoundingIsHalfAwayFromZeroOnFifteenDigits)
{
    EXPECT_EQ(Formula::roundDecimal(2.675, 2), 2.68);
    EXPECT_EQ(Formula::roundDecimal(1.005, 2), 1.01);
    EXPECT_EQ(Formula::roundDecimal(-2.5, 0), -3);
    EXPECT_EQ(Formula::roundDecimal(0.5, 0), 1);
    EXPECT_EQ(Formula::roundDecimal(1234.5678, -2), 1200);
    EXPECT_EQ(Formula::roundDecimal(49, -2), 0);
    EXPECT_EQ(Formula::roundDecimal(50, -2), 100);
    EXPECT_EQ(Formula::roundDecimal(1e300, 2), 1e300);
    EXPECT_EQ(Formula::roundDecimal(0.1 + 0.2, 15), 0.1 + 0.2);
}

TEST(FormulaRules, TextFormatsOfAmountsAndDates)
{
    struct Case {
        double value;
        const char* format;
        const char* text;
    } cases[] = {
        {1070, "0", "1070"},           {1070.005, "0.00", "1070.01"},  {-1234567.891, "#,##0.00", "-1,234,567.89"},
        {0.25, "0.0%", "25.0%"},       {1500, "#,##0.00;(#,##0.00)", "1,500.00"},
        {-1500, "#,##0.00;(#,##0.00)", "(1,500.00)"},                  {0.5, "#.00", ".50"},
        {40301, "dd.mm.yyyy", "03.05.2010"},                          {40301, "d/m/yy", "3/5/10"},
        {40301.75, "yyyy-mm-dd hh:mm:ss", "2010-05-03 18:00:00"},     {40301, "dd\"-\"mm", "03-05"},
    };
    for (const Case& c : cases) {
        QString out;
        EXPECT_TRUE(Formula::formatText(c.value, QString::fromUtf8(c.format), false, out)) << c.format;
        EXPECT_EQ(out, QString::fromUtf8(c.text)) << c.format;
    }
    // 1904 system: the same serial is four years later.
    QString out;
    ASSERT_TRUE(Formula::formatText(0, QStringLiteral("dd.mm.yyyy"), true, out));
    EXPECT_EQ(out, QStringLiteral("01.01.1904"));
    // Names, colours, conditions and exponents are not guessed.
    for (const char* f : {"mmmm yyyy", "dddd", "[Red]0.00", "0.00E+00", "0,", "[h]:mm", "AM/PM h"})
        EXPECT_FALSE(Formula::formatText(40301, QString::fromUtf8(f), false, out)) << f;
    EXPECT_FALSE(Formula::formatText(-1, QStringLiteral("dd.mm.yyyy"), false, out));
}

TEST(FormulaRules, TextThatIsANumber)
{
    double v = 0;
    EXPECT_TRUE(Formula::textToNumber(u" 1,500.50 ", v));
    EXPECT_EQ(v, 1500.5);
    EXPECT_TRUE(Formula::textToNumber(u"-12%", v));
    EXPECT_EQ(v, -0.12);
    EXPECT_TRUE(Formula::textToNumber(u"0012", v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(Formula::textToNumber(u"1e3", v));
    EXPECT_EQ(v, 1000);
    for (const char16_t* no : {u"", u"1,50", u"12a", u"1.2.3", u"03.05.2010", u"e3", u"1e"})
        EXPECT_FALSE(Formula::textToNumber(no, v)) << QString::fromUtf16(no).toStdString();
}

}
