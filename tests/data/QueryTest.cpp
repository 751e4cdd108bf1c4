#include "DatabaseError.h"
#include "Query.h"
#include "TestDatabase.h"

#include <QLocale>
#include <stdexcept>
#include <gtest/gtest.h>

// The query object's operations against a real embedded database file.
class QueryTest : public ::testing::Test {
protected:
    TestDatabase db;
    Query q{db.connection()};

    void run(std::initializer_list<std::initializer_list<SqlPiece>> lines, bool open = true)
    {
        q.close();
        q.clear();
        for (const auto& l : lines)
            q.addLine(l);
        if (open)
            q.open();
        else
            q.execute();
    }
};

TEST_F(QueryTest, FreshCatalogueHasFreeFlagAndVersion)
{
    run({{"SELECT  *"}, {"FROM ZUD_Version"}});
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldText("Version_NO"), "2.0");
    EXPECT_EQ(q.fieldText("version_no"), "2.0");  // any case

    run({{"SELECT Is_User_Temp"}, {"FROM TSQ_IsUse_Data_Temp"}});
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldText("Is_User_Temp"), "");
    EXPECT_FALSE(q.eof());
}

TEST_F(QueryTest, WalksRowsAndCountsThem)
{
    db.addUser("a", "p1", 1);
    db.addUser("b", "p2", 9);
    db.addUser("c", "p3", 5);
    run({{"Select * From ZUD_user"}, {"ORDER BY UserName"}});
    EXPECT_EQ(q.recordCount(), 3);
    QStringList names;
    int levels = 0;
    for (; !q.eof(); q.next()) {
        names << q.fieldText("USERNAME");
        levels += q.fieldInt("u_level");
    }
    EXPECT_EQ(names, QStringList({"a", "b", "c"}));
    EXPECT_EQ(levels, 15);
    q.next();  // past the end stays at the end
    EXPECT_TRUE(q.eof());
}

TEST_F(QueryTest, EmptyResultIsEofAtOnceAndFieldsReadEmpty)
{
    run({{"Select * From ZUD_user"}, {"Where UserName=", SqlText{"nobody"}}});
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.fieldText("Password"), "");
    EXPECT_EQ(q.fieldInt("U_Level"), 0);
    EXPECT_THROW(q.fieldText("NoSuchField"), DatabaseError);
}

TEST_F(QueryTest, ClosedQueryCountsNothing)
{
    run({{"Select * From ZUD_Version"}});
    q.close();
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_TRUE(q.eof());
}

TEST_F(QueryTest, NullReadsAsEmptyTextAndZero)
{
    db.exec("INSERT INTO TSQ_Cheque_Main (Cheque_PK) VALUES ('2026/1')");
    run({{"Select * FROM TSQ_Cheque_Main"}});
    EXPECT_EQ(q.fieldText("Vendor_Name"), "");
    EXPECT_EQ(q.fieldText("Sum_Total_Amount"), "");
    EXPECT_EQ(q.fieldNumber("Sum_Total_Amount"), 0.0);
    EXPECT_EQ(q.fieldInt("Sum_Total_Amount"), 0);
}

TEST_F(QueryTest, UnknownFieldNamesItself)
{
    run({{"Select * From ZUD_Version"}});
    try {
        q.fieldText("Versoin");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(QString::fromStdString(e.what()).indexOf("Versoin"), -1) << e.what();
    }
}

TEST_F(QueryTest, ExecuteCountsRowsAffected)
{
    run({{"INSERT INTO TSQ_Cheque_Temp"}, {"(Cheque_PK, Total_Amount, WHT_Amount"}, {", To_Be_Paid,Invoice_No)"},
         {"VALUES"}, {"(", SqlText{"K1"}, ",", SqlText{"10"}, ",", SqlText{"1"}, ",", SqlText{"9"}, ",", SqlText{"I1"}, ")"}},
        false);
    EXPECT_EQ(db.count("TSQ_Cheque_Temp"), 1);
    q.clear();
    q.addLine({"INSERT INTO TSQ_Cheque_Temp (Cheque_PK) VALUES (", SqlText{"K2"}, ")"});
    EXPECT_EQ(q.execute(), 1);
    q.clear();
    q.addLine({"Delete from TSQ_Cheque_Temp"});
    EXPECT_EQ(q.execute(), 2);
    EXPECT_EQ(q.execute(), 0);
}

TEST_F(QueryTest, FlagTakeSucceedsOnceOnly)
{
    auto take = [&] {
        q.close();
        q.clear();
        q.addLine({"UPDATE TSQ_IsUse_Data_Temp"});
        q.addLine({"SET Is_User_Temp = '*'"});
        q.addLine({"WHERE (Is_User_Temp IS NULL OR Is_User_Temp <> '*')"});
        return q.execute();
    };
    EXPECT_EQ(take(), 1);
    EXPECT_EQ(take(), 0);
    EXPECT_EQ(db.scalar("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp"), "*");
    db.exec("UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = NULL");
    EXPECT_EQ(take(), 1);
}

TEST_F(QueryTest, RefusedStatementThrowsTheDatabaseMessage)
{
    q.addLine({"Select * From NoSuchTable"});
    try {
        q.open();
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(QString::fromStdString(e.what()).indexOf("NoSuchTable"), -1) << e.what();
    }
}

TEST_F(QueryTest, ProgressHandlerRunsDuringALongStatementUntilRemoved)
{
    // Enough staging rows that the invoice-list statement takes many steps.
    db.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                           "INSERT INTO TSQ_Cheque_Temp (Cheque_PK, Total_Amount, WHT_Amount, To_Be_Paid, Invoice_No) "
                           "SELECT '2026/' || (i % 500), 1, 0, 1, 'INV' || i FROM n"));
    int calls = 0;
    db.connection().setProgressHandler([&] { ++calls; });
    const auto lists = [&] {
        run({{"SELECT Main.Cheque_PK,"}, {"LEFT(Main.TSQ_Cheque_Temp,Len(TSQ_Cheque_Temp)-1) As \"Invoice_no\""},
             {"FROM"}, {" ("}, {"SELECT DISTINCT ST2.Cheque_PK,"}, {"("},
             {"SELECT DISTINCT ST1.Invoice_No + ';' AS [text()]"}, {"FROM TSQ_Cheque_Temp ST1"},
             {"WHERE ST1.Cheque_PK = ST2.Cheque_PK"}, {"FOR XML PATH ('')"}, {") [TSQ_Cheque_Temp]"},
             {"FROM TSQ_Cheque_Temp ST2"}, {") [Main]"}});
    };
    lists();
    EXPECT_EQ(q.recordCount(), 500);
    EXPECT_GT(calls, 0);

    db.connection().setProgressHandler({});
    const int before = calls;
    lists();
    EXPECT_EQ(calls, before);

    // A handler that throws costs a paint, never the statement.
    db.connection().setProgressHandler([] { throw std::runtime_error("paint failed"); });
    EXPECT_NO_THROW(lists());
    EXPECT_EQ(q.recordCount(), 500);
    db.connection().setProgressHandler({});
}
