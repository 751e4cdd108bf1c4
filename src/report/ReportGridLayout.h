#pragma once

#include <array>

class TextGrid;

// The report grid: 25 columns, row 0 the headers, one invoice line per further
// row. The grid export reads the grid as laid out here.
class ReportGridLayout {
public:
    static constexpr int kColumns = 25;
    // Columns 0 .. kFirstLineColumn - 1 describe the cheque and are written on
    // its first line only; the rest describe the invoice line, on every row.
    static constexpr int kFirstLineColumn = 18;

    enum class Shown {
        RowNumber,   // the grid row the cheque starts on, in decimal
        Text,        // the field's text as read
        First40,     // its first 40 characters
        First100,    // its first 100 characters
        Apostrophe,  // "'" + text: stays text (leading zeros, long digits) in the spreadsheet
        Amount,      // the number with thousands separators and two decimals
    };

    struct Column {
        const char* header;  // exactly as shown, trailing blanks included
        int width;           // pixels
        const char* field;   // source column of the report statement; nullptr for RowNumber
        Shown shown;
    };

    static const std::array<Column, kColumns>& columns();

    // Column count, two rows, the widths, and the headers in row 0.
    static void setUp(TextGrid& grid);
};
