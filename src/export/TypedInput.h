#pragma once

#include "XlsxWriter.h"

#include <QLocale>
#include <QString>
#include <QStringView>

// What a cell text becomes when it is typed into a spreadsheet cell: the
// exported grids hold text only, and their numbers and dates should arrive in
// the workbook as numbers and dates, as if the user had typed them.
namespace TypedInput {

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

// The user's conventions for reading typed numbers and dates.
struct Conventions {
    QString decimalPoint = QStringLiteral(".");
    QString groupSeparator = QStringLiteral(",");
    QString negativeSign = QStringLiteral("-");
    DateOrder dateOrder = DateOrder::DayMonthYear;
    QChar dateSeparator = u'/';

    // The order of day, month and year is the order in which they first
    // appear in the locale's short date format ("d/M/yy" gives day, month,
    // year); the separator is the first character after the first field.
    // A format without all three fields gives day, month, year.
    static Conventions of(const QLocale& locale);
};

enum class Kind { Empty, Text, Number, Date };

struct Value {
    Kind kind = Kind::Empty;
    double number = 0;   // a Number, or a Date as the spreadsheet's day serial
    XlsxWriter::NumberFormat format = XlsxWriter::NumberFormat::General;
    QStringView text;    // a Text: what the cell shows (a view into the input)
};

// Decides, as typing would:
// - empty text: nothing;
// - a leading apostrophe: text, shown without the apostrophe ("'0012" -> 0012);
// - a number in the user's notation, surrounding blanks ignored: a number
//   ("0123456789" -> 123456789, "-15"); with thousands separators it is shown
//   with them ("1,234.50" -> 1234.5 as #,##0.00); digits past the fifteenth
//   significant one turn into zeros, as the spreadsheet keeps only fifteen;
// - a date of three numeric fields in the user's day/month/year order,
//   separated by "/", "-" or the locale's own date separator, years of two
//   digits (00-29 -> 20xx, 30-99 -> 19xx) or four (1900-9999); also year first
//   with a four-digit year (2010-05-15) in any locale: a date;
// - anything else, Thai included: the text as it stands. A text that begins
//   with "=" stays text as well: an exported grid must never turn cell data
//   into a formula.
Value interpret(QStringView text, const Conventions& conventions);

}
