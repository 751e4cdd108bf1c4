#include "IsoDates.h"

#include <cmath>

namespace IsoDates {

namespace {

constexpr int kMaxYear = 999999;
// 1900-01-01 .. 10000-01-01 counted from 1899-12-30.
constexpr qint64 kFirst1900 = 2;
constexpr qint64 kLeapFiction = 61;  // 1900-03-01: from here on days and serials agree
constexpr qint64 kEnd = 2958466;
constexpr qint64 k1904 = 1462;       // 1904-01-01

bool isLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int monthDays(int y, int m)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Reads `count` digits (at least `count` when `more`) from text at i.
bool digits(QStringView t, qsizetype& i, int count, bool more, qint64& value)
{
    value = 0;
    int n = 0;
    while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128 && (more || n < count)) {
        if (n >= 12)
            return false;
        value = value * 10 + (t[i].unicode() - u'0');
        ++i;
        ++n;
    }
    return n >= count;
}

void put(QString& out, qint64 v, int width)
{
    out += QStringLiteral("%1").arg(v, width, 10, QLatin1Char('0'));
}

QString text(const DateTime& d, CellText::DateKind kind)
{
    QString out;
    qint64 s = std::llround(d.seconds);
    if (s >= 86400)
        s = 86399;
    if (kind != CellText::DateKind::Time) {
        put(out, d.day, 2);
        out += QLatin1Char('.');
        put(out, d.month, 2);
        out += QLatin1Char('.');
        if (d.year < 0)
            out += QLatin1Char('-');
        put(out, std::abs(d.year), 4);
        if (kind != CellText::DateKind::DateTime || s == 0)
            return out;
        out += QLatin1Char(' ');
    }
    put(out, s / 3600, 2);
    out += QLatin1Char(':');
    put(out, s / 60 % 60, 2);
    out += QLatin1Char(':');
    put(out, s % 60, 2);
    return out;
}

}

qint64 daysFrom18991230(int year, int month, int day)
{
    // Howard Hinnant's days_from_civil, counted from 1970-01-01 and moved.
    qint64 y = year - (month <= 2 ? 1 : 0);
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;
}

DateTime fromDays(double days)
{
    DateTime out;
    const double whole = std::floor(days);
    out.seconds = (days - whole) * 86400.0;
    out.hasTime = out.seconds != 0;
    qint64 z = static_cast<qint64>(whole) - 25569 + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = static_cast<int>(yoe + era * 400 + (out.month <= 2 ? 1 : 0));
    return out;
}

bool parseDate(QStringView t, DateTime& out)
{
    t = t.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    qint64 y = 0, m = 0, d = 0;
    if (!digits(t, i, 4, true, y) || y > kMaxYear || i >= t.size() || t[i++] != u'-')
        return false;
    if (!digits(t, i, 2, false, m) || i >= t.size() || t[i++] != u'-' || !digits(t, i, 2, false, d))
        return false;
    out = DateTime();
    out.year = static_cast<int>(negative ? -y : y);
    out.month = static_cast<int>(m);
    out.day = static_cast<int>(d);
    if (m < 1 || m > 12 || d < 1 || (d > monthDays(out.year, out.month) && !(out.year == 1900 && m == 2 && d == 29)))
        return false;
    if (i == t.size())
        return true;
    if (t[i] != u'T')
        return false;
    ++i;
    qint64 hh = 0, mm = 0, ss = 0;
    if (!digits(t, i, 2, false, hh) || i >= t.size() || t[i++] != u':' || !digits(t, i, 2, false, mm))
        return false;
    double seconds = 0;
    if (i < t.size() && t[i] == u':') {
        ++i;
        if (!digits(t, i, 2, false, ss))
            return false;
        seconds = static_cast<double>(ss);
        if (i < t.size() && (t[i] == u'.' || t[i] == u',')) {
            ++i;
            double scale = 0.1;
            const qsizetype start = i;
            while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128) {
                seconds += scale * (t[i].unicode() - u'0');
                scale /= 10;
                ++i;
            }
            if (i == start)
                return false;
        }
    }
    // A zone is ignored: the sheet shows the time as it was written.
    if (i < t.size()) {
        if (t[i] == u'Z' && i + 1 == t.size()) {
            ++i;
        } else if (t[i] == u'+' || t[i] == u'-') {
            ++i;
            qint64 zh = 0, zm = 0;
            if (!digits(t, i, 2, false, zh))
                return false;
            if (i < t.size() && t[i] == u':')
                ++i;
            if (i < t.size() && !digits(t, i, 2, false, zm))
                return false;
        }
    }
    if (i != t.size() || hh > 24 || mm > 59 || seconds >= 61 || (hh == 24 && (mm != 0 || seconds != 0)))
        return false;
    out.seconds = std::min(86399.999, static_cast<double>(hh * 3600 + mm * 60) + seconds);
    out.hasTime = true;
    return true;
}

bool parseDuration(QStringView t, double& days)
{
    t = t.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && t[i] == u'-') {
        negative = true;
        ++i;
    }
    if (i >= t.size() || t[i] != u'P')
        return false;
    ++i;
    bool inTime = false;
    bool any = false;
    double seconds = 0;
    while (i < t.size()) {
        if (t[i] == u'T') {
            if (inTime)
                return false;
            inTime = true;
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < t.size() && ((t[i].isDigit() && t[i].unicode() < 128) || t[i] == u'.'))
            ++i;
        if (i == start || i >= t.size() || i - start > 20)
            return false;
        bool ok = false;
        const double v = t.mid(start, i - start).toDouble(&ok);
        if (!ok)
            return false;
        const char16_t unit = t[i].unicode();
        ++i;
        any = true;
        if (!inTime && unit == u'D')
            seconds += v * 86400.0;
        else if (inTime && unit == u'H')
            seconds += v * 3600.0;
        else if (inTime && unit == u'M')
            seconds += v * 60.0;
        else if (inTime && unit == u'S')
            seconds += v;
        else
            return false;
    }
    if (!any || !std::isfinite(seconds))
        return false;
    days = (negative ? -seconds : seconds) / 86400.0;
    return true;
}

void addDate(SheetCells& cells, int row, int col, const DateTime& date, CellText::DateKind kind, bool excelDayZero)
{
    using K = CellText::DateKind;
    const double fraction = date.seconds / 86400.0;
    const bool feb29 = date.year == 1900 && date.month == 2 && date.day == 29;
    const qint64 days = feb29 ? 60 : daysFrom18991230(date.year, date.month, date.day);
    qint64 serial = -1;
    if (cells.system1904) {
        if (!feb29 && days >= k1904 && days < kEnd)
            serial = days - k1904;
    } else if (feb29 || days >= kLeapFiction) {
        serial = days < kEnd ? days : -1;
    } else if (days >= kFirst1900) {
        serial = days - 1;
    } else if (excelDayZero && days == 1) {
        serial = 0;
    }
    if (kind == K::Time) {
        cells.addNumber(row, col, fraction, K::Time);
        return;
    }
    if (serial >= 0) {
        cells.addNumber(row, col, static_cast<double>(serial) + fraction, kind);
        return;
    }
    cells.addText(row, col, text(date, kind == K::Elapsed ? K::DateTime : kind));
}

}
