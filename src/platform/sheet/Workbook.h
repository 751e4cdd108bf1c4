#pragma once

#include <QString>
#include <stdexcept>

// Read access to the first worksheet of a workbook file, cell by cell, with
// every cell reduced to text. Rows and columns are 1-based, as the sheet's own
// row numbers and column letters (A = 1).
//
// Cell to text: text as stored; integers as decimal digits; other numbers in
// the shortest form that round-trips, at most 15 significant digits, with "."
// as decimal point; dates as dd.mm.yyyy (the form the cheque export writes
// into text cells, so cheque keys come out the same either way); a formula as
// its last computed result, booleans as TRUE and FALSE; empty cells and cells
// outside the used range as empty text.
class Workbook {
public:
    // Opening or reading failed; the message says what went wrong and names the file.
    class Error : public std::runtime_error {
    public:
        explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
    };

    virtual ~Workbook() = default;

    // Opens the file and selects its first worksheet. Throws Error.
    virtual void open(const QString& path) = 0;
    virtual bool isOpen() const = 0;
    // Safe to call when nothing is open.
    virtual void close() = 0;

    // One past the last row and column of the first worksheet that hold a
    // value, as found in the file (never what the file declares): cells past
    // them are empty.
    virtual int rowCount() const = 0;
    virtual int colCount() const = 0;

    // Writes the text of cell (row, col) into `text`, reusing its storage, so
    // a read that visits every cell allocates nothing per cell. Throws Error,
    // naming the cell, when the cell holds an error value (#DIV/0! ...) or its
    // record is damaged.
    virtual void readCell(int row, int col, QString& text) const = 0;

    QString cellText(int row, int col) const
    {
        QString text;
        readCell(row, col, text);
        return text;
    }
};
