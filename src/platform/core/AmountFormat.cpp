#include "AmountFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

AmountFormat::AmountFormat(const QLocale& locale)
    : m_locale(locale),
      m_group(locale.numberOptions() & QLocale::OmitGroupSeparator ? QString() : locale.groupSeparator()),
      m_point(locale.decimalPoint()),
      m_minus(locale.negativeSign())
{
    // The short path is taken only where it agrees with QLocale on every shape
    // of number: no digits, few digits, one and several groups, signs.
    m_short = locale.zeroDigit() == QLatin1String("0");
    for (double probe : {0.0, 5.0, 0.5, -0.25, 12.5, 999.99, 1234.5, -1234.5, 123456.78, -1234567.891,
                         98765432109.01}) {
        if (!m_short)
            break;
        m_short = (*this)(probe) == m_locale.toString(probe, 'f', 2);
    }
}

QString AmountFormat::operator()(double v) const
{
    QString out;
    append(v, out);
    return out;
}

void AmountFormat::append(double v, QString& out) const
{
    appendTo(v, out);
}

void AmountFormat::append(double v, TextGrid::RowBuilder& out) const
{
    appendTo(v, out);
}

template <typename Out>
void AmountFormat::appendTo(double v, Out& out) const
{
    // A value exactly halfway between two cents (0.125) may be rounded either
    // way; such values are left to QLocale so the text is always its own.
    // (v * 1000 whole and ending in 5; fmod said the same but was a good part
    // of a large report.)
    bool fast = m_short && std::isfinite(v) && std::fabs(v) < 1e15;
    if (fast) {
        const double thousandths = v * 1000;
        fast = std::trunc(thousandths) != thousandths || std::abs(static_cast<int64_t>(thousandths) % 10) != 5;
    }
    if (fast)
        shortPath(v, out);
    else
        out.append(QStringView(m_locale.toString(v, 'f', 2)));
}

namespace {

// What std::to_chars(fixed, 2) writes, without its general (and, for a
// million-line report, slow) conversion wherever the nearest cent is plain to
// see: v * 100 computed in binary is then far enough from a half cent that
// its rounding cannot change which cent is nearest.
const char* fixedTwo(double v, char* buf, size_t size)
{
    const double f = std::fabs(v) * 100;
    if (f < 1e15) {
        const double whole = std::floor(f);
        const double frac = f - whole;
        const double ulp = std::nextafter(f, INFINITY) - f;
        if (std::fabs(frac - 0.5) > 4 * ulp) {
            auto cents = static_cast<uint64_t>(whole) + (frac > 0.5 ? 1 : 0);
            char digits[24];
            int n = 0;
            do {
                digits[n++] = static_cast<char>('0' + cents % 10);
                cents /= 10;
            } while (cents > 0 || n < 3);  // at least "0.05"
            char* out = buf;
            if (v < 0)
                *out++ = '-';
            for (int i = n - 1; i >= 2; --i)
                *out++ = digits[i];
            *out++ = '.';
            *out++ = digits[1];
            *out++ = digits[0];
            return out;
        }
    }
    return std::to_chars(buf, buf + size, v, std::chars_format::fixed, 2).ptr;
}

}  // namespace

template <typename Out>
void AmountFormat::shortPath(double v, Out& out) const
{
    if (v == 0)
        v = 0;  // -0.0 shows as 0.00, as QLocale shows it
    char buf[40];
    const char* p = buf;
    const char* const end = fixedTwo(v, buf, sizeof buf);
    if (*p == '-') {
        out.append(QStringView(m_minus));
        ++p;
    }
    const char* dot = p;
    while (dot < end && *dot != '.')
        ++dot;
    const int digits = static_cast<int>(dot - p);
    for (int i = 0; i < digits; ++i) {
        if (i > 0 && (digits - i) % 3 == 0)
            out.append(QStringView(m_group));
        out.append(QLatin1Char(p[i]));
    }
    out.append(QStringView(m_point));
    for (const char* f = dot + 1; f < end; ++f)
        out.append(QLatin1Char(*f));
}
