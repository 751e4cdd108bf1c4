#include "FormulaCode.h"

#include <algorithm>
#include <cstring>

// The parsed tokens of an .xls FORMULA record are already in postfix order:
// each token becomes one item, and a count of the operands on the stack
// checks that every operator has its own.
namespace Formula {

namespace {

struct BiffFunction {
    uint16_t id;
    Fn fn;
    int fixedArgs;  // for a call of fixed arity (tFunc); -1 when it has none
    int minArgs;
    int maxArgs;
};

const BiffFunction kBiffFunctions[] = {
    {1, Fn::If, -1, 2, 3},
    {4, Fn::Sum, -1, 1, 255},
    {24, Fn::Abs, 1, 1, 1},
    {27, Fn::Round, 2, 2, 2},
    {31, Fn::Mid, 3, 3, 3},
    {33, Fn::Value, 1, 1, 1},
    {34, Fn::True, 0, 0, 0},
    {35, Fn::False, 0, 0, 0},
    {48, Fn::Text, 2, 2, 2},
    {115, Fn::Left, -1, 1, 2},
    {116, Fn::Right, -1, 1, 2},
    {118, Fn::Trim, 1, 1, 1},
    {336, Fn::Concatenate, -1, 1, 255},
};

// Names of other functions a clerk may meet, to say which one is in the way.
const char* otherFunctionName(uint16_t id)
{
    switch (id) {
    case 0: return "COUNT";
    case 5: return "AVERAGE";
    case 6: return "MIN";
    case 7: return "MAX";
    case 8: return "ROW";
    case 9: return "COLUMN";
    case 25: return "INT";
    case 32: return "LEN";
    case 36: return "AND";
    case 37: return "OR";
    case 38: return "NOT";
    case 39: return "MOD";
    case 63: return "RAND";
    case 65: return "DATE";
    case 67: return "DAY";
    case 68: return "MONTH";
    case 69: return "YEAR";
    case 74: return "NOW";
    case 78: return "OFFSET";
    case 100: return "CHOOSE";
    case 101: return "HLOOKUP";
    case 102: return "VLOOKUP";
    case 112: return "LOWER";
    case 113: return "UPPER";
    case 125: return "CELL";
    case 148: return "INDIRECT";
    case 212: return "ROUNDUP";
    case 213: return "ROUNDDOWN";
    case 221: return "TODAY";
    case 228: return "SUMPRODUCT";
    case 244: return "INFO";
    case 255: return "(add-in)";
    case 345: return "SUMIF";
    case 346: return "COUNTIF";
    default: return nullptr;
    }
}

QString unknownFunction(uint16_t id)
{
    const char* name = otherFunctionName(id);
    const QString n = name ? QString::fromLatin1(name) : QStringLiteral("หมายเลข ") + QString::number(id);
    if (id == 63 || id == 74 || id == 78 || id == 125 || id == 148 || id == 221 || id == 244)
        return QStringLiteral("ใช้ฟังก์ชัน ") + n + QStringLiteral(" ซึ่งให้ค่าตามวันเวลาที่เปิดแฟ้ม");
    return QStringLiteral("ใช้ฟังก์ชัน ") + n + QStringLiteral(" ซึ่งโปรแกรมคำนวณเองไม่ได้");
}

uint16_t u16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}

bool parseBiff8(const uint8_t* t, size_t n, Code& code, QString& why)
{
    const size_t items = code.items.size();
    const size_t texts = code.texts.size();
    const size_t numbers = code.numbers.size();
    size_t stack = 0;  // operands on the stack so far
    auto refuse = [&](const QString& w) {
        code.items.resize(items);
        code.texts.resize(texts);
        code.numbers.resize(numbers);
        why = w;
        return false;
    };
    auto damaged = [&] { return refuse(QStringLiteral("สูตรเสียหาย อ่านไม่ได้")); };
    auto push = [&](const Item& it, size_t operands) {
        if (stack < operands)
            return false;
        stack = stack - operands + 1;
        code.items.push_back(it);
        return true;
    };
    auto make = [](Op op) {
        Item it{};
        it.op = op;
        return it;
    };

    size_t p = 0;
    while (p < n) {
        const uint8_t ptg = t[p];
        const size_t left = n - p;
        if (ptg >= 0x03 && ptg <= 0x0E) {
            static const Op binary[] = {Op::Add, Op::Sub, Op::Mul, Op::Div, Op::Pow, Op::Concat, Op::Lt,
                                        Op::Le,  Op::Eq,  Op::Ge,  Op::Gt,  Op::Ne};
            if (!push(make(binary[ptg - 0x03]), 2))
                return damaged();
            ++p;
            continue;
        }
        switch (ptg) {
        case 0x01:
        case 0x02:
            return refuse(QStringLiteral("เป็นสูตรที่ใช้ร่วมกันหลายเซลล์หรือสูตรอาร์เรย์ (array)"));
        case 0x0F:
        case 0x10:
        case 0x11:
            return refuse(QStringLiteral("ใช้ตัวดำเนินการของช่วงเซลล์ที่โปรแกรมคำนวณเองไม่ได้"));
        case 0x12:
        case 0x13:
        case 0x14:
            if (!push(make(ptg == 0x12 ? Op::Plus : ptg == 0x13 ? Op::Neg : Op::Percent), 1))
                return damaged();
            ++p;
            continue;
        case 0x15:  // parentheses: the order is in the tokens already
            ++p;
            continue;
        case 0x16:
            push(make(Op::Missing), 0);
            ++p;
            continue;
        case 0x17: {
            if (left < 3)
                return damaged();
            const size_t count = t[p + 1];
            const bool wide = t[p + 2] & 1;
            const size_t bytes = count * (wide ? 2 : 1);
            if (left - 3 < bytes)
                return damaged();
            QString s(static_cast<qsizetype>(count), Qt::Uninitialized);
            for (size_t k = 0; k < count; ++k)
                s[static_cast<qsizetype>(k)] = QChar(wide ? u16(t + p + 3 + 2 * k) : t[p + 3 + k]);
            Item it = make(Op::Text);
            it.text = static_cast<uint32_t>(code.texts.size());
            code.texts.push_back(std::move(s));
            push(it, 0);
            p += 3 + bytes;
            continue;
        }
        case 0x19: {
            if (left < 4)
                return damaged();
            const uint8_t flags = t[p + 1];
            const uint16_t data = u16(t + p + 2);
            if (flags & 0x04)
                return refuse(unknownFunction(100));
            if (flags & 0x10) {
                Item it = make(Op::Call);
                it.fn = Fn::Sum;
                it.argc = 1;
                if (!push(it, 1))
                    return damaged();
            }
            (void)data;
            p += 4;
            continue;
        }
        case 0x1C: {
            if (left < 2)
                return damaged();
            Item it = make(Op::Error);
            it.code = t[p + 1];
            push(it, 0);
            p += 2;
            continue;
        }
        case 0x1D: {
            if (left < 2)
                return damaged();
            Item it = make(Op::Bool);
            it.code = t[p + 1] ? 1 : 0;
            push(it, 0);
            p += 2;
            continue;
        }
        case 0x1E: {
            if (left < 3)
                return damaged();
            Item it = make(Op::Number);
            it.text = static_cast<uint32_t>(code.numbers.size());
            code.numbers.push_back(u16(t + p + 1));
            push(it, 0);
            p += 3;
            continue;
        }
        case 0x1F: {
            if (left < 9)
                return damaged();
            uint64_t bits = 0;
            for (int i = 7; i >= 0; --i)
                bits = bits << 8 | t[p + 1 + static_cast<size_t>(i)];
            double d;
            std::memcpy(&d, &bits, sizeof d);
            Item it = make(Op::Number);
            it.text = static_cast<uint32_t>(code.numbers.size());
            code.numbers.push_back(d);
            push(it, 0);
            p += 9;
            continue;
        }
        default:
            break;
        }
        if (ptg < 0x20 || ptg > 0x7F)
            return refuse(ptg == 0x18 ? QStringLiteral("ใช้ส่วนขยายของสูตรที่โปรแกรมคำนวณเองไม่ได้") : QStringLiteral("สูตรเสียหาย อ่านไม่ได้"));
        // Operand classes (reference, value, array) read alike here.
        switch (ptg & 0x1F) {
        case 0x01: {  // tFunc
            if (left < 3)
                return damaged();
            const uint16_t id = u16(t + p + 1);
            const BiffFunction* f = nullptr;
            for (const BiffFunction& b : kBiffFunctions)
                if (b.id == id)
                    f = &b;
            if (!f || f->fixedArgs < 0)
                return refuse(unknownFunction(id));
            Item it = make(Op::Call);
            it.fn = f->fn;
            it.argc = static_cast<uint8_t>(f->fixedArgs);
            if (!push(it, static_cast<size_t>(f->fixedArgs)))
                return damaged();
            p += 3;
            continue;
        }
        case 0x02: {  // tFuncVar
            if (left < 4)
                return damaged();
            const int argc = t[p + 1] & 0x7F;
            const uint16_t id = u16(t + p + 2) & 0x7FFF;
            const BiffFunction* f = nullptr;
            for (const BiffFunction& b : kBiffFunctions)
                if (b.id == id)
                    f = &b;
            if (!f || (u16(t + p + 2) & 0x8000))
                return refuse(unknownFunction(id));
            if (argc < f->minArgs || argc > f->maxArgs)
                return damaged();
            Item it = make(Op::Call);
            it.fn = f->fn;
            it.argc = static_cast<uint8_t>(argc);
            if (!push(it, static_cast<size_t>(argc)))
                return damaged();
            p += 4;
            continue;
        }
        case 0x04: {  // tRef
            if (left < 5)
                return damaged();
            Item it = make(Op::Ref);
            it.row1 = it.row2 = u16(t + p + 1) + 1;
            it.col1 = it.col2 = (u16(t + p + 3) & 0x3FFF) + 1;
            push(it, 0);
            p += 5;
            continue;
        }
        case 0x05: {  // tArea
            if (left < 9)
                return damaged();
            Item it = make(Op::Area);
            const int r1 = u16(t + p + 1) + 1, r2 = u16(t + p + 3) + 1;
            const int c1 = (u16(t + p + 5) & 0x3FFF) + 1, c2 = (u16(t + p + 7) & 0x3FFF) + 1;
            it.row1 = std::min(r1, r2);
            it.row2 = std::max(r1, r2);
            it.col1 = std::min(c1, c2);
            it.col2 = std::max(c1, c2);
            if (it.row1 == it.row2 && it.col1 == it.col2)
                it.op = Op::Ref;
            push(it, 0);
            p += 9;
            continue;
        }
        case 0x0A:  // tRefErr
        case 0x0B: {  // tAreaErr
            const size_t size = (ptg & 0x1F) == 0x0A ? 5 : 9;
            if (left < size)
                return damaged();
            Item it = make(Op::Error);
            it.code = RefError;
            push(it, 0);
            p += size;
            continue;
        }
        case 0x03:
        case 0x19:
            return refuse(QStringLiteral("ใช้ชื่อที่ตั้งไว้ในสมุดงาน ซึ่งโปรแกรมคำนวณเองไม่ได้"));
        case 0x1A:
        case 0x1B:
        case 0x1C:
        case 0x1D:
            return refuse(QStringLiteral("อ้างถึงแผ่นงานอื่น"));
        case 0x00:
            return refuse(QStringLiteral("มีค่าคงที่แบบอาร์เรย์ (array)"));
        default:
            return refuse(QStringLiteral("ใช้ส่วนของสูตรที่โปรแกรมคำนวณเองไม่ได้"));
        }
    }
    if (stack != 1)
        return damaged();
    return true;
}

}
