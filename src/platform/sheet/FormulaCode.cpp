#include "FormulaCode.h"

#include "ColumnLetters.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Formula {

namespace {

constexpr int kMaxRow = 1048576;
constexpr int kMaxCol = 16384;

struct Function {
    const char* name;
    Fn fn;
    int minArgs;
    int maxArgs;
};

const Function kFunctions[] = {
    {"SUM", Fn::Sum, 1, 255},
    {"ROUND", Fn::Round, 2, 2},
    {"ABS", Fn::Abs, 1, 1},
    {"IF", Fn::If, 2, 3},
    {"CONCATENATE", Fn::Concatenate, 1, 255},
    {"TEXT", Fn::Text, 2, 2},
    {"LEFT", Fn::Left, 1, 2},
    {"RIGHT", Fn::Right, 1, 2},
    {"MID", Fn::Mid, 3, 3},
    {"TRIM", Fn::Trim, 1, 1},
    {"VALUE", Fn::Value, 1, 1},
    {"TRUE", Fn::True, 0, 0},
    {"FALSE", Fn::False, 0, 0},
};

const Function* functionNamed(QStringView name)
{
    for (const Function& f : kFunctions)
        if (name.compare(QLatin1String(f.name), Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

bool isVolatile(QStringView name)
{
    for (const char* v : {"TODAY", "NOW", "RAND", "RANDBETWEEN", "OFFSET", "INDIRECT", "CELL", "INFO"})
        if (name.compare(QLatin1String(v), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString unknownFunction(const QString& name)
{
    if (isVolatile(name))
        return QStringLiteral("ใช้ฟังก์ชัน ") + name + QStringLiteral(" ซึ่งให้ค่าตามวันเวลาที่เปิดแฟ้ม");
    return QStringLiteral("ใช้ฟังก์ชัน ") + name + QStringLiteral(" ซึ่งโปรแกรมคำนวณเองไม่ได้");
}

QString syntaxError()
{
    return QStringLiteral("เขียนสูตรในรูปแบบที่โปรแกรมอ่านไม่ออก");
}

QString tooDeep()
{
    return QStringLiteral("สูตรซ้อนกันลึกเกิน ") + QString::number(kMaxDepth) + QStringLiteral(" ชั้น");
}

bool isLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isNameChar(QChar c)
{
    return isLetter(c) || isDigit(c) || c == u'_' || c == u'.' || c == u'\\' || c.unicode() >= 0x80;
}

Item item(Op op)
{
    Item it{};
    it.op = op;
    return it;
}

// A1, $A$1, a1: the cell's row and column; false when `s` is not exactly one.
bool cellA1(QStringView s, int& row, int& col)
{
    qsizetype i = 0;
    if (i < s.size() && s[i] == u'$')
        ++i;
    const qsizetype letters = i;
    col = 0;
    while (i < s.size() && isLetter(s[i]) && i - letters < 3) {
        col = col * 26 + (s[i].toUpper().unicode() - 'A' + 1);
        ++i;
    }
    if (i == letters)
        return false;
    if (i < s.size() && s[i] == u'$')
        ++i;
    const qsizetype digits = i;
    row = 0;
    while (i < s.size() && isDigit(s[i]) && i - digits < 8) {
        row = row * 10 + (s[i].unicode() - '0');
        ++i;
    }
    return i == s.size() && i > digits && row >= 1 && row <= kMaxRow && col >= 1 && col <= kMaxCol;
}

class Parser {
public:
    Parser(QStringView text, Syntax syntax, int row, int col, Code& code)
        : m_s(text), m_syntax(syntax), m_row(row), m_col(col), m_code(code)
    {
    }

    bool run(QString& why)
    {
        if (m_syntax == Syntax::OpenFormula) {
            // "of:=" names the namespace; others (msoxl:) are another syntax.
            const qsizetype colon = m_s.indexOf(u':');
            const qsizetype quote = m_s.indexOf(u'"');
            const qsizetype bracket = m_s.indexOf(u'[');
            if (colon > 0 && (quote < 0 || colon < quote) && (bracket < 0 || colon < bracket)) {
                if (m_s.left(colon).compare(u"of", Qt::CaseInsensitive) != 0) {
                    why = syntaxError();
                    return false;
                }
                m_p = colon + 1;
            }
        }
        space();
        if (m_p < m_s.size() && m_s[m_p] == u'=')
            ++m_p;
        if (m_s.size() > kMaxLength + 8) {
            why = QStringLiteral("สูตรยาวเกิน ") + QString::number(kMaxLength) + QStringLiteral(" ตัวอักษร");
            return false;
        }
        const size_t items = m_code.items.size();
        const size_t texts = m_code.texts.size();
        const size_t numbers = m_code.numbers.size();
        const bool ok = expression(1) && (space(), m_p == m_s.size() || fail(syntaxError()));
        if (!ok) {
            m_code.items.resize(items);
            m_code.texts.resize(texts);
            m_code.numbers.resize(numbers);
            why = m_why;
        }
        return ok;
    }

private:
    bool fail(const QString& why)
    {
        if (m_why.isEmpty())
            m_why = why;
        return false;
    }
    void space()
    {
        while (m_p < m_s.size() && (m_s[m_p] == u' ' || m_s[m_p] == u'\n' || m_s[m_p] == u'\r' || m_s[m_p] == u'\t'))
            ++m_p;
    }
    bool at(char16_t c)
    {
        space();
        return m_p < m_s.size() && m_s[m_p] == c;
    }
    void put(const Item& it) { m_code.items.push_back(it); }

    bool expression(int depth)
    {
        if (depth > kMaxDepth)
            return fail(tooDeep());
        if (!concat(depth))
            return false;
        for (;;) {
            space();
            Op op;
            qsizetype n = 1;
            const QStringView rest = m_s.mid(m_p);
            if (rest.startsWith(u"<>") || rest.startsWith(u"!="))
                op = Op::Ne, n = 2;
            else if (rest.startsWith(u"<="))
                op = Op::Le, n = 2;
            else if (rest.startsWith(u">="))
                op = Op::Ge, n = 2;
            else if (rest.startsWith(u"=="))
                op = Op::Eq, n = 2;
            else if (rest.startsWith(u"<"))
                op = Op::Lt;
            else if (rest.startsWith(u">"))
                op = Op::Gt;
            else if (rest.startsWith(u"="))
                op = Op::Eq;
            else
                return true;
            m_p += n;
            if (!concat(depth))
                return false;
            put(item(op));
        }
    }
    bool concat(int depth)
    {
        if (!additive(depth))
            return false;
        while (at(u'&')) {
            ++m_p;
            if (!additive(depth))
                return false;
            put(item(Op::Concat));
        }
        return true;
    }
    bool additive(int depth)
    {
        if (!multiplicative(depth))
            return false;
        while (at(u'+') || at(u'-')) {
            const Op op = m_s[m_p] == u'+' ? Op::Add : Op::Sub;
            ++m_p;
            if (!multiplicative(depth))
                return false;
            put(item(op));
        }
        return true;
    }
    bool multiplicative(int depth)
    {
        if (!power(depth))
            return false;
        while (at(u'*') || at(u'/')) {
            const Op op = m_s[m_p] == u'*' ? Op::Mul : Op::Div;
            ++m_p;
            if (!power(depth))
                return false;
            put(item(op));
        }
        return true;
    }
    // Left to right, and after the signs: -2^2 is 4, 2^3^2 is 64, as the
    // spreadsheet program has it.
    bool power(int depth)
    {
        if (!unary(depth))
            return false;
        while (at(u'^')) {
            ++m_p;
            if (!unary(depth))
                return false;
            put(item(Op::Pow));
        }
        return true;
    }
    bool unary(int depth)
    {
        // Signs in a loop, not a call each: "------1" nests nothing.
        std::vector<Op> signs;
        while (at(u'-') || at(u'+')) {
            if (signs.size() >= static_cast<size_t>(kMaxLength))
                return fail(syntaxError());
            signs.push_back(m_s[m_p] == u'-' ? Op::Neg : Op::Plus);
            ++m_p;
        }
        if (!primary(depth))
            return false;
        while (at(u'%')) {
            ++m_p;
            put(item(Op::Percent));
        }
        for (auto it = signs.rbegin(); it != signs.rend(); ++it)
            put(item(*it));
        return true;
    }

    bool primary(int depth)
    {
        space();
        if (m_p >= m_s.size())
            return fail(syntaxError());
        const QChar c = m_s[m_p];
        if (c == u'(') {
            ++m_p;
            if (!expression(depth + 1))
                return false;
            if (!at(u')'))
                return fail(syntaxError());
            ++m_p;
            return true;
        }
        if (c == u'"')
            return string();
        if (isDigit(c) || c == u'.')
            return number();
        if (c == u'#')
            return error();
        if (c == u'{')
            return fail(QStringLiteral("มีค่าคงที่แบบอาร์เรย์ (array)"));
        if (c == u'\'')
            return fail(QStringLiteral("อ้างถึงแผ่นงานอื่น"));
        if (m_syntax == Syntax::OpenFormula && c == u'[')
            return bracketReference();
        if (c == u'[')
            return fail(QStringLiteral("อ้างถึงแฟ้มอื่น"));
        if (m_syntax == Syntax::R1C1 && (c == u'R' || c == u'r' || c == u'C' || c == u'c') && r1c1Reference())
            return true;
        if (isNameChar(c) || c == u'$')
            return name(depth);
        return fail(syntaxError());
    }

    bool string()
    {
        ++m_p;
        QString s;
        for (;;) {
            if (m_p >= m_s.size())
                return fail(syntaxError());
            if (m_s[m_p] == u'"') {
                if (m_p + 1 < m_s.size() && m_s[m_p + 1] == u'"') {
                    s += u'"';
                    m_p += 2;
                    continue;
                }
                ++m_p;
                break;
            }
            s += m_s[m_p++];
        }
        Item it = item(Op::Text);
        it.text = static_cast<uint32_t>(m_code.texts.size());
        m_code.texts.push_back(std::move(s));
        put(it);
        return true;
    }

    bool number()
    {
        const qsizetype begin = m_p;
        while (m_p < m_s.size() && (isDigit(m_s[m_p]) || m_s[m_p] == u'.'))
            ++m_p;
        if (m_p < m_s.size() && (m_s[m_p] == u'E' || m_s[m_p] == u'e')) {
            qsizetype q = m_p + 1;
            if (q < m_s.size() && (m_s[q] == u'+' || m_s[q] == u'-'))
                ++q;
            if (q < m_s.size() && isDigit(m_s[q])) {
                m_p = q;
                while (m_p < m_s.size() && isDigit(m_s[m_p]))
                    ++m_p;
            }
        }
        if (m_p < m_s.size() && (isLetter(m_s[m_p]) || m_s[m_p] == u':' || m_s[m_p] == u'$'))
            return fail(QStringLiteral("อ้างถึงทั้งแถว หรือเขียนสูตรในรูปแบบที่โปรแกรมอ่านไม่ออก"));
        const QByteArray digits = m_s.mid(begin, m_p - begin).toLatin1();
        char* end = nullptr;
        const double v = std::strtod(digits.constData(), &end);
        if (end != digits.constData() + digits.size() || !std::isfinite(v))
            return fail(syntaxError());
        Item it = item(Op::Number);
        it.text = static_cast<uint32_t>(m_code.numbers.size());
        m_code.numbers.push_back(v);
        put(it);
        return true;
    }

    bool error()
    {
        static const struct {
            const char* name;
            uint8_t code;
        } errors[] = {{"#DIV/0!", Div0}, {"#VALUE!", ValueError}, {"#REF!", RefError}, {"#NAME?", Name},
                      {"#NUM!", Num},    {"#N/A", NA},            {"#NULL!", Null}};
        const QStringView rest = m_s.mid(m_p);
        for (const auto& e : errors) {
            if (rest.startsWith(QLatin1String(e.name), Qt::CaseInsensitive)) {
                m_p += static_cast<qsizetype>(std::strlen(e.name));
                Item it = item(Op::Error);
                it.code = e.code;
                put(it);
                return true;
            }
        }
        return fail(syntaxError());
    }

    bool reference(int row1, int col1, int row2, int col2)
    {
        Item it = item(row1 == row2 && col1 == col2 ? Op::Ref : Op::Area);
        it.row1 = std::min(row1, row2);
        it.row2 = std::max(row1, row2);
        it.col1 = std::min(col1, col2);
        it.col2 = std::max(col1, col2);
        put(it);
        return true;
    }

    // A name, a function call or an A1 reference.
    bool name(int depth)
    {
        const qsizetype begin = m_p;
        while (m_p < m_s.size() && (isNameChar(m_s[m_p]) || m_s[m_p] == u'$'))
            ++m_p;
        const QStringView word = m_s.mid(begin, m_p - begin);
        if (m_p < m_s.size() && m_s[m_p] == u'!')
            return fail(QStringLiteral("อ้างถึงแผ่นงานอื่น"));
        space();
        if (m_p < m_s.size() && m_s[m_p] == u'(')
            return call(word, depth);
        int row1 = 0, col1 = 0;
        if (m_syntax == Syntax::A1 && cellA1(word, row1, col1)) {
            if (!at(u':'))
                return reference(row1, col1, row1, col1);
            ++m_p;
            space();
            const qsizetype second = m_p;
            while (m_p < m_s.size() && (isLetter(m_s[m_p]) || isDigit(m_s[m_p]) || m_s[m_p] == u'$'))
                ++m_p;
            int row2 = 0, col2 = 0;
            if (!cellA1(m_s.mid(second, m_p - second), row2, col2))
                return fail(QStringLiteral("อ้างถึงช่วงเซลล์ในรูปแบบที่โปรแกรมคำนวณเองไม่ได้"));
            return reference(row1, col1, row2, col2);
        }
        if (word.compare(u"TRUE", Qt::CaseInsensitive) == 0 || word.compare(u"FALSE", Qt::CaseInsensitive) == 0) {
            Item it = item(Op::Bool);
            it.code = word.size() == 4 ? 1 : 0;
            put(it);
            return true;
        }
        if (at(u':'))
            return fail(QStringLiteral("อ้างถึงทั้งคอลัมน์หรือทั้งแถว"));
        return fail(QStringLiteral("ใช้ชื่อ \"") + word.left(64).toString()
                    + QStringLiteral("\" ที่ตั้งไว้ในสมุดงาน ซึ่งโปรแกรมคำนวณเองไม่ได้"));
    }

    bool call(QStringView word, int depth)
    {
        const Function* f = functionNamed(word);
        if (!f)
            return fail(unknownFunction(word.left(64).toString().toUpper()));
        if (depth + 1 > kMaxDepth)
            return fail(tooDeep());
        ++m_p;  // (
        const char16_t separator = m_syntax == Syntax::OpenFormula ? u';' : u',';
        int argc = 0;
        if (at(u')')) {
            ++m_p;
        } else {
            for (;;) {
                if (at(separator) || at(u')')) {
                    put(item(Op::Missing));
                } else if (!expression(depth + 1)) {
                    return false;
                }
                ++argc;
                if (argc > 255)
                    return fail(syntaxError());
                if (at(separator)) {
                    ++m_p;
                    continue;
                }
                if (at(u')')) {
                    ++m_p;
                    break;
                }
                return fail(syntaxError());
            }
        }
        if (argc < f->minArgs || argc > f->maxArgs)
            return fail(QStringLiteral("ฟังก์ชัน ") + QLatin1String(f->name) + QStringLiteral(" มีจำนวนอาร์กิวเมนต์ไม่ถูกต้อง"));
        Item it = item(Op::Call);
        it.fn = f->fn;
        it.argc = static_cast<uint8_t>(argc);
        put(it);
        return true;
    }

    // R1C1: R and C each with a row or column number, a [relative] offset, or
    // nothing (the formula's own row or column). False, consuming nothing,
    // when the text here is not such a reference.
    bool r1c1Part(qsizetype& p, QChar letter, int base, int limit, int& value)
    {
        if (p >= m_s.size() || m_s[p].toUpper() != letter)
            return false;
        ++p;
        value = base;
        if (p < m_s.size() && m_s[p] == u'[') {
            qsizetype q = p + 1;
            bool negative = false;
            if (q < m_s.size() && (m_s[q] == u'-' || m_s[q] == u'+'))
                negative = m_s[q++] == u'-';
            long offset = 0;
            const qsizetype digits = q;
            while (q < m_s.size() && isDigit(m_s[q]) && q - digits < 8)
                offset = offset * 10 + (m_s[q++].unicode() - '0');
            if (q == digits || q >= m_s.size() || m_s[q] != u']')
                return false;
            p = q + 1;
            value = base + static_cast<int>(negative ? -offset : offset);
        } else if (p < m_s.size() && isDigit(m_s[p])) {
            long v = 0;
            const qsizetype digits = p;
            while (p < m_s.size() && isDigit(m_s[p]) && p - digits < 8)
                v = v * 10 + (m_s[p++].unicode() - '0');
            value = static_cast<int>(v);
        }
        return value >= 1 && value <= limit;
    }
    bool r1c1Cell(qsizetype& p, int& row, int& col)
    {
        qsizetype q = p;
        if (!r1c1Part(q, u'R', m_row, kMaxRow, row) || !r1c1Part(q, u'C', m_col, kMaxCol, col))
            return false;
        if (q < m_s.size() && (isNameChar(m_s[q]) || m_s[q] == u'(' || m_s[q] == u'!'))
            return false;
        p = q;
        return true;
    }
    bool r1c1Reference()
    {
        qsizetype p = m_p;
        int row1 = 0, col1 = 0;
        if (!r1c1Cell(p, row1, col1))
            return false;
        int row2 = row1, col2 = col1;
        qsizetype q = p;
        while (q < m_s.size() && m_s[q] == u' ')
            ++q;
        if (q < m_s.size() && m_s[q] == u':') {
            ++q;
            while (q < m_s.size() && m_s[q] == u' ')
                ++q;
            if (!r1c1Cell(q, row2, col2))
                return false;
            p = q;
        }
        m_p = p;
        return reference(row1, col1, row2, col2);
    }

    // OpenFormula: [.A1], [.A1:.B3], [.$A$1]; [Sheet.A1] and ['file'#...] are elsewhere.
    bool bracketReference()
    {
        const qsizetype close = m_s.indexOf(u']', m_p);
        if (close < 0)
            return fail(syntaxError());
        const QStringView inside = m_s.mid(m_p + 1, close - m_p - 1);
        m_p = close + 1;
        const qsizetype colon = inside.indexOf(u':');
        const QStringView first = colon < 0 ? inside : inside.left(colon);
        const QStringView second = colon < 0 ? QStringView() : inside.mid(colon + 1);
        auto cell = [&](QStringView part, int& row, int& col) -> bool {
            if (part.startsWith(u'$') && part.indexOf(u'.') > 0)
                return fail(QStringLiteral("อ้างถึงแผ่นงานอื่น"));
            if (part.indexOf(u'#') >= 0 || part.startsWith(u'\''))
                return fail(QStringLiteral("อ้างถึงแฟ้มอื่น"));
            if (!part.startsWith(u'.'))
                return fail(part.indexOf(u'.') > 0 ? QStringLiteral("อ้างถึงแผ่นงานอื่น") : syntaxError());
            if (!cellA1(part.mid(1), row, col))
                return fail(QStringLiteral("อ้างถึงช่วงเซลล์ในรูปแบบที่โปรแกรมคำนวณเองไม่ได้"));
            return true;
        };
        int row1 = 0, col1 = 0;
        if (!cell(first, row1, col1))
            return false;
        int row2 = row1, col2 = col1;
        if (colon >= 0 && !cell(second, row2, col2))
            return false;
        return reference(row1, col1, row2, col2);
    }

    QStringView m_s;
    Syntax m_syntax;
    int m_row;
    int m_col;
    Code& m_code;
    qsizetype m_p = 0;
    QString m_why;
};

}

QString errorName(uint8_t code)
{
    switch (code) {
    case Null: return QStringLiteral("#NULL!");
    case Div0: return QStringLiteral("#DIV/0!");
    case ValueError: return QStringLiteral("#VALUE!");
    case RefError: return QStringLiteral("#REF!");
    case Name: return QStringLiteral("#NAME?");
    case Num: return QStringLiteral("#NUM!");
    case NA: return QStringLiteral("#N/A");
    default: return QStringLiteral("#ERROR");
    }
}

bool parse(QStringView text, Syntax syntax, int row, int col, Code& code, QString& why)
{
    return Parser(text, syntax, row, col, code).run(why);
}

}
