#pragma once

#include <QString>

class TextGrid;

// Column layout of the import grid: row 0 holds the headers, each further row
// one SAP payment line as text. The sheet read fills it; the save and the
// grid export read it by these column numbers.
struct ImportGridLayout {
    static constexpr int kColumnCount = 26;

    enum Column : int {
        No = 0,             // row number 1, 2, 3 ...
        ChequePk,           // cheque key: year "/" check number
        ProfitCenterCode,
        ProfitCenter,
        DekaCreat,
        DekaRecei,
        PaymentMethod,
        DekaNumber,
        ClearingDocument,
        ClearingDate,
        CheckNo,
        Vendor,
        VendorName,
        DeliveryMode,
        TaxNumber,
        Status,
        PstngDate,
        DocumentNo,
        Description,
        TotalAmou,
        WhtAmount,
        ToBePaid,
        Fund,
        Reference,
        InvoiceNo,
        Payee,
    };

    // Columns 0 .. kWidthCount-1 get the widths below from a read; the others
    // keep whatever width the user gave them.
    static constexpr int kWidthCount = 10;
    static constexpr int kWidths[kWidthCount] = {50, 120, 70, 60, 100, 100, 100, 100, 80, 80};

    // The header text of a column (two end with a blank: "No. ", "Cheque_PK ").
    // Empty text outside 0 .. kColumnCount-1.
    static QString header(int column);

    // The sheet column (1-based, C = 3) that feeds grid column `column` for
    // columns 2 to 25; 0 for the two built columns (No, ChequePk).
    static constexpr int sheetColumn(int column) { return column >= 2 && column < kColumnCount ? column + 1 : 0; }

    // Sets 26 columns, writes the headers into row 0 and sets the widths of
    // columns 0-9. Row count, other widths and cells of other rows are left alone.
    static void applyHeaders(TextGrid& grid);
};
