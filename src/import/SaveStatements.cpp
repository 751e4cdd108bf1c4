#include "SaveStatements.h"

#include "ImportGridLayout.h"
#include "ImportLedger.h"
#include "ImportRow.h"
#include "Query.h"
#include "SheetSummary.h"

namespace SaveStatements {

namespace {

using L = ImportGridLayout;

SqlText T(const QString& v)
{
    return SqlText{v};
}

SqlNumber N(const QString& v)
{
    return SqlNumber{v};
}

SqlNumber N(qint64 v)
{
    return SqlNumber{QString::number(v)};
}

void start(Query& q)
{
    q.close();
    q.clear();
}

}  // namespace

void flagRead(Query& q)
{
    start(q);
    q.addLine({"SELECT Is_User_Temp"});
    q.addLine({"FROM TSQ_IsUse_Data_Temp"});
}

void flagTakeWhileFree(Query& q)
{
    start(q);
    q.addLine({"UPDATE TSQ_IsUse_Data_Temp"});
    q.addLine({"SET Is_User_Temp = '*'"});
    q.addLine({"WHERE (Is_User_Temp IS NULL OR Is_User_Temp <> '*')"});
}

void flagTake(Query& q)
{
    start(q);
    q.addLine({"UPDATE TSQ_IsUse_Data_Temp"});
    q.addLine({"SET Is_User_Temp = '*'"});
}

void flagRowInsert(Query& q)
{
    start(q);
    q.addLine({"INSERT INTO TSQ_IsUse_Data_Temp (Is_User_Temp)"});
    q.addLine({"VALUES ('*')"});
}

void flagRelease(Query& q)
{
    start(q);
    q.addLine({"UPDATE TSQ_IsUse_Data_Temp"});
    q.addLine({"SET Is_User_Temp = ''"});
}

void stagingRow(Query& q, ImportRow& r)
{
    start(q);
    q.addLine({"INSERT INTO TSQ_Cheque_Temp"});
    q.addLine({"(Cheque_PK, Total_Amount, WHT_Amount"});
    q.addLine({", To_Be_Paid,Invoice_No)"});
    q.addLine({"VALUES"});
    q.addLine({"(", T(r.cell(L::ChequePk)), ",", T(r.cell(L::TotalAmou)), ",", T(r.cell(L::WhtAmount))});
    q.addLine({", ", T(r.cell(L::ToBePaid)), ",", T(r.cell(L::InvoiceNo)), ")"});
}

void chequeLookup(Query& q, ImportRow& r)
{
    start(q);
    q.addLine({"Select *"});
    q.addLine({"FROM TSQ_Cheque_Main"});
    q.addLine({"Where Cheque_PK =", T(r.cell(L::ChequePk))});
}

void taxNumberUpdate(Query& q, ImportRow& r)
{
    start(q);
    q.addLine({"UPDATE TSQ_Cheque_Main"});
    q.addLine({"Set Tax_Number=", T(r.cell(L::TaxNumber))});
    q.addLine({"Where Cheque_PK =", T(r.cell(L::ChequePk))});
}

void newCheque(Query& q, ImportRow& r)
{
    start(q);
    q.addLine({"INSERT INTO TSQ_Cheque_Main"});
    q.addLine({"(Cheque_PK, Profit_Center_Code, Deka_Creat_date"});
    q.addLine({", Deka_Receipt_Date, Payment_Method, Deka_Number"});
    q.addLine({", Clearing_Document, Clearing_Date, Check_No"});
    q.addLine({", Vendor_no, Vendor_Name, Delivery_Mode"});
    q.addLine({", Tax_Number, Data_Status, Cheque_Reference_Document_Type "});
    q.addLine({",Invoice_No,vendor_name_recmoney)"});
    q.addLine({"VALUES"});
    q.addLine({"(", T(r.cell(L::ChequePk)), ", ", T(r.cell(L::ProfitCenterCode)), ",", T(r.cell(L::DekaCreat))});
    q.addLine({",", T(r.cell(L::DekaRecei)), ", ", T(r.cell(L::PaymentMethod)), ",", T(r.cell(L::DekaNumber))});
    q.addLine({",", T(r.cell(L::ClearingDocument)), ", ", T(r.cell(L::ClearingDate)), ",", T(r.cell(L::CheckNo))});
    q.addLine({",", T(r.cell(L::Vendor)), ", ", T(r.cell(L::VendorName)), ",", T(r.cell(L::DeliveryMode))});
    q.addLine({",", T(r.cell(L::TaxNumber)), ", ", T(r.cell(L::Status)), ",", T(r.cell(L::Reference))});
    q.addLine({",", T(r.cell(L::InvoiceNo)), ", ", T(r.cell(L::Payee)), ")"});
}

void profitCentreLookup(Query& q, ImportRow& r)
{
    start(q);
    q.addLine({"Select *"});
    q.addLine({"FROM TSQR_Profit_Center"});
    q.addLine({"Where Profit_Center_Code =", T(r.cell(L::ProfitCenterCode))});
}

void newProfitCentre(Query& q, ImportRow& r)
{
    start(q);
    q.addLine({"INSERT INTO TSQR_Profit_Center"});
    q.addLine({"( Profit_Center_Code, Profit_Center_Name, Profit_Center_Lacation_Rec_Cheque )"});
    q.addLine({"VALUES"});
    q.addLine({"(", T(r.cell(L::ProfitCenterCode)), ",", T(r.cell(L::ProfitCenter)), ",",
               T(r.cell(L::ProfitCenter)), ")"});
}

void invoiceLineLookup(Query& q, ImportRow& r)
{
    // The document number is part of the line's identity: two invoices of
    // one cheque may well carry equal amounts.
    start(q);
    q.addLine({"Select *"});
    q.addLine({"FROM TSQ_Cheque_Detail"});
    q.addLine({"Where Cheque_PK =", T(r.cell(L::ChequePk))});
    q.addLine({"and Total_Amount=", N(Query::numberText(r.cell(L::TotalAmou).trimmed().toDouble()))});
    q.addLine({"and DocumentNo=", T(r.cell(L::DocumentNo))});
}

void newInvoiceLine(Query& q, ImportRow& r)
{
    start(q);
    q.addLine({"INSERT INTO TSQ_Cheque_Detail"});
    q.addLine({"( Cheque_PK, Pstng_Date, DocumentNo"});
    q.addLine({", Description, Total_Amount, WHT_Amount"});
    q.addLine({", To_Be_Paid, Fund)"});
    q.addLine({"VALUES"});
    q.addLine({"(", T(r.cell(L::ChequePk)), ",", T(r.cell(L::PstngDate)), ",", T(r.cell(L::DocumentNo))});
    q.addLine({", ", T(r.cell(L::Description)), ",", T(r.cell(L::TotalAmou)), ",", T(r.cell(L::WhtAmount))});
    q.addLine({",", T(r.cell(L::ToBePaid)), ",", T(r.cell(L::Fund)), ")"});
}

void sumsPerCheque(Query& q)
{
    start(q);
    q.addLine({"SELECT TSQ_Cheque_Temp.Cheque_PK, Sum(TSQ_Cheque_Temp.Total_Amount) AS SumOfTotal_Amount"});
    q.addLine({", Sum(TSQ_Cheque_Temp.WHT_Amount) AS SumOfWHT_Amount"});
    q.addLine({", Sum(TSQ_Cheque_Temp.To_Be_Paid) AS SumOfTo_Be_Paid"});
    q.addLine({"FROM TSQ_Cheque_Temp"});
    q.addLine({"GROUP BY TSQ_Cheque_Temp.Cheque_PK"});
    q.addLine({"ORDER BY TSQ_Cheque_Temp.Cheque_PK"});
}

void sumsUpdate(Query& q, const QString& total, const QString& wht, const QString& toBePaid,
                const QString& chequePk)
{
    start(q);
    q.addLine({"UPDATE TSQ_Cheque_Main"});
    q.addLine({"SET Sum_Total_Amount =", N(total)});
    q.addLine({", Sum_WHT_Amount =", N(wht)});
    q.addLine({", Sum_To_Be_Paid =", N(toBePaid)});
    q.addLine({"WHERE  Cheque_PK =", T(chequePk)});
}

void invoiceListsPerCheque(Query& q)
{
    start(q);
    q.addLine({"SELECT Main.Cheque_PK,"});
    q.addLine({"LEFT(Main.TSQ_Cheque_Temp,Len(TSQ_Cheque_Temp)-1) As \"Invoice_no\""});
    q.addLine({"FROM"});
    q.addLine({" ("});
    q.addLine({"SELECT DISTINCT ST2.Cheque_PK,"});
    q.addLine({"("});
    q.addLine({"SELECT DISTINCT ST1.Invoice_No + ';' AS [text()]"});
    q.addLine({"FROM TSQ_Cheque_Temp ST1"});
    q.addLine({"WHERE ST1.Cheque_PK = ST2.Cheque_PK"});
    q.addLine({"FOR XML PATH ('')"});
    q.addLine({") [TSQ_Cheque_Temp]"});
    q.addLine({"FROM TSQ_Cheque_Temp ST2"});
    q.addLine({") [Main]"});
}

void invoiceListUpdate(Query& q, const QString& list, const QString& chequePk)
{
    start(q);
    q.addLine({"UPDATE TSQ_Cheque_Main"});
    q.addLine({"SET Invoice_No =", T(list)});
    q.addLine({"WHERE  Cheque_PK =", T(chequePk)});
}

void ledgerLookup(Query& q, const QString& sha256)
{
    start(q);
    q.addLine({"SELECT Import_Date, Login_Name, Workstation_Name, File_Name, File_Size, File_SHA256"});
    q.addLine({", Lines_Taken, Lines_Passed_Over, Cheques_New, Cheques_Stored"});
    q.addLine({", Invoice_Lines_Added, Invoice_Lines_Stored"});
    q.addLine({", Sum_Total_Amount, Sum_WHT_Amount, Sum_To_Be_Paid, Reconciled"});
    q.addLine({"FROM TSQ_Import_Log"});
    q.addLine({"WHERE File_SHA256 =", T(sha256)});
    q.addLine({"ORDER BY Import_Date DESC"});
}

void ledgerInsert(Query& q, const ImportLedger::Row& r)
{
    start(q);
    q.addLine({"INSERT INTO TSQ_Import_Log"});
    q.addLine({"(Import_Date, Login_Name, Workstation_Name, File_Name, File_Size, File_SHA256"});
    q.addLine({", Lines_Taken, Lines_Passed_Over, Cheques_New, Cheques_Stored"});
    q.addLine({", Invoice_Lines_Added, Invoice_Lines_Stored"});
    q.addLine({", Sum_Total_Amount, Sum_WHT_Amount, Sum_To_Be_Paid, Reconciled)"});
    q.addLine({"VALUES"});
    q.addLine({"(Getdate(), ", T(r.login), ", ", T(r.workstation), ", ", T(r.fileName), ", ", N(r.fileSize), ", ",
               T(r.sha256)});
    q.addLine({", ", N(r.linesTaken), ", ", N(r.linesPassedOver), ", ", N(r.chequesNew), ", ", N(r.chequesStored)});
    q.addLine({", ", N(r.invoiceLinesAdded), ", ", N(r.invoiceLinesStored)});
    q.addLine({", ", N(SheetSummary::decimalText(r.sumTotal)), ", ", N(SheetSummary::decimalText(r.sumWht)), ", ",
               N(SheetSummary::decimalText(r.sumToBePaid)), ", ", T(r.reconciled), ")"});
}

void stagingEmpty(Query& q)
{
    start(q);
    q.addLine({"Delete from TSQ_Cheque_Temp"});
}

void stagingClear(Query& q)
{
    start(q);
    q.addLine({"Delete"});
    q.addLine({"FROM TSQ_Cheque_Temp"});
}

}
