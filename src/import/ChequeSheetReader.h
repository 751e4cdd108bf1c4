#pragma once

#include <QString>
#include <stdexcept>

class TextGrid;
class Workbook;

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
int readChequeSheet(const QString& path, TextGrid& grid);

// The same from a workbook already open, which is closed afterwards.
int readChequeSheet(Workbook& book, TextGrid& grid);
