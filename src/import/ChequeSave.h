#pragma once

#include <QString>
#include <QStringView>
#include <functional>

class ImportRow;
class Query;
class StagingFlag;
class TextGrid;

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
        Cancelled,  // the user did not confirm; nothing written
        Failed,     // the database refused part of it; nothing of it kept
        Saved,
        SavedFlagKept,  // saved, but the flag could not be freed afterwards
    };
    struct Result {
        Outcome outcome;
        QString message;  // what to tell the user; empty after a cancel
    };

    // What the window does while the save runs. Any hook may be left empty.
    struct Hooks {
        std::function<bool()> confirm;              // asked once the checks passed; false stops
        std::function<void(int rows)> started;      // the flag is taken; rows data rows follow
        std::function<void(int row)> rowStarted;    // grid row about to be written
        std::function<void(int row)> rowDone;       // grid row written
    };

    // queryA runs every statement, except the updates issued while queryA walks
    // a result, which run on queryB.
    ChequeSave(Query& queryA, Query& queryB);

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
    // Undoes the entity references that the database's XML concatenation puts
    // into an invoice list: &amp; &lt; &gt; &quot; &apos; &#NN; &#xHH;.
    static QString decodeXmlEntities(const QString& text);

    static constexpr int kInvoiceListMax = 180;

    // How long the flag take waits for another workstation's short write.
    static constexpr int kTakeWaitMs = 2000;

private:
    Result writeAll(const TextGrid& grid, const Hooks& hooks, StagingFlag& flag);
    void writeRow(ImportRow& row);
    void writeSums();
    void writeInvoiceLists();
    void emptyStaging();

    Query& m_a;
    Query& m_b;
};
