#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

// Formulas of one worksheet, parsed into one pool of items in postfix order
// (operands before their operator), so that calculating one needs a stack of
// values and no recursion however deep the formula nests.
//
// Four spellings come in: A1 (as .xlsx stores it, without "="), R1C1 (XML
// Spreadsheet 2003, relative to the formula's own cell), OpenFormula (.ods,
// "of:=[.A1]+1") and the parsed tokens of an .xls FORMULA record. Only what
// the calculator knows is accepted; anything else (another function, another
// sheet, a name, an array) is refused with what it is, in Thai, so that the
// cell can be named to the clerk.
namespace Formula {

enum class Op : uint8_t {
    Number,   // text: index into Code::numbers
    Text,     // text: index into Code::texts
    Bool,     // code: 0 or 1
    Error,    // code: an error value (ErrorCode)
    Missing,  // an argument left out: IF(A1,,1)
    Ref,      // row1, col1
    Area,     // row1, col1 .. row2, col2
    Neg,
    Plus,
    Percent,
    Add,
    Sub,
    Mul,
    Div,
    Pow,
    Concat,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    Call,  // fn with argc operands
};

enum class Fn : uint8_t { Sum, Round, Abs, If, Concatenate, Text, Left, Right, Mid, Trim, Value, True, False };

// The spreadsheet's error values, by their .xls codes.
enum ErrorCode : uint8_t {
    Null = 0x00,
    Div0 = 0x07,
    ValueError = 0x0F,
    RefError = 0x17,
    Name = 0x1D,
    Num = 0x24,
    NA = 0x2A,
};
QString errorName(uint8_t code);

// 24 bytes: a sheet of formulas holds millions of these.
struct Item {
    Op op;
    Fn fn;
    uint8_t argc;
    uint8_t code;
    uint32_t text;
    int32_t row1, col1, row2, col2;  // 1-based
};

// The nesting the spreadsheet program allows, and the longest formula text.
constexpr int kMaxDepth = 64;
constexpr int kMaxLength = 8192;

// Items of many formulas, end to end; a formula is a range [begin, end).
struct Code {
    std::vector<Item> items;
    std::vector<QString> texts;
    std::vector<double> numbers;
    void clear()
    {
        items.clear();
        texts.clear();
        numbers.clear();
    }
};

enum class Syntax : uint8_t { A1, R1C1, OpenFormula };

// Parses `text` (a leading "=" is allowed) into `code`, appending; `row` and
// `col` are the formula's own cell, which R1C1 references count from. True
// on success; otherwise false with `why` saying in Thai what could not be
// taken, and `code` as it was.
bool parse(QStringView text, Syntax syntax, int row, int col, Code& code, QString& why);

// The same for the parsed tokens (rgce) of a BIFF8 FORMULA record.
bool parseBiff8(const uint8_t* tokens, size_t size, Code& code, QString& why);

}
