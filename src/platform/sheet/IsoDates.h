#pragma once

#include "SheetCells.h"

#include <QStringView>

// Dates and durations as XML forms write them ("2010-05-15T13:45:00.000",
// "PT13H45M00S"), and their place in a cell table: a serial of the sheet's
// date system where there is one, so that they read as the same date as a
// .xls of the same data.
namespace IsoDates {

struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    double seconds = 0;  // of the day, 0 <= seconds < 86400
    bool hasTime = false;
};

// "yyyy-mm-dd", optionally followed by "Thh:mm[:ss[.fff]]" and a zone
// ("Z", "+07:00"), which is ignored: the sheet shows the time as written.
// Years may have more than four digits or a sign. False for anything else or
// a day the month does not have (1900-02-29 is accepted: the spreadsheet's
// own calendar has it).
bool parseDate(QStringView text, DateTime& out);

// An xsd:duration ("PT13H45M00S", "P1DT2H", "-PT0.5S") in days. Years and
// months are refused: they have no fixed length.
bool parseDuration(QStringView text, double& days);

// Days from 1899-12-30 to the date, in the proleptic Gregorian calendar.
qint64 daysFrom18991230(int year, int month, int day);
// The date `days` after 1899-12-30 (fraction: time of day).
DateTime fromDays(double days);

// Adds the date as a cell of the given kind (Date, DateTime or Time). A date
// the sheet's date system can hold becomes a serial; one it cannot (before
// 1900, or 1904 in that system, or after 9999) becomes the text a date
// cell would read as, so nothing shows as a meaningless number.
// `excelDayZero`: 1899-12-31 is the spreadsheet's day 0 ("00.01.1900"), as
// the writer of XML Spreadsheet 2003 means it, not a day of 1899.
void addDate(SheetCells& cells, int row, int col, const DateTime& date, CellText::DateKind kind,
             bool excelDayZero = false);

}
