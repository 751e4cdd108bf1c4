#include "ImportGridLayout.h"

#include "TextGrid.h"

namespace {
const char* const kHeaders[ImportGridLayout::kColumnCount] = {
    "No. ",
    "Cheque_PK ",
    "Profit Center Code",
    "Profit Center",
    "Deka Creat",
    "Deka Recei",
    "Payment Method",
    "Deka Number",
    "Clearing Document",
    "Clearing Date",
    "Check No.",
    "Vendor",
    "Vendor Name",
    "Delivery Mode",
    "Tax Number",
    "Status",
    "Pstng Date",
    "DocumentNo",
    "Description",
    "Total Amou",
    "WHT Amount",
    "To Be Paid",
    "Fund",
    "Reference",
    "Reference(Invoice_No)",
    "เจ้าหนี้ผู้มีสิทธิรับเงิน (ตามหน้าเช็ค)",
};
}

QString ImportGridLayout::header(int column)
{
    if (column < 0 || column >= kColumnCount)
        return QString();
    return QString::fromUtf8(kHeaders[column]);
}

void ImportGridLayout::applyHeaders(TextGrid& grid)
{
    grid.setColCount(kColumnCount);
    if (grid.rowCount() < 1)
        grid.setRowCount(1);
    for (int c = 0; c < kWidthCount; ++c)
        grid.setColWidth(c, kWidths[c]);
    for (int c = 0; c < kColumnCount; ++c)
        grid.setCell(c, 0, header(c));
}
