#include "TypedInput.h"

#include <QDate>

#include <algorithm>
#include <charconv>
#include <string>

namespace TypedInput {

namespace {

using NumberFormat = XlsxWriter::NumberFormat;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

QStringView trimBlanks(QStringView s)
{
    while (!s.isEmpty() && s.front() == u' ')
        s = s.mid(1);
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

bool startsWith(QStringView s, qsizetype at, const QString& what)
{
    return !what.isEmpty() && s.mid(at).startsWith(what);
}

bool parseNumber(QStringView s, const Conventions& cv, Value& out)
{
    // The digits are gathered into plain ASCII and read locale-free; as in the
    // spreadsheet, digits past the fifteenth significant one count as zeros.
    char small[64];
    std::string large;
    char* buf = small;
    if (s.size() + 2 > static_cast<qsizetype>(sizeof small)) {
        large.resize(static_cast<size_t>(s.size()) + 2);
        buf = large.data();
    }
    size_t n = 0;
    qsizetype i = 0;
    if (startsWith(s, 0, cv.negativeSign)) {
        buf[n++] = '-';
        i += cv.negativeSign.size();
    } else if (s.front() == u'-') {
        buf[n++] = '-';
        ++i;
    } else if (s.front() == u'+') {
        ++i;
    }

    int intDigits = 0;
    int groupDigits = -1;  // digits since the last group separator; -1: none seen
    bool grouped = false;
    int significant = 0;
    while (i < s.size()) {
        if (isDigit(s[i])) {
            if (significant || s[i] != u'0')
                ++significant;
            buf[n++] = significant > 15 ? '0' : static_cast<char>(s[i].unicode());
            ++intDigits;
            if (groupDigits >= 0 && ++groupDigits > 3)
                return false;
            ++i;
        } else if (startsWith(s, i, cv.groupSeparator)) {
            // Groups of exactly three, after a first group of one to three.
            if (intDigits == 0 || (groupDigits >= 0 && groupDigits != 3)
                || (groupDigits < 0 && intDigits > 3))
                return false;
            groupDigits = 0;
            grouped = true;
            i += cv.groupSeparator.size();
        } else {
            break;
        }
    }
    if (grouped && groupDigits != 3)
        return false;

    int fracDigits = 0;
    bool point = false;
    if (i < s.size() && startsWith(s, i, cv.decimalPoint)) {
        point = true;
        buf[n++] = '.';
        i += cv.decimalPoint.size();
        while (i < s.size() && isDigit(s[i])) {
            if (significant || s[i] != u'0')
                ++significant;
            buf[n++] = significant > 15 ? '0' : static_cast<char>(s[i].unicode());
            ++fracDigits;
            ++i;
        }
    }
    if (i != s.size() || intDigits + fracDigits == 0)
        return false;

    double v = 0;
    const auto res = std::from_chars(buf, buf + n, v);
    if (res.ec != std::errc() || res.ptr != buf + n)
        return false;
    out.kind = Kind::Number;
    out.number = v == 0 ? 0.0 : v;  // no negative zero
    out.format = !grouped ? NumberFormat::General
                 : point  ? NumberFormat::GroupedDecimals
                          : NumberFormat::Grouped;
    return true;
}

// Splits "15/05/2010" into its three digit fields; false unless the text is
// exactly three runs of digits joined by one and the same separator.
bool splitDate(QStringView s, QChar localSep, QStringView field[3])
{
    QChar sep;
    qsizetype start = 0;
    int f = 0;
    for (qsizetype i = 0; i <= s.size(); ++i) {
        if (i < s.size() && isDigit(s[i]))
            continue;
        if (i == start || f == 3)
            return false;
        field[f++] = s.mid(start, i - start);
        if (i == s.size())
            break;
        const QChar c = s[i];
        if (c != u'/' && c != u'-' && c != localSep)
            return false;
        if (sep.isNull())
            sep = c;
        else if (c != sep)
            return false;
        start = i + 1;
    }
    return f == 3;
}

bool parseDate(QStringView s, const Conventions& cv, Value& out)
{
    QStringView field[3];
    if (!splitDate(s, cv.dateSeparator, field))
        return false;
    int d, m;
    QStringView y;
    if (field[0].size() == 4 || cv.dateOrder == DateOrder::YearMonthDay) {
        y = field[0];
        m = field[1].toInt();
        d = field[2].toInt();
        if (field[1].size() > 2 || field[2].size() > 2)
            return false;
    } else {
        const bool dayFirst = cv.dateOrder == DateOrder::DayMonthYear;
        d = field[dayFirst ? 0 : 1].toInt();
        m = field[dayFirst ? 1 : 0].toInt();
        y = field[2];
        if (field[0].size() > 2 || field[1].size() > 2)
            return false;
    }
    int year = y.toInt();
    if (y.size() == 2)
        year += year < 30 ? 2000 : 1900;
    else if (y.size() != 4 || year < 1900)
        return false;
    const QDate date(year, m, d);
    if (!date.isValid())
        return false;
    // Day 1 is 1 January 1900; the spreadsheet counts a 29 February 1900
    // that never was, so days from March 1900 on are one further.
    static const qint64 epoch = QDate(1899, 12, 30).toJulianDay();
    qint64 serial = date.toJulianDay() - epoch;
    if (date < QDate(1900, 3, 1))
        serial -= 1;
    out.kind = Kind::Date;
    out.number = static_cast<double>(serial);
    out.format = NumberFormat::Date;
    return true;
}

}

Conventions Conventions::of(const QLocale& locale)
{
    Conventions cv;
    cv.decimalPoint = locale.decimalPoint();
    cv.groupSeparator = locale.groupSeparator();
    cv.negativeSign = locale.negativeSign();

    const QString f = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype d = f.indexOf(u'd'), m = f.indexOf(u'M'), y = f.indexOf(u'y');
    if (d >= 0 && m >= 0 && y >= 0) {
        if (y < m && y < d)
            cv.dateOrder = DateOrder::YearMonthDay;
        else if (m < d)
            cv.dateOrder = DateOrder::MonthDayYear;
        else
            cv.dateOrder = DateOrder::DayMonthYear;
        const qsizetype first = std::min({d, m, y});
        qsizetype i = first;
        while (i < f.size() && f[i] == f[first])
            ++i;
        if (i < f.size() && !f[i].isLetterOrNumber() && f[i] != u' ')
            cv.dateSeparator = f[i];
    }
    return cv;
}

Value interpret(QStringView text, const Conventions& cv)
{
    Value v;
    if (text.isEmpty())
        return v;
    if (text.front() == u'\'') {
        v.kind = Kind::Text;
        v.text = text.mid(1);
        return v;
    }
    const QStringView core = trimBlanks(text);
    // Cheap first look: whatever is typed as a number or date starts with a
    // digit, a sign or the decimal point.
    if (!core.isEmpty()) {
        const QChar c = core.front();
        if (isDigit(c) || c == u'-' || c == u'+' || startsWith(core, 0, cv.negativeSign)
            || startsWith(core, 0, cv.decimalPoint)) {
            if (parseNumber(core, cv, v) || parseDate(core, cv, v))
                return v;
        }
    }
    v.kind = Kind::Text;
    v.text = text;
    return v;
}

}
