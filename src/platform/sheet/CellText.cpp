#include "CellText.h"

#include "ColumnLetters.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace CellText {

namespace {

void setLatin1(QString& text, const char* begin, const char* end)
{
    text.resize(end - begin);
    QChar* out = text.data();
    for (const char* p = begin; p != end; ++p)
        *out++ = QLatin1Char(*p);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian), in constant
// time; after H. Hinnant's public-domain algorithm.
void civilFromDays(long long z, int& y, int& m, int& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

void put2(QChar*& out, int v)
{
    *out++ = QChar('0' + v / 10);
    *out++ = QChar('0' + v % 10);
}

// Last serial of 31.12.9999 in each system.
constexpr double kLastSerial1900 = 2958465;
constexpr double kLastSerial1904 = 2957003;
// 30.12.1899 and 01.01.1904, in days since 1970-01-01.
constexpr long long kEpoch1900 = -25569;
constexpr long long kEpoch1904 = -24107;

}

void setNumber(QString& text, double value)
{
    char buf[32];
    std::to_chars_result r;
    // Whole numbers below 10^15 print as plain digits (no exponent, no ".0"):
    // check and tax numbers often arrive as numeric cells.
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value));
    else
        r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    setLatin1(text, buf, r.ptr);
}

bool setDate(QString& text, double serial, bool system1904, DateKind kind)
{
    if (!std::isfinite(serial) || serial < 0 || serial >= (system1904 ? kLastSerial1904 : kLastSerial1900) + 1)
        return false;
    if (kind == DateKind::Elapsed) {
        const long long total = std::llround(serial * 86400.0);
        char buf[32];
        const int n = std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
        setLatin1(text, buf, buf + n);
        return true;
    }
    long long day = static_cast<long long>(std::floor(serial));
    long long secs = std::llround((serial - static_cast<double>(day)) * 86400.0);
    if (secs >= 86400) {
        ++day;
        secs -= 86400;
    }
    int y = 0, m = 0, d = 0;
    if (system1904) {
        civilFromDays(kEpoch1904 + day, y, m, d);
    } else if (day == 0) {
        y = 1900, m = 1, d = 0;  // the spreadsheet's own "day 0"
    } else if (day == 60) {
        y = 1900, m = 2, d = 29;  // the 1900 leap day that never was, kept as the user sees it
    } else {
        // Before that day the 1900 system counts from 31.12.1899.
        civilFromDays(kEpoch1900 + day + (day < 60 ? 1 : 0), y, m, d);
    }
    if (y > 9999)
        return false;

    const bool withDate = kind != DateKind::Time;
    const bool withTime = kind == DateKind::Time || (kind == DateKind::DateTime && secs != 0);
    text.resize((withDate ? 10 : 0) + (withDate && withTime ? 1 : 0) + (withTime ? 8 : 0));
    QChar* out = text.data();
    if (withDate) {
        put2(out, d);
        *out++ = QChar('.');
        put2(out, m);
        *out++ = QChar('.');
        put2(out, y / 100);
        put2(out, y % 100);
        if (withTime)
            *out++ = QChar(' ');
    }
    if (withTime) {
        const int s = static_cast<int>(secs);
        put2(out, s / 3600);
        *out++ = QChar(':');
        put2(out, s / 60 % 60);
        *out++ = QChar(':');
        put2(out, s % 60);
    }
    return true;
}

DateKind formatDateKind(QStringView format)
{
    bool date = false;
    bool time = false;
    bool elapsed = false;
    bool month = false;  // "m" is a month unless hours or seconds stand beside it
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = format[i].unicode();
        switch (c) {
        case u'"': {
            const qsizetype close = format.indexOf(u'"', i + 1);
            i = close < 0 ? n : close;
            continue;
        }
        case u'\\':
        case u'_':
        case u'*':
            ++i;  // the next character is shown as it is, or is padding
            continue;
        case u'[': {
            const qsizetype close = format.indexOf(u']', i + 1);
            const QStringView inner = format.mid(i + 1, (close < 0 ? n : close) - i - 1);
            bool isElapsed = !inner.isEmpty();
            for (QChar ch : inner)
                isElapsed = isElapsed && QStringView(u"hHmMsS").contains(ch);
            if (isElapsed) {
                time = true;
                elapsed = elapsed || inner.front() == u'h' || inner.front() == u'H';
            }
            i = close < 0 ? n : close;
            continue;
        }
        case u';':
            // The first section decides, as it does for positive numbers.
            i = n;
            continue;
        default:
            break;
        }
        if ((c == u'G' || c == u'g') && format.mid(i, 7).compare(u"General", Qt::CaseInsensitive) == 0) {
            i += 6;
            continue;
        }
        switch (c) {
        case u'e': case u'E':
            // "E+" and "E-" are a scientific number's exponent; a lone "e" is the era year.
            if (i + 1 < n && (format[i + 1] == u'+' || format[i + 1] == u'-'))
                break;
            date = true;
            break;
        case u'y': case u'Y': case u'd': case u'D':
        case u'\u0E27': case u'\u0E1B':  // ว (day), ป (year)
            date = true;
            break;
        case u'b': case u'B':
            if (i + 1 < n && (format[i + 1] == u'b' || format[i + 1] == u'B'))
                date = true;
            break;
        case u'm': case u'M': case u'\u0E14':  // ด (month)
            month = true;
            break;
        case u'h': case u'H': case u's': case u'S':
        case u'\u0E0A': case u'\u0E19': case u'\u0E17':  // ช น ท (hour, minute, second)
            time = true;
            break;
        default:
            break;
        }
    }
    if (month && !time)
        date = true;
    if (elapsed && !date)
        return DateKind::Elapsed;
    if (date && time)
        return DateKind::DateTime;
    if (date)
        return DateKind::Date;
    if (time)
        return DateKind::Time;
    return DateKind::None;
}

DateKind builtInDateKind(int formatIndex)
{
    switch (formatIndex) {
    case 14: case 15: case 16: case 17:
    case 27: case 28: case 29: case 30: case 31: case 34: case 35: case 36:
    case 50: case 51: case 52: case 53: case 54: case 57: case 58:
    case 71: case 72: case 73: case 74: case 81:
        return DateKind::Date;
    case 46:
        return DateKind::Elapsed;
    case 18: case 19: case 20: case 21: case 32: case 33: case 45: case 47:
    case 55: case 56: case 75: case 76: case 78: case 79: case 80:
        return DateKind::Time;
    case 22: case 77:
        return DateKind::DateTime;
    default:
        return DateKind::None;
    }
}

bool parseTypedNumber(QStringView field, double& value)
{
    qsizetype i = 0;
    qsizetype n = field.size();
    while (i < n && field[i] == u' ')
        ++i;
    while (n > i && field[n - 1] == u' ')
        --n;
    if (i == n)
        return false;
    bool negative = false;
    if (field[i] == u'-' || field[i] == u'+') {
        negative = field[i] == u'-';
        ++i;
    } else if (field[n - 1] == u'-') {
        negative = true;  // SAP writes the sign after the amount
        --n;
    }
    // Digits of the whole part, with "," groups of three when any.
    char buf[40];
    int len = 0;
    int digits = 0;
    int groupRun = 0;     // digits since the last ","
    bool grouped = false;
    const qsizetype intBegin = i;
    for (; i < n; ++i) {
        const char16_t c = field[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (++digits > 15)
                return false;
            buf[len++] = static_cast<char>(c);
            ++groupRun;
            if (grouped && groupRun > 3)
                return false;
        } else if (c == u',') {
            // The first group holds one to three digits, every later one three.
            if (groupRun == 0 || (grouped ? groupRun != 3 : groupRun > 3))
                return false;
            grouped = true;
            groupRun = 0;
        } else {
            break;
        }
    }
    if (grouped && groupRun != 3)
        return false;
    const int wholeDigits = digits;
    if (wholeDigits > 1 && field[intBegin] == u'0')
        return false;  // a leading zero is part of a code, not of a number
    if (i < n && field[i] == u'.') {
        buf[len++] = '.';
        ++i;
        for (; i < n; ++i) {
            const char16_t c = field[i].unicode();
            if (c < u'0' || c > u'9')
                return false;
            if (++digits > 15)
                return false;
            buf[len++] = static_cast<char>(c);
        }
    }
    if (i != n || digits == 0)
        return false;
    double v = 0;
    const auto r = std::from_chars(buf, buf + len, v);
    if (r.ec != std::errc() || r.ptr != buf + len)
        return false;
    value = negative && v != 0 ? -v : v;
    return true;
}

QString cellName(int row, int col)
{
    // A damaged record can name a column no sheet has; it is still named.
    if (col < 1 || col > ColumnLetters::kMaxColumn)
        return QStringLiteral("R") + QString::number(row) + QStringLiteral("C") + QString::number(col);
    return ColumnLetters::name(col) + QString::number(row);
}

}
