#pragma once

#include <QString>
#include <stdexcept>

class TextGrid;
class Workbook;
struct SheetSummary;

// A workbook that could not be read: what went wrong and which file.
class SheetReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the payment lines of a SAP cheque sheet (first worksheet, any form
// WorkbookFile reads) into
// the 26-column import grid layout. On success the grid holds the header row
// and one row per payment line taken, and the count of lines taken is returned
// (0: the grid holds the header row alone). On failure SheetReadError is thrown
// and the grid is left exactly as it was.
//
// With a summary, it also receives what the read found beside the grid
// (SheetSummary): the file's name, size and SHA-256 of the very bytes read,
// the rows passed over, the sums, the sheet's totals row, the cells the save
// would refuse. The file is read once either way.
int readChequeSheet(const QString& path, TextGrid& grid, SheetSummary* summary = nullptr);

// The same from a workbook already open, which is closed afterwards; the
// summary then names no file.
int readChequeSheet(Workbook& book, TextGrid& grid, SheetSummary* summary = nullptr);
