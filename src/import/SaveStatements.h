#pragma once

#include <QString>

class ImportRow;
class Query;

namespace ImportLedger {
struct Row;
}

// Every statement of the save and of the staging-area flag, one function
// each. A function closes the query, clears its statement and adds the lines;
// the caller opens it (a look-up) or executes it. The save, the flag and the
// tests all build their statements here, so what the tests check is what the
// program sends.
//
// The per-row statements take their values from the current row of the
// import grid; text values are bound as quoted text, never spliced.
namespace SaveStatements {

// The staging-area flag.
void flagRead(Query& q);
// Sets "*" only where the flag is not "*" already, so a take can tell by the
// rows changed whether it got the flag.
void flagTakeWhileFree(Query& q);
// Sets "*" whatever the flag holds.
void flagTake(Query& q);
// The flag row itself, holding "*", for a table that lost its row.
void flagRowInsert(Query& q);
void flagRelease(Query& q);

// One grid row: its staging row, then the cheque header (looked up, then its
// tax number refreshed or the header created), the profit centre (looked up,
// added when new) and the invoice line (looked up, added when new).
void stagingRow(Query& q, ImportRow& row);
void chequeLookup(Query& q, ImportRow& row);
void taxNumberUpdate(Query& q, ImportRow& row);
void newCheque(Query& q, ImportRow& row);
void profitCentreLookup(Query& q, ImportRow& row);
void newProfitCentre(Query& q, ImportRow& row);
// Finds the line by cheque key, total amount as a number (so 500 and 500.00
// are one amount) and document number.
void invoiceLineLookup(Query& q, ImportRow& row);
void newInvoiceLine(Query& q, ImportRow& row);

// After the rows: the three sums of each cheque in the staging table, in key
// order (fields Cheque_PK, SumOfTotal_Amount, SumOfWHT_Amount, SumOfTo_Be_Paid),
// and their update of one cheque header. The sums are numbers as read.
void sumsPerCheque(Query& q);
void sumsUpdate(Query& q, const QString& total, const QString& wht, const QString& toBePaid,
                const QString& chequePk);
// Each cheque's distinct staging invoice numbers joined by ";" (fields
// Cheque_PK, Invoice_no), and the update of one header with its list.
void invoiceListsPerCheque(Query& q);
void invoiceListUpdate(Query& q, const QString& list, const QString& chequePk);

// The import ledger: the earlier saves of one file by its SHA-256, newest
// first, and the row a save writes, dated by the server.
void ledgerLookup(Query& q, const QString& sha256);
void ledgerInsert(Query& q, const ImportLedger::Row& row);

// Empties the staging table: at the save's start and end, and from the clear
// button (which words it over two lines).
void stagingEmpty(Query& q);
void stagingClear(Query& q);

}
