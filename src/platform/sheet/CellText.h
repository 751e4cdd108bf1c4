#pragma once

#include <QString>

// How a cell's number becomes the text the import grid gets. Shared by the
// workbook reader and its tests; every function writes into the caller's
// buffer so that a read of many cells allocates nothing per cell.
namespace CellText {

// What a number format shows of a number: the number itself, or a point in
// time with its date, its time of day, or both.
// Elapsed is a duration in hours ([h]:mm:ss), which may pass 24.
enum class DateKind : unsigned char { None, Date, Time, DateTime, Elapsed };

// Integers below 10^15 as plain digits; other numbers in the shortest form
// that round-trips, at most 15 significant digits, "." as decimal point.
void setNumber(QString& text, double value);

// A date serial number of the workbook's date system as dd.mm.yyyy (Date),
// hh:mm:ss (Time), or dd.mm.yyyy with " hh:mm:ss" added when the time of day
// is not midnight (DateTime), or as hours:mm:ss counted from 0 (Elapsed). Computed, not counted, so any serial costs the
// same. The 1900 system keeps the spreadsheet's own fictitious 29.02.1900
// (serial 60) and its day 0 (00.01.1900). Returns false, leaving `text`
// alone, for a serial outside 00.01.1900 (01.01.1904) .. 31.12.9999.
bool setDate(QString& text, double serial, bool system1904, DateKind kind);

// What a number format string shows: a date, a time, both, or a number.
// Quoted text, escaped characters, colours, conditions and locale tags do not
// count; elapsed-time brackets ([h], [mm], [ss]) do. Thai format letters
// (ว ด ป ช น ท) and Buddhist-era years (bb) count as their Latin partners.
DateKind formatDateKind(QStringView format);

// The date kind of the formats a workbook need not spell out.
DateKind builtInDateKind(int formatIndex);

// A field of a form that carries no cell types (text, plain HTML) that is a
// number as a Thai user types one: optional sign, digits with optional ","
// groups of three, optional "." decimals, or SAP's trailing minus
// ("1,500.50-"); blanks around it allowed. Digit strings that start with 0
// (other than a lone 0 before the point) or hold more than 15 digits are not
// numbers: the spreadsheet program would drop the zero or the digits. True
// and the value when `field` is such a number.
bool parseTypedNumber(QStringView field, double& value);

// "K12" for row 12, column 11 (both 1-based); "R12C40000" for a column past
// the widest sheet.
QString cellName(int row, int col);

}
