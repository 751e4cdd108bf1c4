#include "ColumnLimits.h"

namespace ColumnLimits {

namespace {
constexpr int K = kKeyLength;
constexpr int F = kFree;
}  // namespace

const std::vector<Column>& all()
{
    static const std::vector<Column> columns = {
        {"TSQ_Cheque_Temp", "Cheque_PK", K},
        {"TSQ_Cheque_Temp", "Invoice_No", F},

        {"TSQ_Cheque_Main", "Cheque_PK", K},
        {"TSQ_Cheque_Main", "Profit_Center_Code", K},
        {"TSQ_Cheque_Main", "Deka_Creat_date", F},
        {"TSQ_Cheque_Main", "Deka_Receipt_Date", F},
        {"TSQ_Cheque_Main", "Payment_Method", F},
        {"TSQ_Cheque_Main", "Deka_Number", K},
        {"TSQ_Cheque_Main", "Clearing_Document", F},
        {"TSQ_Cheque_Main", "Clearing_Date", F},
        {"TSQ_Cheque_Main", "Check_No", K},
        {"TSQ_Cheque_Main", "Vendor_no", F},
        {"TSQ_Cheque_Main", "Vendor_Name", F},
        {"TSQ_Cheque_Main", "Delivery_Mode", F},
        {"TSQ_Cheque_Main", "Tax_Number", F},
        {"TSQ_Cheque_Main", "Data_Status", F},
        {"TSQ_Cheque_Main", "Cheque_Reference_Document_Type", F},
        {"TSQ_Cheque_Main", "Invoice_No", F},
        {"TSQ_Cheque_Main", "vendor_name_recmoney", F},

        {"TSQ_Cheque_Detail", "Cheque_PK", K},
        {"TSQ_Cheque_Detail", "Pstng_Date", F},
        {"TSQ_Cheque_Detail", "DocumentNo", F},
        {"TSQ_Cheque_Detail", "Description", F},
        {"TSQ_Cheque_Detail", "Fund", F},

        {"TSQR_Profit_Center", "Profit_Center_Code", K},
        {"TSQR_Profit_Center", "Profit_Center_Name", F},
        {"TSQR_Profit_Center", "Profit_Center_Lacation_Rec_Cheque", F},

        // The ledger: searched by file and login name, looked up by the hash.
        {"TSQ_Import_Log", "Login_Name", K},
        {"TSQ_Import_Log", "Workstation_Name", F},
        {"TSQ_Import_Log", "File_Name", K},
        {"TSQ_Import_Log", "File_SHA256", 64},
        {"TSQ_Import_Log", "Reconciled", 10},
    };
    return columns;
}

int length(const QString& table, const QString& column)
{
    for (const Column& c : all())
        if (table.compare(QLatin1String(c.table), Qt::CaseInsensitive) == 0
            && column.compare(QLatin1String(c.column), Qt::CaseInsensitive) == 0)
            return c.length;
    return -1;
}

}
