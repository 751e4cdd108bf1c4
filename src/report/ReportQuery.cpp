#include "ReportQuery.h"

#include "Query.h"

void ReportQuery::prepare(Query& query, const ReportSelection& selection)
{
    query.close();
    query.clear();
    query.addLine({"SELECT TSQ_Cheque_Main.*, TSQ_Cheque_Detail.*, TSQ_Cheque_Main.Cheque_PK"});
    query.addLine({"FROM TSQ_Cheque_Main INNER JOIN TSQ_Cheque_Detail ON "
                   "TSQ_Cheque_Main.Cheque_PK = TSQ_Cheque_Detail.Cheque_PK"});
    switch (selection.mode) {
    case ReportSelection::Mode::ChequeNo:
        query.addLine({"And (Check_No=", SqlText{selection.text}, ")"});
        break;
    case ReportSelection::Mode::DekaNumber:
        query.addLine({"And (Deka_Number=", SqlText{selection.text}, ")"});
        break;
    case ReportSelection::Mode::VendorName:
        // The user's own % and _ stay wildcards: only quoting is taken care of.
        query.addLine({"And (Vendor_Name LIke ", SqlText{"%" + selection.text + "%"}, ")"});
        break;
    case ReportSelection::Mode::All:
        break;
    }
    query.addLine({"ORDER BY TSQ_Cheque_Main.Cheque_PK"});
}
