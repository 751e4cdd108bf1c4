#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

class AmountFormat;

// What a read of a cheque sheet found, beside the grid: the lines taken and
// the cheques they form, the rows passed over and why, the sheet's own totals
// row, and every cell the save would refuse. Amounts are summed exactly, in
// satang. Nothing here comes from the database.
struct SheetSummary {
    // Total Amount, WHT Amount and To Be Paid (sheet columns T, U, V), in satang.
    struct Amounts {
        qint64 total = 0;
        qint64 wht = 0;
        qint64 toBePaid = 0;
        Amounts& operator+=(const Amounts& o)
        {
            total += o.total;
            wht += o.wht;
            toBePaid += o.toBePaid;
            return *this;
        }
        friend Amounts operator+(Amounts a, const Amounts& b) { return a += b; }
        friend Amounts operator-(const Amounts& a, const Amounts& b)
        {
            return {a.total - b.total, a.wht - b.wht, a.toBePaid - b.toBePaid};
        }
        friend bool operator==(const Amounts&, const Amounts&) = default;
        bool isZero() const { return total == 0 && wht == 0 && toBePaid == 0; }
    };

    enum class Reason { NoCheckNo, NoProfitCentre, NoCheckNoNorProfitCentre };
    struct PassedOver {
        int sheetRow;
        Reason reason;
        Amounts amounts;  // amounts that are not numbers count as 0
    };
    // An amount of a line taken that is not a number.
    struct BadAmount {
        int sheetRow;
        int sheetColumn;  // 20 to 22 (T to V)
        QString text;
    };
    // A cell of a line taken that is longer than its column holds.
    struct TooLong {
        int sheetRow;
        int gridColumn;  // ImportGridLayout::Column
        int length;
        int limit;
    };
    enum class Reconciled { NoTotalsRow, Yes, No };

    // The file, as read: name without folder, size in bytes, SHA-256 in hex.
    QString fileName;
    qint64 fileSize = 0;
    QString sha256;

    int linesTaken = 0;
    int cheques = 0;
    Amounts taken;

    std::vector<PassedOver> passedOver;
    Amounts passed;

    // The row that ended the read, or the one right after it, when it holds
    // numbers in T, U and V.
    int totalsRow = 0;  // 0: none
    Amounts totals;

    std::vector<BadAmount> badAmounts;
    std::vector<TooLong> tooLong;

    Reconciled reconciled() const;
    // The sheet's totals less the lines taken and passed over.
    Amounts difference() const { return totals - (taken + passed); }
    // Whether the save would refuse the lines (a bad amount or a cell too long).
    bool refusesSave() const { return !badAmounts.empty() || !tooLong.empty(); }

    // The ledger's word for reconciled(): "yes", "no", "none".
    QString reconciledWord() const;

    // A decimal text (optional sign, digits, optional point and decimals,
    // blanks around; no separators, no exponent) in satang, rounded half away
    // from zero past the second decimal as a decimal(18,2) column stores it;
    // nothing for any other text or one beyond 18 digits.
    static std::optional<qint64> parseSatang(QStringView text);
    // Satang as the report shows amounts (1,234.50).
    static QString formatSatang(qint64 satang, const AmountFormat& format);
    // Satang as plain decimal text for a statement (1234.50, -0.01).
    static QString decimalText(qint64 satang);

    // The sheet column letter of a 1-based column number (T for 20).
    static QString columnLetter(int sheetColumn);
    static QString reasonText(Reason reason);

    // Built from a grid alone, for a save whose sheet is not at hand: the
    // lines, cheques and sums of the grid, no file and no totals row.
    static SheetSummary fromGrid(const class TextGrid& grid);
};
