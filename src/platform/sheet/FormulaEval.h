#pragma once

#include "FormulaCode.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

// Calculates the formulas of one worksheet with the spreadsheet program's
// rules, in the order their references need: a formula that refers to
// another formula's cell gets that one's value first. The order is kept on a
// stack of its own, so a chain of a million cells each referring to the next
// costs memory, never the program's call stack. A circular reference, and a
// formula that uses what the calculator does not know, give their cell a
// failure that names the cells, so that reading it can say what is wrong.
namespace Formula {

struct Value {
    enum class Type : uint8_t {
        Empty,
        Number,
        Text,
        Bool,   // number: 0 or 1
        Error,  // code
        Range,  // row1, col1 .. row2, col2: a reference not yet read
        Fail,   // text: why the calculator cannot tell what the cell shows
    };
    Type type = Type::Empty;
    uint8_t code = 0;
    int32_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
    double number = 0;
    QString text;

    static Value num(double v)
    {
        Value x;
        x.type = Type::Number;
        x.number = v;
        return x;
    }
    static Value str(QString s)
    {
        Value x;
        x.type = Type::Text;
        x.text = std::move(s);
        return x;
    }
    static Value boolean(bool b)
    {
        Value x;
        x.type = Type::Bool;
        x.number = b ? 1 : 0;
        return x;
    }
    static Value error(uint8_t code)
    {
        Value x;
        x.type = Type::Error;
        x.code = code;
        return x;
    }
    static Value fail(QString why)
    {
        Value x;
        x.type = Type::Fail;
        x.text = std::move(why);
        return x;
    }
};

// The cells of the sheet that are not calculated here: plain values and the
// stored results that can be trusted.
class Cells {
public:
    virtual ~Cells() = default;
    // Empty when the cell holds nothing.
    virtual Value value(int row, int col) const = 0;
    // Ranges are read only up to these (what lies past them is empty).
    int rowCount = 0;
    int colCount = 0;
    bool system1904 = false;
};

class Batch {
public:
    // Cells visited while calculating, over all formulas, before the rest
    // fail as too much to calculate: bounds the time a hostile file takes.
    static constexpr uint64_t kWorkLimit = 5'000'000;

    Code& code() { return m_code; }
    // A formula to calculate, its items [begin, end) of code(); a later one
    // for the same cell replaces an earlier.
    void add(int row, int col, size_t begin, size_t end);
    // A formula that could not be parsed: its cell fails with `why`.
    void addRefused(int row, int col, const QString& why);
    size_t size() const { return m_entries.size(); }
    void reserve(size_t formulas) { m_entries.reserve(formulas); }
    bool empty() const { return m_entries.empty(); }

    // Calculates every formula. The results follow, in row and column order.
    void run(const Cells& cells);
    int row(size_t i) const { return static_cast<int>(m_entries[i].key >> 16); }
    int col(size_t i) const { return static_cast<int>(m_entries[i].key & 0xFFFF); }
    const Value& result(size_t i) const { return m_entries[i].result; }

    void clear();

private:
    struct Entry {
        uint64_t key;  // row << 16 | col
        uint32_t begin;
        uint32_t end;
        uint8_t state;  // 0 waiting, 1 on the stack, 2 done
        Value result;
    };
    long find(int row, int col) const;
    Value cellValue(int row, int col);
    Value evaluate(const Entry& e);
    Value derefValue(Value v);
    Value callFunction(Fn fn, std::span<Value> args);
    void dependencies(const Entry& e, std::vector<uint32_t>& out);

    Code m_code;
    std::vector<Entry> m_entries;
    std::vector<Value> m_stack;
    const Cells* m_cells = nullptr;
    uint64_t m_work = 0;
    int m_rows = 0;
    int m_cols = 0;
};

// The text the spreadsheet program's TEXT function gives for `value` in
// `format`: numbers ("0", "0.00", "#,##0.00", "0%") and dates and times
// ("dd.mm.yyyy", "dd/mm/yyyy", "yyyy-mm-dd", "hh:mm:ss"). False for a format
// outside these (month and day names, colours, conditions, exponents).
bool formatText(double value, QStringView format, bool system1904, QString& out);

// Rounds half away from zero at `digits` decimals (negative: tens,
// hundreds...), on the number's 15 significant digits as the spreadsheet
// program shows it, so that 2.675 rounds to 2.68.
double roundDecimal(double value, int digits);

// A text as the spreadsheet program takes it for a number in arithmetic:
// blanks around it, a sign, digits with "," groups, decimals, an exponent, a
// trailing "%". False otherwise.
bool textToNumber(QStringView text, double& value);

// A number as text in a text join: at most 15 significant digits.
QString numberText(double value);

}
