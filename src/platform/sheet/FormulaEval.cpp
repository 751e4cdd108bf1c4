#include "FormulaEval.h"

#include "CellText.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Formula {

namespace {

using T = Value::Type;

QString rangeAsValue()
{
    return QStringLiteral("ใช้ช่วงเซลล์ในที่ที่ต้องการค่าเดียว ซึ่งโปรแกรมคำนวณเองไม่ได้");
}

Value toNumber(const Value& v)
{
    switch (v.type) {
    case T::Empty: return Value::num(0);
    case T::Number: return v;
    case T::Bool: return Value::num(v.number);
    case T::Text: {
        double d = 0;
        return textToNumber(v.text, d) ? Value::num(d) : Value::error(ValueError);
    }
    case T::Error:
    case T::Fail: return v;
    case T::Range: return Value::fail(rangeAsValue());
    }
    return v;
}

Value toText(const Value& v)
{
    switch (v.type) {
    case T::Empty: return Value::str(QString());
    case T::Number: return Value::str(numberText(v.number));
    case T::Bool: return Value::str(v.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    case T::Text:
    case T::Error:
    case T::Fail: return v;
    case T::Range: return Value::fail(rangeAsValue());
    }
    return v;
}

bool stops(const Value& v)
{
    return v.type == T::Error || v.type == T::Fail;
}

Value finite(double d)
{
    if (!std::isfinite(d))
        return Value::error(Num);
    return Value::num(d == 0 ? 0.0 : d);  // no negative zero
}

// Number < text < boolean; an empty cell is 0, "" or FALSE beside the other side.
int compare(const Value& a, const Value& b)
{
    auto rank = [](T t) { return t == T::Number ? 0 : t == T::Text ? 1 : 2; };
    Value x = a, y = b;
    if (x.type == T::Empty && y.type == T::Empty)
        return 0;
    if (x.type == T::Empty)
        x = y.type == T::Text ? Value::str(QString()) : y.type == T::Bool ? Value::boolean(false) : Value::num(0);
    if (y.type == T::Empty)
        y = x.type == T::Text ? Value::str(QString()) : x.type == T::Bool ? Value::boolean(false) : Value::num(0);
    if (rank(x.type) != rank(y.type))
        return rank(x.type) < rank(y.type) ? -1 : 1;
    if (x.type == T::Text) {
        const int c = x.text.compare(y.text, Qt::CaseInsensitive);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    return x.number < y.number ? -1 : x.number > y.number ? 1 : 0;
}

// Integer argument: truncated toward zero, as the spreadsheet takes a count.
bool integerArg(const Value& v, Value& err, double& out)
{
    const Value n = toNumber(v);
    if (stops(n)) {
        err = n;
        return false;
    }
    out = std::trunc(n.number);
    return true;
}

int serialParts(double serial, bool system1904, int parts[6])
{
    QString t;
    if (!CellText::setDate(t, serial, system1904, CellText::DateKind::DateTime))
        return 0;
    // dd.mm.yyyy[ hh:mm:ss]
    parts[0] = t.mid(6, 4).toInt();
    parts[1] = t.mid(3, 2).toInt();
    parts[2] = t.mid(0, 2).toInt();
    parts[3] = parts[4] = parts[5] = 0;
    if (t.size() >= 19) {
        parts[3] = t.mid(11, 2).toInt();
        parts[4] = t.mid(14, 2).toInt();
        parts[5] = t.mid(17, 2).toInt();
    }
    return 1;
}

QString pad(int v, int width)
{
    return QString::number(v).rightJustified(width, u'0');
}

bool dateSection(double value, QStringView f, bool system1904, QString& out)
{
    int parts[6];
    if (!serialParts(value, system1904, parts))
        return false;
    out.clear();
    bool lastWasHour = false;
    for (qsizetype i = 0; i < f.size();) {
        const QChar c = f[i];
        const QChar lc = c.toLower();
        qsizetype run = 1;
        while (i + run < f.size() && f[i + run].toLower() == lc)
            ++run;
        if (lc == u'y') {
            out += run <= 2 ? pad(parts[0] % 100, 2) : pad(parts[0], 4);
            i += run;
            lastWasHour = false;
        } else if (lc == u'd') {
            if (run > 2)
                return false;  // day names depend on the language
            out += pad(parts[2], static_cast<int>(run));
            i += run;
            lastWasHour = false;
        } else if (lc == u'm') {
            if (run > 2)
                return false;  // month names depend on the language
            // Minutes after an hour or before seconds, the month otherwise.
            qsizetype k = i + run;
            while (k < f.size() && !f[k].isLetter())
                ++k;
            const bool minutes = lastWasHour || (k < f.size() && f[k].toLower() == u's');
            out += pad(minutes ? parts[4] : parts[1], static_cast<int>(run));
            i += run;
            lastWasHour = false;
        } else if (lc == u'h') {
            out += pad(parts[3], static_cast<int>(std::min<qsizetype>(run, 2)));
            i += run;
            lastWasHour = true;
        } else if (lc == u's') {
            out += pad(parts[5], static_cast<int>(std::min<qsizetype>(run, 2)));
            i += run;
        } else if (c == u'"') {
            const qsizetype e = f.indexOf(u'"', i + 1);
            if (e < 0)
                return false;
            out += f.mid(i + 1, e - i - 1);
            i = e + 1;
        } else if (c == u'\\') {
            if (i + 1 >= f.size())
                return false;
            out += f[i + 1];
            i += 2;
        } else if (c == u'.' || c == u'/' || c == u'-' || c == u':' || c == u' ' || c == u',' || c == u'(' || c == u')') {
            if (c == u'.' && i + 1 < f.size() && f[i + 1] == u'0')
                return false;  // fractions of a second
            out += c;
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

bool numberSection(double value, QStringView f, QString& out)
{
    QString prefix, suffix;
    qsizetype i = 0;
    auto literal = [&](QString& to) -> bool {
        for (;;) {
            if (i >= f.size())
                return true;
            const QChar c = f[i];
            if (c == u'"') {
                const qsizetype e = f.indexOf(u'"', i + 1);
                if (e < 0)
                    return false;
                to += f.mid(i + 1, e - i - 1);
                i = e + 1;
            } else if (c == u'\\') {
                if (i + 1 >= f.size())
                    return false;
                to += f[i + 1];
                i += 2;
            } else if (c == u'_') {
                to += u' ';
                i += 2;
            } else if (c == u'%') {
                to += c;
                ++i;
            } else if (c == u'0' || c == u'#' || c == u'?' || c == u'.' || c == u',') {
                return true;
            } else if (c == u'$' || c == u'-' || c == u'+' || c == u'(' || c == u')' || c == u' ' || c == u':'
                       || c == u'/' || c.unicode() >= 0x80) {
                to += c;
                ++i;
            } else {
                return false;
            }
        }
    };
    if (!literal(prefix))
        return false;
    int minInt = 0;
    bool grouping = false;
    bool sawDigit = false;
    while (i < f.size() && (f[i] == u'0' || f[i] == u'#' || f[i] == u'?' || f[i] == u',')) {
        if (f[i] == u',') {
            if (!sawDigit || i + 1 >= f.size() || !(f[i + 1] == u'0' || f[i + 1] == u'#' || f[i + 1] == u'?'))
                return false;  // a trailing comma scales by thousands
            grouping = true;
        } else {
            sawDigit = true;
            if (f[i] != u'#')
                ++minInt;
        }
        ++i;
    }
    int decimals = 0, fixedDecimals = 0;
    if (i < f.size() && f[i] == u'.') {
        ++i;
        while (i < f.size() && (f[i] == u'0' || f[i] == u'#' || f[i] == u'?')) {
            ++decimals;
            if (f[i] != u'#')
                fixedDecimals = decimals;
            ++i;
        }
    } else if (!sawDigit) {
        return false;
    }
    if (!literal(suffix) || i != f.size())
        return false;
    const int percents = static_cast<int>(prefix.count(u'%') + suffix.count(u'%'));
    double v = value;
    for (int k = 0; k < percents; ++k)
        v *= 100;
    v = roundDecimal(v, decimals);
    const bool negative = v < 0;
    v = std::fabs(v);
    if (!std::isfinite(v) || v >= 1e300)
        return false;
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    QString digits = QString::fromLatin1(buf);
    QString intPart = digits, frac;
    const qsizetype dot = digits.indexOf(u'.');
    if (dot >= 0) {
        intPart = digits.left(dot);
        frac = digits.mid(dot + 1);
    }
    while (frac.size() > fixedDecimals && frac.endsWith(u'0'))
        frac.chop(1);
    if (intPart == u"0" && minInt == 0)
        intPart.clear();
    while (intPart.size() < minInt)
        intPart.prepend(u'0');
    if (grouping)
        for (qsizetype k = intPart.size() - 3; k > 0; k -= 3)
            intPart.insert(k, u',');
    out = prefix;
    if (negative)
        out.prepend(u'-');
    out += intPart;
    if (decimals > 0)
        out += u'.' + frac;
    out += suffix;
    return true;
}

// Splits at ";" outside quotes and escapes.
std::vector<QStringView> sections(QStringView f)
{
    std::vector<QStringView> out;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < f.size(); ++i) {
        if (f[i] == u'"')
            quoted = !quoted;
        else if (f[i] == u'\\' && !quoted)
            ++i;
        else if (f[i] == u';' && !quoted) {
            out.push_back(f.mid(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(f.mid(start));
    return out;
}

bool isDateFormat(QStringView f)
{
    bool quoted = false;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i].toLower();
        if (f[i] == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (f[i] == u'\\')
            ++i;
        else if (c == u'd' || c == u'm' || c == u'y' || c == u'h' || c == u's')
            return true;
    }
    return false;
}

}

QString numberText(double value)
{
    QString t;
    CellText::setNumber(t, value);
    const qsizetype e = t.indexOf(u'e');
    if (e >= 0)
        t[e] = u'E';
    return t;
}

bool textToNumber(QStringView text, double& value)
{
    const QStringView s = text.trimmed();
    if (s.isEmpty())
        return false;
    QByteArray plain;
    plain.reserve(s.size());
    qsizetype i = 0;
    if (s[i] == u'+' || s[i] == u'-')
        plain += static_cast<char>(s[i++].unicode());
    int digits = 0, sinceComma = -1;
    bool point = false;
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c >= u'0' && c <= u'9') {
            plain += static_cast<char>(c.unicode());
            ++digits;
            if (sinceComma >= 0 && !point)
                ++sinceComma;
        } else if (c == u',' && !point && digits > 0) {
            if (sinceComma >= 0 && sinceComma != 3)
                return false;
            sinceComma = 0;
        } else if (c == u'.' && !point) {
            if (sinceComma >= 0 && sinceComma != 3)
                return false;
            point = true;
            plain += '.';
        } else {
            break;
        }
    }
    if (digits == 0 || (sinceComma >= 0 && !point && sinceComma != 3))
        return false;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype k = i + 1;
        QByteArray exp = "e";
        if (k < s.size() && (s[k] == u'+' || s[k] == u'-'))
            exp += static_cast<char>(s[k++].unicode());
        const qsizetype from = k;
        while (k < s.size() && s[k] >= u'0' && s[k] <= u'9')
            exp += static_cast<char>(s[k++].unicode());
        if (k == from)
            return false;
        plain += exp;
        i = k;
    }
    bool percent = false;
    if (i < s.size() && s[i] == u'%') {
        percent = true;
        ++i;
    }
    if (i != s.size())
        return false;
    char* end = nullptr;
    double v = std::strtod(plain.constData(), &end);
    if (end != plain.constData() + plain.size() || !std::isfinite(v))
        return false;
    value = percent ? v / 100 : v;
    return true;
}

double roundDecimal(double value, int digits)
{
    if (!std::isfinite(value) || value == 0)
        return value;
    if (digits > 15)
        return value;
    // Far from a half, the 15 digits and the double round alike: no text needed.
    if (digits >= 0 && digits <= 15) {
        static const double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double scaled = value * kPowers[digits];
        if (std::fabs(scaled) < 1e7) {
            const double frac = std::fabs(scaled - std::trunc(scaled));
            if (std::fabs(frac - 0.5) > 1e-6)
                return std::round(scaled) / kPowers[digits];
        }
    }
    char buf[64];
    // d.dddddddddddddde±X: the 15 significant digits the spreadsheet shows.
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    char mant[16];
    int n = 0;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            mant[n++] = *p;
    const int exp = std::atoi(p + 1);
    // Significant digits that stay: those down to the 10^-digits place.
    const int keep = exp + 1 + digits;
    if (keep >= 15)
        return value;
    if (keep < 0)
        return 0;
    long long kept = 0;
    for (int k = 0; k < keep; ++k)
        kept = kept * 10 + (mant[k] - '0');
    if (mant[keep] >= '5')
        ++kept;
    std::snprintf(buf, sizeof buf, "%llde%d", kept, -digits);
    const double r = std::strtod(buf, nullptr);
    return value < 0 ? -r : r;
}

bool formatText(double value, QStringView format, bool system1904, QString& out)
{
    if (format.compare(u"General", Qt::CaseInsensitive) == 0 || format == u"@") {
        out = numberText(value);
        return out.size() <= 11;  // longer numbers the General format shortens
    }
    const std::vector<QStringView> parts = sections(format);
    if (parts.size() > 3)
        return false;
    QStringView f = parts[0];
    double v = value;
    if (value < 0 && parts.size() >= 2) {
        f = parts[1];
        v = -value;
    } else if (value == 0 && parts.size() >= 3) {
        f = parts[2];
    }
    if (f.indexOf(u'[') >= 0 || f.indexOf(u'*') >= 0 || f.indexOf(u'@') >= 0)
        return false;
    if (isDateFormat(f))
        return dateSection(v, f, system1904, out);
    if (!numberSection(v, f, out))
        return false;
    // A negative section shows its own signs; drop the one numberSection adds.
    if (v != value && out.startsWith(u'-'))
        out.remove(0, 1);
    return true;
}

void Batch::add(int row, int col, size_t begin, size_t end)
{
    Entry e;
    e.key = static_cast<uint64_t>(row) << 16 | static_cast<uint64_t>(col);
    e.begin = static_cast<uint32_t>(begin);
    e.end = static_cast<uint32_t>(end);
    e.state = 0;
    m_entries.push_back(std::move(e));
}

void Batch::addRefused(int row, int col, const QString& why)
{
    Entry e;
    e.key = static_cast<uint64_t>(row) << 16 | static_cast<uint64_t>(col);
    e.begin = e.end = 0;
    e.state = 2;
    e.result = Value::fail(QStringLiteral("สูตรในเซลล์ ") + CellText::cellName(row, col) + QStringLiteral(" ") + why);
    m_entries.push_back(std::move(e));
}

void Batch::clear()
{
    m_code.clear();
    m_entries.clear();
    m_work = 0;
}

long Batch::find(int row, int col) const
{
    const uint64_t key = static_cast<uint64_t>(row) << 16 | static_cast<uint64_t>(col);
    const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), key,
                                     [](const Entry& e, uint64_t k) { return e.key < k; });
    return it != m_entries.end() && it->key == key ? static_cast<long>(it - m_entries.begin()) : -1;
}

Value Batch::cellValue(int row, int col)
{
    ++m_work;
    const long i = find(row, col);
    if (i < 0)
        return m_cells->value(row, col);
    const Entry& e = m_entries[static_cast<size_t>(i)];
    if (e.state != 2)
        return Value::fail(QStringLiteral("มีการอ้างอิงวนกลับ (circular reference) ที่เซลล์ ") + CellText::cellName(row, col));
    return e.result;
}

void Batch::dependencies(const Entry& e, std::vector<uint32_t>& out)
{
    for (uint32_t k = e.begin; k < e.end; ++k) {
        const Item& it = m_code.items[k];
        if (it.op == Op::Ref) {
            const long i = find(it.row1, it.col1);
            if (i >= 0)
                out.push_back(static_cast<uint32_t>(i));
        } else if (it.op == Op::Area) {
            const uint64_t lo = static_cast<uint64_t>(it.row1) << 16 | static_cast<uint64_t>(it.col1);
            const uint64_t hi = static_cast<uint64_t>(it.row2) << 16 | static_cast<uint64_t>(it.col2);
            auto p = std::lower_bound(m_entries.begin(), m_entries.end(), lo,
                                      [](const Entry& x, uint64_t v) { return x.key < v; });
            for (; p != m_entries.end() && p->key <= hi && m_work <= kWorkLimit; ++p) {
                ++m_work;
                const int c = static_cast<int>(p->key & 0xFFFF);
                if (c >= it.col1 && c <= it.col2)
                    out.push_back(static_cast<uint32_t>(p - m_entries.begin()));
            }
        }
    }
}

Value Batch::evaluate(const Entry& e)
{
    std::vector<Value>& stack = m_stack;
    stack.clear();
    auto deref = [this](Value v) { return derefValue(std::move(v)); };
    auto pop = [&]() {
        Value v = std::move(stack.back());
        stack.pop_back();
        return v;
    };
    for (uint32_t k = e.begin; k < e.end; ++k) {
        if (m_work > kWorkLimit)
            return Value::fail(QStringLiteral("มีสูตรที่ต้องคำนวณมากเกินกว่าที่โปรแกรมจะคำนวณเองได้"));
        const Item& it = m_code.items[k];
        switch (it.op) {
        case Op::Number: stack.push_back(Value::num(m_code.numbers[it.text])); break;
        case Op::Text: stack.push_back(Value::str(m_code.texts[it.text])); break;
        case Op::Bool: stack.push_back(Value::boolean(it.code != 0)); break;
        case Op::Error: stack.push_back(Value::error(it.code)); break;
        case Op::Missing: stack.push_back(Value()); break;
        case Op::Ref:
        case Op::Area: {
            Value v;
            v.type = T::Range;
            v.row1 = it.row1;
            v.col1 = it.col1;
            v.row2 = it.row2;
            v.col2 = it.col2;
            stack.push_back(v);
            break;
        }
        case Op::Neg:
        case Op::Plus:
        case Op::Percent: {
            Value v = deref(pop());
            if (it.op == Op::Plus) {
                stack.push_back(std::move(v));  // a plus sign changes nothing, not even text
                break;
            }
            v = toNumber(v);
            if (!stops(v))
                v = finite(it.op == Op::Neg ? -v.number : v.number / 100);
            stack.push_back(std::move(v));
            break;
        }
        case Op::Add:
        case Op::Sub:
        case Op::Mul:
        case Op::Div:
        case Op::Pow: {
            Value b = deref(pop());
            Value a = deref(pop());
            a = toNumber(a);
            b = toNumber(b);
            if (a.type == T::Fail || b.type == T::Fail) {
                stack.push_back(a.type == T::Fail ? a : b);
                break;
            }
            if (stops(a) || stops(b)) {
                stack.push_back(stops(a) ? a : b);
                break;
            }
            const double x = a.number, y = b.number;
            switch (it.op) {
            case Op::Add: stack.push_back(finite(x + y)); break;
            case Op::Sub: stack.push_back(finite(x - y)); break;
            case Op::Mul: stack.push_back(finite(x * y)); break;
            case Op::Div: stack.push_back(y == 0 ? Value::error(Div0) : finite(x / y)); break;
            default:
                if (x == 0 && y == 0)
                    stack.push_back(Value::error(Num));
                else if (x == 0 && y < 0)
                    stack.push_back(Value::error(Div0));
                else
                    stack.push_back(finite(std::pow(x, y)));
                break;
            }
            break;
        }
        case Op::Concat: {
            Value b = toText(deref(pop()));
            Value a = toText(deref(pop()));
            if (a.type == T::Fail || b.type == T::Fail)
                stack.push_back(a.type == T::Fail ? a : b);
            else if (stops(a) || stops(b))
                stack.push_back(stops(a) ? a : b);
            else
                stack.push_back(Value::str(a.text + b.text));
            break;
        }
        case Op::Eq:
        case Op::Ne:
        case Op::Lt:
        case Op::Le:
        case Op::Gt:
        case Op::Ge: {
            Value b = deref(pop());
            Value a = deref(pop());
            if (a.type == T::Fail || b.type == T::Fail) {
                stack.push_back(a.type == T::Fail ? a : b);
                break;
            }
            if (stops(a) || stops(b)) {
                stack.push_back(stops(a) ? a : b);
                break;
            }
            const int c = compare(a, b);
            const bool r = it.op == Op::Eq   ? c == 0
                           : it.op == Op::Ne ? c != 0
                           : it.op == Op::Lt ? c < 0
                           : it.op == Op::Le ? c <= 0
                           : it.op == Op::Gt ? c > 0
                                             : c >= 0;
            stack.push_back(Value::boolean(r));
            break;
        }
        case Op::Call: {
            // The arguments are the top of the stack: called in place.
            const size_t argc = it.argc;
            if (stack.size() < argc)
                return Value::fail(QStringLiteral("สูตรเสียหาย อ่านไม่ได้"));
            Value r = callFunction(it.fn, std::span<Value>(stack.data() + (stack.size() - argc), argc));
            stack.resize(stack.size() - argc);
            stack.push_back(std::move(r));
            break;
        }
        }
    }
    if (stack.size() != 1)
        return Value::fail(QStringLiteral("สูตรเสียหาย อ่านไม่ได้"));
    Value r = deref(pop());
    if (r.type == T::Empty)
        return Value::num(0);  // a formula that shows an empty cell shows 0
    return r;
}

Value Batch::derefValue(Value v)
{
    if (v.type != T::Range)
        return v;
    if (v.row1 == v.row2 && v.col1 == v.col2)
        return cellValue(v.row1, v.col1);
    return Value::fail(rangeAsValue());
}

Value Batch::callFunction(Fn fn, std::span<Value> args)
{
    // Every function but SUM and IF takes values: references read, failures first.
    if (fn != Fn::Sum && fn != Fn::If) {
        for (Value& a : args)
            a = derefValue(std::move(a));
        for (const Value& a : args)
            if (a.type == T::Fail)
                return a;
    }
    switch (fn) {
    case Fn::True: return Value::boolean(true);
    case Fn::False: return Value::boolean(false);
    case Fn::Sum: {
        double sum = 0;
        for (Value& a : args) {
            if (a.type == T::Range) {
                // Numbers only: text, booleans and empty cells of a range count nothing.
                const int r2 = std::min(a.row2, m_rows), c2 = std::min(a.col2, m_cols);
                for (int r = a.row1; r <= r2; ++r)
                    for (int c = a.col1; c <= c2; ++c) {
                        if (m_work > kWorkLimit)
                            return Value::fail(QStringLiteral("มีสูตรที่ต้องคำนวณมากเกินกว่าที่โปรแกรมจะคำนวณเองได้"));
                        const Value v = cellValue(r, c);
                        if (stops(v))
                            return v;
                        if (v.type == T::Number)
                            sum += v.number;
                    }
                continue;
            }
            const Value v = toNumber(a);
            if (stops(v))
                return v;
            sum += v.number;
        }
        return finite(sum);
    }
    case Fn::If: {
        Value cond = derefValue(std::move(args[0]));
        bool yes = false;
        switch (cond.type) {
        case T::Empty: break;
        case T::Number:
        case T::Bool: yes = cond.number != 0; break;
        case T::Text:
            if (cond.text.compare(u"TRUE", Qt::CaseInsensitive) == 0)
                yes = true;
            else if (cond.text.compare(u"FALSE", Qt::CaseInsensitive) != 0)
                return Value::error(ValueError);
            break;
        case T::Error:
        case T::Fail: return cond;
        case T::Range: return Value::fail(rangeAsValue());
        }
        if (!yes && args.size() < 3)
            return Value::boolean(false);
        Value chosen = std::move(args[yes ? 1 : 2]);
        return chosen.type == T::Empty ? Value::num(0) : chosen;  // IF(x,,1) shows 0
    }
    case Fn::Round: {
        const Value v = toNumber(args[0]);
        if (stops(v))
            return v;
        Value err;
        double digits = 0;
        if (!integerArg(args[1], err, digits))
            return err;
        return finite(roundDecimal(v.number, static_cast<int>(std::clamp(digits, -400.0, 400.0))));
    }
    case Fn::Abs: {
        const Value v = toNumber(args[0]);
        return stops(v) ? v : finite(std::fabs(v.number));
    }
    case Fn::Concatenate: {
        QString s;
        for (const Value& a : args) {
            const Value t = toText(a);
            if (stops(t))
                return t;
            s += t.text;
        }
        return Value::str(std::move(s));
    }
    case Fn::Text: {
        const Value f = toText(args[1]);
        if (stops(f))
            return f;
        Value v = args[0];
        if (stops(v))
            return v;
        if (v.type == T::Bool)
            return toText(v);
        if (v.type == T::Text) {
            double d = 0;
            if (!textToNumber(v.text, d))
                return v;  // text that is no number comes back as it is
            v = Value::num(d);
        }
        v = toNumber(v);
        if (stops(v))
            return v;
        QString out;
        if (!formatText(v.number, f.text, m_cells->system1904, out))
            return Value::fail(QStringLiteral("ใช้ฟังก์ชัน TEXT กับรูปแบบ \"") + f.text.left(64)
                               + QStringLiteral("\" ซึ่งโปรแกรมคำนวณเองไม่ได้"));
        return Value::str(std::move(out));
    }
    case Fn::Left:
    case Fn::Right: {
        const Value t = toText(args[0]);
        if (stops(t))
            return t;
        double n = 1;
        if (args.size() > 1) {
            Value err;
            if (!integerArg(args[1], err, n))
                return err;
        }
        if (n < 0)
            return Value::error(ValueError);
        const qsizetype k = static_cast<qsizetype>(std::min<double>(n, static_cast<double>(t.text.size())));
        return Value::str(fn == Fn::Left ? t.text.left(k) : t.text.right(k));
    }
    case Fn::Mid: {
        const Value t = toText(args[0]);
        if (stops(t))
            return t;
        Value err;
        double start = 0, n = 0;
        if (!integerArg(args[1], err, start) || !integerArg(args[2], err, n))
            return err;
        if (start < 1 || n < 0)
            return Value::error(ValueError);
        if (start > static_cast<double>(t.text.size()))
            return Value::str(QString());
        const auto from = static_cast<qsizetype>(start) - 1;
        const auto count = static_cast<qsizetype>(std::min<double>(n, static_cast<double>(t.text.size() - from)));
        return Value::str(t.text.mid(from, count));
    }
    case Fn::Trim: {
        const Value t = toText(args[0]);
        if (stops(t))
            return t;
        // Spaces only, as the spreadsheet's TRIM: other blanks stay.
        QString s;
        s.reserve(t.text.size());
        bool pending = false;
        for (const QChar c : t.text) {
            if (c == u' ') {
                pending = !s.isEmpty();
                continue;
            }
            if (pending)
                s += u' ';
            pending = false;
            s += c;
        }
        return Value::str(std::move(s));
    }
    case Fn::Value: {
        const Value& v = args[0];
        if (v.type == T::Bool)
            return Value::error(ValueError);
        return toNumber(v);
    }
    }
    return Value::fail(QStringLiteral("สูตรเสียหาย อ่านไม่ได้"));
}

void Batch::run(const Cells& cells)
{
    m_cells = &cells;
    m_work = 0;
    const auto byKey = [](const Entry& a, const Entry& b) { return a.key < b.key; };
    // An .xls gives its formulas in row order already.
    if (!std::is_sorted(m_entries.begin(), m_entries.end(), byKey))
        std::stable_sort(m_entries.begin(), m_entries.end(), byKey);
    // Of two formulas for one cell the later stands.
    size_t out = 0;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (i + 1 < m_entries.size() && m_entries[i + 1].key == m_entries[i].key)
            continue;
        if (out != i)
            m_entries[out] = std::move(m_entries[i]);
        ++out;
    }
    m_entries.resize(out);
    m_rows = cells.rowCount;
    m_cols = cells.colCount;
    for (const Entry& e : m_entries) {
        m_rows = std::max(m_rows, static_cast<int>(e.key >> 16));
        m_cols = std::max(m_cols, static_cast<int>(e.key & 0xFFFF));
    }

    struct Frame {
        uint32_t entry;
        size_t depBegin;
        size_t cursor;
        size_t depEnd;
    };
    std::vector<Frame> frames;
    std::vector<uint32_t> deps;
    for (size_t start = 0; start < m_entries.size(); ++start) {
        if (m_entries[start].state != 0)
            continue;
        m_entries[start].state = 1;
        size_t begin = deps.size();
        dependencies(m_entries[start], deps);
        frames.push_back({static_cast<uint32_t>(start), begin, begin, deps.size()});
        while (!frames.empty()) {
            Frame& f = frames.back();
            bool descended = false;
            while (f.cursor < f.depEnd) {
                const uint32_t d = deps[f.cursor];
                Entry& de = m_entries[d];
                if (de.state == 2) {
                    ++f.cursor;
                    continue;
                }
                if (de.state == 0) {
                    de.state = 1;
                    const size_t b = deps.size();
                    dependencies(de, deps);
                    frames.push_back({d, b, b, deps.size()});
                    descended = true;
                    break;
                }
                // On the stack: a circle through every frame from it up.
                size_t from = frames.size() - 1;
                while (frames[from].entry != d)
                    --from;
                QStringList names;
                for (size_t k = from; k < frames.size() && names.size() < 10; ++k)
                    names << CellText::cellName(row(frames[k].entry), col(frames[k].entry));
                if (frames.size() - from > 10)
                    names << QStringLiteral("...");
                const Value circle = Value::fail(QStringLiteral("มีการอ้างอิงวนกลับ (circular reference) ระหว่างเซลล์ ")
                                                 + names.join(QStringLiteral(", ")));
                while (frames.size() > from) {
                    Entry& ce = m_entries[frames.back().entry];
                    ce.result = circle;
                    ce.state = 2;
                    deps.resize(frames.back().depBegin);
                    frames.pop_back();
                }
                descended = true;  // go on with what is left below
                break;
            }
            if (descended)
                continue;
            Entry& e = m_entries[f.entry];
            e.result = evaluate(e);
            e.state = 2;
            deps.resize(f.depBegin);
            frames.pop_back();
        }
    }
    m_cells = nullptr;
}

}
