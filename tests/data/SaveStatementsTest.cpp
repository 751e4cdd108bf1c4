#include "DatabaseError.h"
#include "Query.h"
#include "TestDatabase.h"

#include <gtest/gtest.h>

// The save's statements, as the import builds them, run on real rows of the
// embedded database: the adapter must give what SQL Server gives.
namespace {

struct Row {
    QString pk, total, wht, paid, invoice, taxNumber = "T1", profitCode = "PC1", docNo = "D1";
};

class SaveStatementsTest : public ::testing::Test {
protected:
    TestDatabase db;
    Query a{db.connection()};
    Query b{db.connection()};

    void start(Query& q)
    {
        q.close();
        q.clear();
    }

    void stage(const Row& r)
    {
        start(a);
        a.addLine({"INSERT INTO TSQ_Cheque_Temp"});
        a.addLine({"(Cheque_PK, Total_Amount, WHT_Amount"});
        a.addLine({", To_Be_Paid,Invoice_No)"});
        a.addLine({"VALUES"});
        a.addLine({"(", SqlText{r.pk}, ",", SqlText{r.total}, ",", SqlText{r.wht}});
        a.addLine({", ", SqlText{r.paid}, ",", SqlText{r.invoice}, ")"});
        a.execute();
    }

    int chequeLookup(const QString& pk)
    {
        start(a);
        a.addLine({"Select *"});
        a.addLine({"FROM TSQ_Cheque_Main"});
        a.addLine({"Where Cheque_PK =", SqlText{pk}});
        a.open();
        return a.recordCount();
    }

    void newCheque(const Row& r)
    {
        start(a);
        a.addLine({"INSERT INTO TSQ_Cheque_Main"});
        a.addLine({"(Cheque_PK, Profit_Center_Code, Deka_Creat_date"});
        a.addLine({", Deka_Receipt_Date, Payment_Method, Deka_Number"});
        a.addLine({", Clearing_Document, Clearing_Date, Check_No"});
        a.addLine({", Vendor_no, Vendor_Name, Delivery_Mode"});
        a.addLine({", Tax_Number, Data_Status, Cheque_Reference_Document_Type "});
        a.addLine({",Invoice_No,vendor_name_recmoney)"});
        a.addLine({"VALUES"});
        a.addLine({"(", SqlText{r.pk}, ", ", SqlText{r.profitCode}, ",", SqlText{"01.12.2026"}});
        a.addLine({",", SqlText{"02.12.2026"}, ", ", SqlText{"C"}, ",", SqlText{"DK-" + r.pk}});
        a.addLine({",", SqlText{"1500000001"}, ", ", SqlText{"07.12.2026"}, ",", SqlText{"CH" + r.pk}});
        a.addLine({",", SqlText{"V1"}, ", ", SqlText{"บริษัท ทดสอบ จำกัด"}, ",", SqlText{"M"}});
        a.addLine({",", SqlText{r.taxNumber}, ", ", SqlText{"S"}, ",", SqlText{"REF"}});
        a.addLine({",", SqlText{r.invoice}, ", ", SqlText{"ผู้รับเงิน"}, ")"});
        a.execute();
    }

    void taxUpdate(const Row& r)
    {
        start(a);
        a.addLine({"UPDATE TSQ_Cheque_Main"});
        a.addLine({"Set Tax_Number=", SqlText{r.taxNumber}});
        a.addLine({"Where Cheque_PK =", SqlText{r.pk}});
        a.execute();
    }

    void profitCentre(const Row& r)
    {
        start(a);
        a.addLine({"Select *"});
        a.addLine({"FROM TSQR_Profit_Center"});
        a.addLine({"Where Profit_Center_Code =", SqlText{r.profitCode}});
        a.open();
        if (a.recordCount() < 1) {
            start(a);
            a.addLine({"INSERT INTO TSQR_Profit_Center"});
            a.addLine({"( Profit_Center_Code, Profit_Center_Name, Profit_Center_Lacation_Rec_Cheque )"});
            a.addLine({"VALUES"});
            a.addLine({"(", SqlText{r.profitCode}, ",", SqlText{"ศูนย์"}, ",", SqlText{"ศูนย์"}, ")"});
            a.execute();
        }
    }

    int lineLookup(const Row& r)
    {
        start(a);
        a.addLine({"Select *"});
        a.addLine({"FROM TSQ_Cheque_Detail"});
        a.addLine({"Where Cheque_PK =", SqlText{r.pk}});
        a.addLine({"and Total_Amount=", SqlNumber{Query::numberText(r.total.trimmed().toDouble())}});
        a.addLine({"and DocumentNo=", SqlText{r.docNo}});
        a.open();
        return a.recordCount();
    }

    void newLine(const Row& r)
    {
        start(a);
        a.addLine({"INSERT INTO TSQ_Cheque_Detail"});
        a.addLine({"( Cheque_PK, Pstng_Date, DocumentNo"});
        a.addLine({", Description, Total_Amount, WHT_Amount"});
        a.addLine({", To_Be_Paid, Fund)"});
        a.addLine({"VALUES"});
        a.addLine({"(", SqlText{r.pk}, ",", SqlText{"03.12.2026"}, ",", SqlText{r.docNo}});
        a.addLine({", ", SqlText{"ค่าบริการ"}, ",", SqlText{r.total}, ",", SqlText{r.wht}});
        a.addLine({",", SqlText{r.paid}, ",", SqlText{"F1"}, ")"});
        a.execute();
    }

    void saveRow(const Row& r)
    {
        stage(r);
        if (chequeLookup(r.pk) >= 1)
            taxUpdate(r);
        else
            newCheque(r);
        profitCentre(r);
        if (lineLookup(r) < 1)
            newLine(r);
    }

    // Statements 11 and 12.
    void sums()
    {
        start(a);
        a.addLine({"SELECT TSQ_Cheque_Temp.Cheque_PK, Sum(TSQ_Cheque_Temp.Total_Amount) AS SumOfTotal_Amount"});
        a.addLine({", Sum(TSQ_Cheque_Temp.WHT_Amount) AS SumOfWHT_Amount"});
        a.addLine({", Sum(TSQ_Cheque_Temp.To_Be_Paid) AS SumOfTo_Be_Paid"});
        a.addLine({"FROM TSQ_Cheque_Temp"});
        a.addLine({"GROUP BY TSQ_Cheque_Temp.Cheque_PK"});
        a.addLine({"ORDER BY TSQ_Cheque_Temp.Cheque_PK"});
        a.open();
        while (!a.eof()) {
            start(b);
            b.addLine({"UPDATE TSQ_Cheque_Main"});
            b.addLine({"SET Sum_Total_Amount =", SqlNumber{a.fieldText("SumOfTotal_Amount")}});
            b.addLine({", Sum_WHT_Amount =", SqlNumber{a.fieldText("SumOfWHT_Amount")}});
            b.addLine({", Sum_To_Be_Paid =", SqlNumber{a.fieldText("SumOfTo_Be_Paid")}});
            b.addLine({"WHERE  Cheque_PK =", SqlText{a.fieldText("Cheque_PK")}});
            b.execute();
            a.next();
        }
    }

    // Statement 13, opened and left for the caller to walk.
    void openInvoiceLists()
    {
        start(a);
        a.addLine({"SELECT Main.Cheque_PK,"});
        a.addLine({"LEFT(Main.TSQ_Cheque_Temp,Len(TSQ_Cheque_Temp)-1) As \"Invoice_no\""});
        a.addLine({"FROM"});
        a.addLine({" ("});
        a.addLine({"SELECT DISTINCT ST2.Cheque_PK,"});
        a.addLine({"("});
        a.addLine({"SELECT DISTINCT ST1.Invoice_No + ';' AS [text()]"});
        a.addLine({"FROM TSQ_Cheque_Temp ST1"});
        a.addLine({"WHERE ST1.Cheque_PK = ST2.Cheque_PK"});
        a.addLine({"FOR XML PATH ('')"});
        a.addLine({") [TSQ_Cheque_Temp]"});
        a.addLine({"FROM TSQ_Cheque_Temp ST2"});
        a.addLine({") [Main]"});
        a.open();
    }

    QMap<QString, QString> invoiceLists()
    {
        openInvoiceLists();
        QMap<QString, QString> out;
        for (; !a.eof(); a.next()) {
            EXPECT_FALSE(out.contains(a.fieldText("Cheque_PK"))) << "two rows for one cheque";
            out.insert(a.fieldText("Cheque_PK"), a.fieldText("Invoice_no"));
        }
        return out;
    }
};

}  // namespace

TEST_F(SaveStatementsTest, FirstRowCreatesHeaderLaterRowsOnlyRefreshTaxNumber)
{
    saveRow({"2026/1", "100", "1", "99", "INV1", "TAX-A"});
    saveRow({"2026/1", "200", "2", "198", "INV2", "TAX-B", "PC1", "D2"});
    EXPECT_EQ(db.count("TSQ_Cheque_Main"), 1);
    EXPECT_EQ(db.scalar("SELECT Tax_Number FROM TSQ_Cheque_Main"), "TAX-B");
    EXPECT_EQ(db.scalar("SELECT Invoice_No FROM TSQ_Cheque_Main"), "INV1");
    EXPECT_EQ(db.scalar("SELECT Vendor_Name FROM TSQ_Cheque_Main"), "บริษัท ทดสอบ จำกัด");
    EXPECT_EQ(db.count("TSQR_Profit_Center"), 1);
    EXPECT_EQ(db.scalar("SELECT Profit_Center_Lacation_Rec_Cheque FROM TSQR_Profit_Center"), "ศูนย์");
    EXPECT_EQ(db.count("TSQ_Cheque_Detail"), 2);
    EXPECT_EQ(db.count("TSQ_Cheque_Temp"), 2);
}

TEST_F(SaveStatementsTest, EqualLineByAmountAndDocumentIsStoredOnce)
{
    saveRow({"2026/1", "500", "0", "500", "INV1"});
    saveRow({"2026/1", "500.00", "0", "500.00", "INV1"});  // same amount written differently
    saveRow({"2026/1", "1500.50", "0", "1500.50", "INV1", "T1", "PC1", "D9"});  // other document
    EXPECT_EQ(db.count("TSQ_Cheque_Detail"), 2);
    Row again{"2026/1", " 1500.5 ", "0", "0", "INV1", "T1", "PC1", "D9"};
    EXPECT_EQ(lineLookup(again), 1);
}

TEST_F(SaveStatementsTest, SumsPerChequeAreWrittenAsPlainNumbers)
{
    saveRow({"2026/2", "0.1", "0", "0.1", "A"});
    saveRow({"2026/2", "0.2", "0", "0.2", "B", "T1", "PC1", "D2"});
    saveRow({"2026/1", "1500.50", "15.25", "1485.25", "C"});
    saveRow({"2026/1", "-15.25", "0", "-15.25", "D", "T1", "PC1", "D2"});
    sums();
    // One row per key, in key order, sums read back as the text statement 12 writes.
    EXPECT_EQ(db.scalar("SELECT Sum_Total_Amount || '|' || Sum_WHT_Amount || '|' || Sum_To_Be_Paid FROM "
                        "TSQ_Cheque_Main WHERE Cheque_PK = '2026/1'"),
              "1485.25|15.25|1470.0");
    start(a);
    a.addLine({"Select * FROM TSQ_Cheque_Main"});
    a.addLine({"ORDER BY Cheque_PK"});
    a.open();
    EXPECT_EQ(a.fieldText("Sum_To_Be_Paid"), "1470");
    a.next();
    EXPECT_EQ(a.fieldText("Sum_Total_Amount"), "0.3");  // not 0.30000000000000004
}

TEST_F(SaveStatementsTest, InvoiceListHasDistinctEscapedValuesWithoutLastSeparator)
{
    saveRow({"2026/1", "1", "0", "1", "INV&1"});
    saveRow({"2026/1", "2", "0", "2", "INV<2>", "T1", "PC1", "D2"});
    saveRow({"2026/1", "3", "0", "3", "INV&1", "T1", "PC1", "D3"});
    saveRow({"2026/2", "4", "0", "4", "ใบแจ้งหนี้"});
    saveRow({"2026/3", "5", "0", "5", ""});
    const auto lists = invoiceLists();
    ASSERT_EQ(lists.size(), 3);
    EXPECT_EQ(lists.value("2026/1"), "INV&amp;1;INV&lt;2&gt;");
    EXPECT_EQ(lists.value("2026/2"), "ใบแจ้งหนี้");
    EXPECT_EQ(lists.value("2026/3"), "");  // ";" alone, its separator dropped
}

TEST_F(SaveStatementsTest, InvoiceListTreatsValuesDifferingInCaseAsOne)
{
    saveRow({"2026/1", "1", "0", "1", "inv1"});
    saveRow({"2026/1", "2", "0", "2", "INV1", "T1", "PC1", "D2"});
    saveRow({"2026/1", "2", "0", "2", "INV0", "T1", "PC1", "D3"});
    const QString list = invoiceLists().value("2026/1");
    EXPECT_EQ(list.split(';').size(), 2) << list.toStdString();
}

TEST_F(SaveStatementsTest, InvoiceListIsEmptyWithoutStagingRows)
{
    openInvoiceLists();
    EXPECT_EQ(a.recordCount(), 0);
    EXPECT_TRUE(a.eof());
}

TEST_F(SaveStatementsTest, InvoiceListWritesBackAndStagingEmpties)
{
    saveRow({"2026/1", "1", "0", "1", "A"});
    saveRow({"2026/1", "2", "0", "2", "B", "T1", "PC1", "D2"});
    openInvoiceLists();
    while (!a.eof()) {
        start(b);
        b.addLine({"UPDATE TSQ_Cheque_Main"});
        b.addLine({"SET Invoice_No =", SqlText{a.fieldText("Invoice_no").left(180)}});
        b.addLine({"WHERE  Cheque_PK =", SqlText{a.fieldText("Cheque_PK")}});
        EXPECT_EQ(b.execute(), 1);
        a.next();
    }
    EXPECT_EQ(db.scalar("SELECT Invoice_No FROM TSQ_Cheque_Main"), "A;B");
    start(a);
    a.addLine({"Delete from TSQ_Cheque_Temp"});
    EXPECT_EQ(a.execute(), 2);
    start(a);
    a.addLine({"UPDATE TSQ_IsUse_Data_Temp"});
    a.addLine({"SET Is_User_Temp = ''"});
    EXPECT_EQ(a.execute(), 1);
}

TEST_F(SaveStatementsTest, AmountThatIsNoNumberStopsTheStagingInsert)
{
    for (const QString bad : {"1,500.50", "", "abc", "12 34"}) {
        EXPECT_THROW(stage({"2026/1", bad, "0", "0", "A"}), DatabaseError) << bad.toStdString();
        EXPECT_THROW(stage({"2026/1", "0", "0", bad, "A"}), DatabaseError) << bad.toStdString();
    }
    EXPECT_EQ(db.count("TSQ_Cheque_Temp"), 0);
    for (const QString good : {"1500.50", " 15 ", "-15.25", "0"})
        EXPECT_NO_THROW(stage({"2026/1", good, good, good, "A"})) << good.toStdString();
    EXPECT_EQ(db.scalar("SELECT group_concat(Total_Amount, ',') FROM TSQ_Cheque_Temp"), "1500.5,15.0,-15.25,0.0");
}

TEST_F(SaveStatementsTest, SumThatIsNoNumberIsRefused)
{
    saveRow({"2026/1", "1", "0", "1", "A"});
    start(b);
    b.addLine({"UPDATE TSQ_Cheque_Main"});
    b.addLine({"SET Sum_Total_Amount =", SqlNumber{""}});
    b.addLine({", Sum_WHT_Amount =", SqlNumber{"0"}});
    b.addLine({", Sum_To_Be_Paid =", SqlNumber{"0"}});
    b.addLine({"WHERE  Cheque_PK =", SqlText{"2026/1"}});
    // Straight to the provider: the statement log is for statements SQL Server would accept.
    EXPECT_THROW(db.connection().provider().execute(b.sql(), b.params()), DatabaseError);
    b.close();
    b.clear();
    b.addLine({"UPDATE TSQ_Cheque_Main"});
    b.addLine({"SET Sum_Total_Amount =", SqlNumber{"1e5"}});
    EXPECT_THROW(db.connection().provider().execute(b.sql(), b.params()), DatabaseError);
}
