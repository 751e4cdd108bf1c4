#include "DatabaseError.h"
#include "ImportGridLayout.h"
#include "ImportRow.h"
#include "Query.h"
#include "SaveStatements.h"
#include "TestDatabase.h"
#include "TextGrid.h"

#include <gtest/gtest.h>

namespace S = SaveStatements;
using L = ImportGridLayout;

// The save's statements, as the import builds them, run on real rows of the
// embedded database: the adapter must give what SQL Server gives.
namespace {

struct Row {
    QString pk, total, wht, paid, invoice, taxNumber = "T1", profitCode = "PC1", docNo = "D1";
};

// One import grid row holding `r`; the columns no test looks at hold fixed texts.
TextGrid gridOf(const Row& r)
{
    TextGrid grid;
    grid.setColCount(L::kColumnCount);
    grid.setRowCount(2);
    L::applyHeaders(grid);
    const std::pair<int, QString> cells[] = {
        {L::ChequePk, r.pk},
        {L::ProfitCenterCode, r.profitCode},
        {L::ProfitCenter, "ศูนย์"},
        {L::DekaCreat, "01.12.2026"},
        {L::DekaRecei, "02.12.2026"},
        {L::PaymentMethod, "C"},
        {L::DekaNumber, "DK-" + r.pk},
        {L::ClearingDocument, "1500000001"},
        {L::ClearingDate, "07.12.2026"},
        {L::CheckNo, "CH" + r.pk},
        {L::Vendor, "V1"},
        {L::VendorName, "บริษัท ทดสอบ จำกัด"},
        {L::DeliveryMode, "M"},
        {L::TaxNumber, r.taxNumber},
        {L::Status, "S"},
        {L::PstngDate, "03.12.2026"},
        {L::DocumentNo, r.docNo},
        {L::Description, "ค่าบริการ"},
        {L::TotalAmou, r.total},
        {L::WhtAmount, r.wht},
        {L::ToBePaid, r.paid},
        {L::Fund, "F1"},
        {L::Reference, "REF"},
        {L::InvoiceNo, r.invoice},
        {L::Payee, "ผู้รับเงิน"},
    };
    for (const auto& [col, text] : cells)
        grid.setCell(col, 1, text);
    return grid;
}

class SaveStatementsTest : public ::testing::Test {
protected:
    TestDatabase db;
    Query a{db.connection()};
    Query b{db.connection()};

    // Runs `statement` on the row; returns the record count of a look-up.
    template <typename F>
    int onRow(const Row& r, F statement, bool lookUp = false)
    {
        const TextGrid grid = gridOf(r);
        ImportRow row(grid);
        row.moveTo(1);
        statement(a, row);
        if (!lookUp) {
            a.execute();
            return 0;
        }
        a.open();
        return a.recordCount();
    }

    void stage(const Row& r) { onRow(r, S::stagingRow); }
    int lineLookup(const Row& r) { return onRow(r, S::invoiceLineLookup, true); }

    // A grid row as the save writes it.
    void saveRow(const Row& r)
    {
        stage(r);
        onRow(r, onRow(r, S::chequeLookup, true) >= 1 ? S::taxNumberUpdate : S::newCheque);
        if (onRow(r, S::profitCentreLookup, true) < 1)
            onRow(r, S::newProfitCentre);
        if (lineLookup(r) < 1)
            onRow(r, S::newInvoiceLine);
    }

    void sums()
    {
        S::sumsPerCheque(a);
        a.open();
        while (!a.eof()) {
            S::sumsUpdate(b, a.fieldText("SumOfTotal_Amount"), a.fieldText("SumOfWHT_Amount"),
                          a.fieldText("SumOfTo_Be_Paid"), a.fieldText("Cheque_PK"));
            b.execute();
            a.next();
        }
    }

    // Opened and left for the caller to walk.
    void openInvoiceLists()
    {
        S::invoiceListsPerCheque(a);
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
    a.close();
    a.clear();
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
        S::invoiceListUpdate(b, a.fieldText("Invoice_no").left(180), a.fieldText("Cheque_PK"));
        EXPECT_EQ(b.execute(), 1);
        a.next();
    }
    EXPECT_EQ(db.scalar("SELECT Invoice_No FROM TSQ_Cheque_Main"), "A;B");
    S::stagingEmpty(a);
    EXPECT_EQ(a.execute(), 2);
    S::flagRelease(a);
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
    // Straight to the provider: the statement log is for statements SQL Server would accept.
    S::sumsUpdate(b, "", "0", "0", "2026/1");
    EXPECT_THROW(db.connection().provider().execute(b.sql(), b.params()), DatabaseError);
    S::sumsUpdate(b, "1e5", "0", "0", "2026/1");
    EXPECT_THROW(db.connection().provider().execute(b.sql(), b.params()), DatabaseError);
}

TEST_F(SaveStatementsTest, FlagReadsEmptyWhenTheTableHasNoRow)
{
    db.exec("DELETE FROM TSQ_IsUse_Data_Temp");
    S::flagRead(a);
    a.open();
    EXPECT_EQ(a.fieldText("Is_User_Temp"), "");
    S::flagTakeWhileFree(a);
    EXPECT_EQ(a.execute(), 0);
}

namespace {

// Grid column c holds "c<c>"; the total amount must read as a number.
TextGrid markedGrid()
{
    TextGrid grid;
    grid.setColCount(L::kColumnCount);
    grid.setRowCount(2);
    for (int c = 0; c < L::kColumnCount; ++c)
        grid.setCell(c, 1, QStringLiteral("c%1").arg(c));
    grid.setCell(L::TotalAmou, 1, "1500.50");
    return grid;
}

QString lines(std::initializer_list<const char*> parts)
{
    QStringList out;
    for (const char* p : parts)
        out << QString::fromUtf8(p);
    return out.join("\r\n");
}

}  // namespace

// Each statement as SQL Server receives it, against the text the import was
// written to send: the columns each one takes, spaces and quotes included.
TEST(SaveStatementText, RowStatementsTakeTheirColumnsInOrder)
{
    TestDatabase db;
    Query q(db.connection());
    const TextGrid grid = markedGrid();
    ImportRow row(grid);
    row.moveTo(1);
    auto text = [&](void (*statement)(Query&, ImportRow&)) {
        statement(q, row);
        return q.text();
    };

    EXPECT_EQ(text(S::stagingRow), lines({"INSERT INTO TSQ_Cheque_Temp", "(Cheque_PK, Total_Amount, WHT_Amount",
                                          ", To_Be_Paid,Invoice_No)", "VALUES", "('c1','1500.50','c20'",
                                          ", 'c21','c24')"}));
    EXPECT_EQ(text(S::chequeLookup), lines({"Select *", "FROM TSQ_Cheque_Main", "Where Cheque_PK ='c1'"}));
    EXPECT_EQ(text(S::taxNumberUpdate),
              lines({"UPDATE TSQ_Cheque_Main", "Set Tax_Number='c14'", "Where Cheque_PK ='c1'"}));
    EXPECT_EQ(text(S::newCheque),
              lines({"INSERT INTO TSQ_Cheque_Main", "(Cheque_PK, Profit_Center_Code, Deka_Creat_date",
                     ", Deka_Receipt_Date, Payment_Method, Deka_Number", ", Clearing_Document, Clearing_Date, Check_No",
                     ", Vendor_no, Vendor_Name, Delivery_Mode",
                     ", Tax_Number, Data_Status, Cheque_Reference_Document_Type ", ",Invoice_No,vendor_name_recmoney)",
                     "VALUES", "('c1', 'c2','c4'", ",'c5', 'c6','c7'", ",'c8', 'c9','c10'", ",'c11', 'c12','c13'",
                     ",'c14', 'c15','c23'", ",'c24', 'c25')"}));
    EXPECT_EQ(text(S::profitCentreLookup),
              lines({"Select *", "FROM TSQR_Profit_Center", "Where Profit_Center_Code ='c2'"}));
    EXPECT_EQ(text(S::newProfitCentre),
              lines({"INSERT INTO TSQR_Profit_Center",
                     "( Profit_Center_Code, Profit_Center_Name, Profit_Center_Lacation_Rec_Cheque )", "VALUES",
                     "('c2','c3','c3')"}));
    // The amount as a number in its shortest form; the document number is
    // part of the line's identity here.
    EXPECT_EQ(text(S::invoiceLineLookup), lines({"Select *", "FROM TSQ_Cheque_Detail", "Where Cheque_PK ='c1'",
                                                 "and Total_Amount=1500.5", "and DocumentNo='c17'"}));
    EXPECT_EQ(text(S::newInvoiceLine),
              lines({"INSERT INTO TSQ_Cheque_Detail", "( Cheque_PK, Pstng_Date, DocumentNo",
                     ", Description, Total_Amount, WHT_Amount", ", To_Be_Paid, Fund)", "VALUES",
                     "('c1','c16','c17'", ", 'c18','1500.50','c20'", ",'c21','c22')"}));
}

TEST(SaveStatementText, StatementsAfterTheRowsAndOfTheFlag)
{
    TestDatabase db;
    Query q(db.connection());
    auto text = [&](void (*statement)(Query&)) {
        statement(q);
        return q.text();
    };

    EXPECT_EQ(text(S::flagRead), lines({"SELECT Is_User_Temp", "FROM TSQ_IsUse_Data_Temp"}));
    EXPECT_EQ(text(S::flagTake), lines({"UPDATE TSQ_IsUse_Data_Temp", "SET Is_User_Temp = '*'"}));
    // The take the save uses: the same update, only while nobody holds the flag.
    EXPECT_EQ(text(S::flagTakeWhileFree), lines({"UPDATE TSQ_IsUse_Data_Temp", "SET Is_User_Temp = '*'",
                                                 "WHERE (Is_User_Temp IS NULL OR Is_User_Temp <> '*')"}));
    EXPECT_EQ(text(S::flagRelease), lines({"UPDATE TSQ_IsUse_Data_Temp", "SET Is_User_Temp = ''"}));
    EXPECT_EQ(text(S::stagingEmpty), "Delete from TSQ_Cheque_Temp");
    EXPECT_EQ(text(S::stagingClear), lines({"Delete", "FROM TSQ_Cheque_Temp"}));
    EXPECT_EQ(text(S::sumsPerCheque),
              lines({"SELECT TSQ_Cheque_Temp.Cheque_PK, Sum(TSQ_Cheque_Temp.Total_Amount) AS SumOfTotal_Amount",
                     ", Sum(TSQ_Cheque_Temp.WHT_Amount) AS SumOfWHT_Amount",
                     ", Sum(TSQ_Cheque_Temp.To_Be_Paid) AS SumOfTo_Be_Paid", "FROM TSQ_Cheque_Temp",
                     "GROUP BY TSQ_Cheque_Temp.Cheque_PK", "ORDER BY TSQ_Cheque_Temp.Cheque_PK"}));
    EXPECT_EQ(text(S::invoiceListsPerCheque),
              lines({"SELECT Main.Cheque_PK,", "LEFT(Main.TSQ_Cheque_Temp,Len(TSQ_Cheque_Temp)-1) As \"Invoice_no\"",
                     "FROM", " (", "SELECT DISTINCT ST2.Cheque_PK,", "(",
                     "SELECT DISTINCT ST1.Invoice_No + ';' AS [text()]", "FROM TSQ_Cheque_Temp ST1",
                     "WHERE ST1.Cheque_PK = ST2.Cheque_PK", "FOR XML PATH ('')", ") [TSQ_Cheque_Temp]",
                     "FROM TSQ_Cheque_Temp ST2", ") [Main]"}));

    // Sums follow the "=" unquoted, as read; the key is quoted.
    S::sumsUpdate(q, "1485.25", "15.25", "1470", "2026/1");
    EXPECT_EQ(q.text(), lines({"UPDATE TSQ_Cheque_Main", "SET Sum_Total_Amount =1485.25", ", Sum_WHT_Amount =15.25",
                               ", Sum_To_Be_Paid =1470", "WHERE  Cheque_PK ='2026/1'"}));
    S::invoiceListUpdate(q, "A;B", "2026/1");
    EXPECT_EQ(q.text(), lines({"UPDATE TSQ_Cheque_Main", "SET Invoice_No ='A;B'", "WHERE  Cheque_PK ='2026/1'"}));
}

TEST(SaveStatementText, EveryStatementStartsFromAnEmptyQuery)
{
    // A statement built after another must not carry the other's lines or values.
    TestDatabase db;
    Query q(db.connection());
    S::sumsUpdate(q, "1", "2", "3", "K");
    S::flagRead(q);
    EXPECT_TRUE(q.params().empty());
    EXPECT_EQ(q.text(), lines({"SELECT Is_User_Temp", "FROM TSQ_IsUse_Data_Temp"}));
}
