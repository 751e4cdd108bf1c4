#include "ReportGridLayout.h"

#include "TextGrid.h"

#include <QString>

const std::array<ReportGridLayout::Column, ReportGridLayout::kColumns>& ReportGridLayout::columns()
{
    using S = Shown;
    static const std::array<Column, kColumns> table{{
        {"No. ", 40, nullptr, S::RowNumber},
        {"Cheque_PK ", 100, "Cheque_PK", S::Text},
        {"Profit Center Code", 70, "Profit_Center_Code", S::First40},
        {"Deka Creat", 80, "Deka_Creat_date", S::Text},
        {"Deka Recei", 80, "Deka_Receipt_Date", S::Text},
        {"Payment Method", 80, "Payment_Method", S::Text},
        {"Deka Number", 110, "Deka_Number", S::Text},
        {"Clearing Document", 90, "Clearing_Document", S::Apostrophe},
        {"Clearing Date", 80, "Clearing_Date", S::First100},
        {"Check No.", 80, "Check_No", S::First100},
        {"Vendor", 80, "Vendor_no", S::Text},
        {"Vendor Name", 180, "Vendor_Name", S::Text},
        {"Delivery Mode", 80, "Delivery_Mode", S::Text},
        {"Tax Number", 80, "Tax_Number", S::Apostrophe},
        {"Status", 80, "Data_Status", S::Text},
        {"Total Money", 64, "Sum_Total_Amount", S::Amount},
        {"Total WHT", 64, "Sum_WHT_Amount", S::Amount},
        {"Total To Be Paid", 64, "Sum_To_Be_Paid", S::Amount},
        {"Pstng Date", 64, "Pstng_Date", S::Text},
        {"DocumentNo", 64, "DocumentNo", S::Apostrophe},
        {"Description", 180, "Description", S::Text},
        {"Total Amou", 64, "Total_Amount", S::Amount},
        {"WHT Amount", 64, "WHT_Amount", S::Amount},
        {"To Be Paid", 64, "To_Be_Paid", S::Amount},
        {"Fund", 64, "Fund", S::Apostrophe},
    }};
    return table;
}

void ReportGridLayout::setUp(TextGrid& grid)
{
    grid.setColCount(kColumns);
    grid.setRowCount(2);
    for (int c = 0; c < kColumns; ++c) {
        grid.setColWidth(c, columns()[c].width);
        grid.setCell(c, 0, QString::fromLatin1(columns()[c].header));
    }
}
