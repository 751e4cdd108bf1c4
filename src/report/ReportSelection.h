#pragma once

#include <QString>

// What the user asked the report for: every cheque, or one selection by the
// text typed into the box beside the chosen radio button. The text is used
// exactly as typed: no trimming, no change of case.
struct ReportSelection {
    enum class Mode {
        All,         // every cheque that has at least one invoice line
        ChequeNo,    // Check_No equal to the text
        DekaNumber,  // Deka_Number equal to the text
        VendorName,  // Vendor_Name containing the text; % and _ typed act as wildcards
    };

    Mode mode = Mode::All;
    QString text;
};
