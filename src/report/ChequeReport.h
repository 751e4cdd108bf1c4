#pragma once

#include "ReportSelection.h"

#include <QString>

class Query;
class TextGrid;

// One show-data run of the report: sets the grid up, runs the report statement
// on the window's query and fills the grid, one row per invoice line, the
// cheque's own columns on its first line only.
class ChequeReport {
public:
    struct Outcome {
        int lines = 0;      // result rows written (grid rows 1 .. lines); 0: nothing found
        double total = 0;   // "Total To Be Paid" summed once per cheque listed
        QString totalText;  // the total as the total box shows it
    };

    // A statement the database refuses throws DatabaseError; the grid then
    // keeps its header row and what it held before. When nothing is found the
    // grid is left with the header row and one empty row.
    static Outcome run(Query& query, TextGrid& grid, const ReportSelection& selection);
};
