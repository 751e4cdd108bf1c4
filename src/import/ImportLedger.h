#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

class DatabaseError;
class Query;
struct SheetSummary;

// The ledger of imports, TSQ_Import_Log: one row per save that committed,
// written inside the save's transaction, so it lists every save that happened
// and no other. It answers who put a file in and when, and whether a file
// (by its SHA-256) has been put in before.
namespace ImportLedger {

struct Row {
    QDateTime when;  // the server's, set by the insert itself
    QString login;
    QString workstation;
    QString fileName;
    qint64 fileSize = 0;
    QString sha256;
    int linesTaken = 0;
    int linesPassedOver = 0;
    int chequesNew = 0;
    int chequesStored = 0;
    int invoiceLinesAdded = 0;
    int invoiceLinesStored = 0;
    qint64 sumTotal = 0;  // satang
    qint64 sumWht = 0;
    qint64 sumToBePaid = 0;
    QString reconciled;  // "yes", "no", "none"
};

// The earlier saves of a file by its hash, newest first; nothing when the
// database has no ledger table (a SQL Server catalogue not yet upgraded).
// Other failures throw DatabaseError.
std::optional<std::vector<Row>> savesOf(Query& q, const QString& sha256);

// Writes one row; the caller's transaction holds it.
void write(Query& q, const Row& row);

// Whether a failure says that the ledger table is not there.
bool isMissingTable(const DatabaseError& e);

// Told once when the ledger table is missing: which script the
// administrator must run.
QString missingTableMessage();

// The confirmation before saving a file the ledger already holds.
QString duplicateMessage(const std::vector<Row>& earlier);
// The confirmation before saving a sheet whose totals row does not match.
QString notReconciledMessage(const SheetSummary& sheet);

}
