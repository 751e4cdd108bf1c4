#pragma once

#include "ImportLedger.h"

#include <QSet>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

class ImportRow;
class Query;
class StagingFlag;
class TextGrid;
struct SheetSummary;

// Saves the import grid into the database: one staging row per grid row, the
// cheque header (created once, later only its tax number refreshed), new profit
// centres and new invoice lines; then the per-cheque sums and invoice lists from
// the staging rows, an empty staging table and a free flag.
//
// The flag take is committed on its own, so that every workstation sees "*";
// everything after it is one transaction, committed before the flag is freed.
// A failure rolls it back and frees the flag: nothing of the save remains and
// the same sheet can be saved again. A save that is killed leaves the flag
// taken and nothing else; the clear button frees it.
class ChequeSave {
public:
    enum class Outcome {
        NotRead,    // the grid does not hold a read sheet; nothing written
        Busy,       // another workstation holds the staging area; nothing written
        BadAmount,  // an amount the database would refuse; nothing written
        TooLong,    // a text longer than its column holds; nothing written
        Cancelled,  // the user did not confirm; nothing written
        Failed,     // the database refused part of it; nothing of it kept
        Saved,
        SavedFlagKept,  // saved, but the flag could not be freed afterwards
    };
    struct Result {
        Outcome outcome;
        QString message;  // what to tell the user; empty after a cancel
        // Said before the message, once per program run: the ledger table is
        // missing, and which script adds it. Empty otherwise.
        QString notice;
        // The ledger row written with a save that committed.
        std::optional<ImportLedger::Row> ledger;
    };

    // Where the grid came from and who saves it, for the ledger and the
    // checks before the save. Without a sheet, the ledger row is made from
    // the grid alone (no file, no totals row).
    struct Source {
        const SheetSummary* sheet = nullptr;
        QString login;
        QString workstation;  // the host name when empty
    };

    // What the window does while the save runs. Any hook may be left empty.
    struct Hooks {
        // Asked before the save's own confirmation when the sheet's totals do
        // not match, then when the ledger holds the file already; false stops
        // before the flag is taken. Without it both go on.
        std::function<bool(const QString& question)> confirmFirst;
        std::function<bool()> confirm;              // asked once the checks passed; false stops
        std::function<void(int rows)> started;      // the flag is taken; rows data rows follow
        std::function<void(int row)> rowStarted;    // grid row about to be written
        std::function<void(int row)> rowDone;       // grid row written
    };

    // queryA runs every statement, except the updates issued while queryA walks
    // a result, which run on queryB.
    ChequeSave(Query& queryA, Query& queryB);

    Result run(const TextGrid& grid, const Hooks& hooks, const Source& source);
    Result run(const TextGrid& grid, const Hooks& hooks);

    static QString confirmMessage();
    static QString savedMessage();
    static QString notReadMessage();
    // The first line of every failure's message.
    static QString nothingSavedMessage();
    // Added when the flag stayed taken after a failure or a save.
    static QString flagKeptMessage();

    // True when the grid has the import layout (a sheet has been read into it).
    static bool hasImportLayout(const TextGrid& grid);
    // A decimal number as the database converts it: optional sign, digits,
    // optional point and decimals, blanks around. No thousands separators.
    static bool isDecimalText(QStringView text);
    // The message for the first amount cell (columns 19 to 21) the database
    // would refuse; empty text when every amount is fine.
    static QString badAmountMessage(const TextGrid& grid);
    // The message for the first key or searched cell (cheque key, profit
    // centre code, Deka number, check number) longer than its column holds;
    // empty text when every one fits.
    static QString tooLongMessage(const TextGrid& grid);
    // Undoes the entity references that the database's XML concatenation puts
    // into an invoice list: &amp; &lt; &gt; &quot; &apos; &#NN; &#xHH;.
    static QString decodeXmlEntities(const QString& text);

    static constexpr int kInvoiceListMax = 180;

    // How long the flag take waits for another workstation's short write.
    static constexpr int kTakeWaitMs = 2000;

private:
    Result runSteps(const TextGrid& grid, const Hooks& hooks, const Source& source);
    Result writeAll(const TextGrid& grid, const Hooks& hooks, StagingFlag& flag, ImportLedger::Row* ledger);
    void writeRow(ImportRow& row, ImportLedger::Row* ledger);
    void writeSums();
    void writeInvoiceLists();
    void emptyStaging();

    Query& m_a;
    Query& m_b;
    QSet<QString> m_chequesSeen;
    QString m_notice;  // keys of this save, as the database compares them
};
