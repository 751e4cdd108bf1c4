#pragma once

#include <QDate>
#include <QString>

class Query;
class TextGrid;

// The ledger of imports as the ledger window lists it: newest first, chosen
// by part of the file or login name and by a date range, one grid row per
// save that committed.
namespace ImportLogQuery {

struct Filter {
    QString text;   // part of the file name or of the login name; empty: every row
    QDate from;     // first day, or invalid for no lower bound
    QDate to;       // last day, or invalid for no upper bound
};

// The ledger grid's columns.
enum Column : int {
    No = 0,
    ImportDate,
    Login,
    Workstation,
    FileName,
    FileSize,
    Sha256,
    LinesTaken,
    LinesPassedOver,
    ChequesNew,
    ChequesStored,
    InvoiceLinesAdded,
    InvoiceLinesStored,
    SumTotal,
    SumWht,
    SumToBePaid,
    Reconciled,
    kColumnCount
};
QString header(int column);

// The statement: every ledger row whose file or login name holds the text
// (the database's wildcards act as typed), newest first.
void select(Query& q, const QString& text);

// Runs the statement and fills the grid (header row, one row per save in
// the date range); returns the number of saves listed. The date range is
// applied to the server's date-time as read, on both databases alike.
int fill(Query& q, TextGrid& grid, const Filter& filter);

}
