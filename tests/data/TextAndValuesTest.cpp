#include "DatabaseError.h"
#include "Query.h"
#include "TestDatabase.h"

#include <QLocale>
#include <gtest/gtest.h>

// Text comparison as SQL Server's default collation does it, values that hold
// quotes, and the statements of the login, password change, start-up and report.
// (The flag's and the save's statements are tested with the import.)
namespace {

class TextAndValuesTest : public ::testing::Test {
protected:
    TestDatabase db;
    Query q{db.connection()};

    int findUser(const QString& name)
    {
        q.close();
        q.clear();
        q.addLine({"Select * From ZUD_user"});
        q.addLine({"Where UserName=", SqlText{name}});
        q.open();
        return q.recordCount();
    }

    void addCheque(const QString& pk, const QString& checkNo, const QString& deka, const QString& vendor, int lines)
    {
        db.exec(QStringLiteral("INSERT INTO TSQ_Cheque_Main (Cheque_PK, Check_No, Deka_Number, Vendor_Name, "
                               "Sum_Total_Amount) VALUES ('%1', '%2', '%3', '%4', 1234.5)")
                    .arg(pk, checkNo, deka, vendor));
        for (int i = 0; i < lines; ++i)
            db.exec(QStringLiteral("INSERT INTO TSQ_Cheque_Detail (Cheque_PK, DocumentNo, Total_Amount) "
                                   "VALUES ('%1', 'D%2', %2)")
                        .arg(pk)
                        .arg(i + 1));
    }

    QStringList report(std::initializer_list<SqlPiece> condition)
    {
        q.close();
        q.clear();
        q.addLine({"SELECT TSQ_Cheque_Main.*, TSQ_Cheque_Detail.*, TSQ_Cheque_Main.Cheque_PK"});
        q.addLine({"FROM TSQ_Cheque_Main INNER JOIN TSQ_Cheque_Detail ON TSQ_Cheque_Main.Cheque_PK = "
                   "TSQ_Cheque_Detail.Cheque_PK"});
        if (condition.size())
            q.addLine(condition);
        q.addLine({"ORDER BY TSQ_Cheque_Main.Cheque_PK"});
        q.open();
        QStringList rows;
        for (; !q.eof(); q.next())
            rows << q.fieldText("Cheque_PK") + ":" + q.fieldText("DocumentNo");
        return rows;
    }
};

}  // namespace

TEST_F(TextAndValuesTest, NamesMatchRegardlessOfCaseAndTrailingBlanks)
{
    db.addUser("Bob ", "pw", 5);
    EXPECT_EQ(findUser("bob"), 1);
    EXPECT_EQ(findUser("BOB   "), 1);
    EXPECT_EQ(q.fieldText("UserName"), "Bob ");  // stored as written
    EXPECT_EQ(findUser(" bob"), 0);              // leading blanks count
    EXPECT_EQ(findUser("bo"), 0);
}

TEST_F(TextAndValuesTest, ThaiTextComparesExactlyApartFromTrailingBlanks)
{
    db.addUser("สมชาย", "pw", 5);
    db.addUser("Ärger", "pw", 5);
    EXPECT_EQ(findUser("สมชาย"), 1);
    EXPECT_EQ(findUser("สมชาย  "), 1);
    EXPECT_EQ(findUser("สมชาม"), 0);
    EXPECT_EQ(findUser("สมชา"), 0);
    EXPECT_EQ(findUser("ärger"), 1);  // letters outside ASCII fold too
}

TEST_F(TextAndValuesTest, ValuesHoldingQuotesTravelExactlyAndChangeNoStatement)
{
    const QString name = "O'Brien \"the 2nd\" ''";
    db.addUser(name, "pw", 5);
    db.addUser("other", "pw", 5);
    EXPECT_EQ(findUser(name), 1);
    EXPECT_EQ(q.fieldText("UserName"), name);
    EXPECT_EQ(q.text(), "Select * From ZUD_user\r\nWhere UserName='O''Brien \"the 2nd\" '''''");
    EXPECT_EQ(q.sql(), "Select * From ZUD_user\r\nWhere UserName=?");

    EXPECT_EQ(findUser("x' OR '1'='1"), 0);
    EXPECT_EQ(findUser("x'; DELETE FROM ZUD_user; --"), 0);
    EXPECT_EQ(db.count("ZUD_user"), 2);
}

TEST_F(TextAndValuesTest, PasswordChangeStatementsMatchPasswordByCollation)
{
    db.addUser("bob", "Secret", 5);
    auto oldMatches = [&](const QString& user, const QString& old) {
        q.close();
        q.clear();
        q.addLine({"SELECT *"});
        q.addLine({"FROM ZUD_user"});
        q.addLine({"Where (Username = ", SqlText{user}, ")"});
        q.addLine({"And (Password =", SqlText{old}, ")"});
        q.open();
        return q.recordCount();
    };
    EXPECT_EQ(oldMatches("BOB", "secret "), 1);
    EXPECT_EQ(oldMatches("bob", "Secre"), 0);
    q.close();
    q.clear();
    q.addLine({"Update ZUD_user"});
    q.addLine({"Set  Password =", SqlText{"n'ew"}});
    q.addLine({"Where (Username = ", SqlText{"Bob"}, ")"});
    EXPECT_EQ(q.execute(), 1);
    EXPECT_EQ(db.scalar("SELECT Password FROM ZUD_user"), "n'ew");
}

TEST_F(TextAndValuesTest, ServerDateReadsAsDateTime)
{
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    q.addLine({"Select Getdate() As C_Date"});
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    const QDateTime d = q.fieldDateTime("C_Date");
    EXPECT_GE(d, before);
    EXPECT_LE(d, QDateTime::currentDateTime().addSecs(1));
    EXPECT_EQ(q.fieldText("c_date"), QLocale::system().toString(d.date(), QLocale::ShortFormat));
}

TEST_F(TextAndValuesTest, VersionAndLevelsReadInEveryForm)
{
    db.exec("UPDATE ZUD_Version SET Version_NO = ' 2.0 '");
    db.exec("CREATE TABLE Extra (Level_Text TEXT, Amount REAL)");
    db.exec("INSERT INTO Extra VALUES ('9', 1500.5), (NULL, -15.25), (' 7 ', 0)");
    q.addLine({"SELECT  *"});
    q.addLine({"FROM ZUD_Version"});
    q.open();
    EXPECT_EQ(q.fieldText("Version_NO"), " 2.0 ");

    q.close();
    q.clear();
    q.addLine({"Select * From Extra"});
    q.open();
    EXPECT_EQ(q.fieldInt("Level_Text"), 9);
    EXPECT_EQ(q.fieldText("Amount"), "1500.5");
    EXPECT_DOUBLE_EQ(q.fieldNumber("Amount"), 1500.5);
    q.next();
    EXPECT_EQ(q.fieldInt("Level_Text"), 0);
    EXPECT_EQ(q.fieldText("Amount"), "-15.25");
    q.next();
    EXPECT_EQ(q.fieldInt("Level_Text"), 7);
    EXPECT_EQ(q.fieldText("Amount"), "0");
}

TEST_F(TextAndValuesTest, ReportConditionContinuesTheJoin)
{
    addCheque("2026/1", "C1", "DK1", "บริษัท abc จำกัด", 3);
    addCheque("2026/2", "", "DK2", "ร้าน xyz", 2);
    addCheque("2026/3", "C3", "DK3", "ABC Ltd", 0);  // no lines: never listed

    EXPECT_EQ(report({}), QStringList({"2026/1:D1", "2026/1:D2", "2026/1:D3", "2026/2:D1", "2026/2:D2"}));
    EXPECT_EQ(report({"And (Check_No=", SqlText{""}, ")"}), QStringList({"2026/2:D1", "2026/2:D2"}));
    EXPECT_EQ(report({"And (Check_No=", SqlText{"c1 "}, ")"}).size(), 3);
    EXPECT_EQ(report({"And (Deka_Number=", SqlText{"DK2"}, ")"}).size(), 2);
    EXPECT_EQ(report({"And (Vendor_Name LIke ", SqlText{"%ABC%"}, ")"}).size(), 3);
    EXPECT_EQ(report({"And (Vendor_Name LIke ", SqlText{"%ร้าน%"}, ")"}).size(), 2);
    EXPECT_EQ(report({"And (Vendor_Name LIke ", SqlText{"%x_z%"}, ")"}).size(), 2);  // "_" is a wildcard
    EXPECT_EQ(report({"And (Vendor_Name LIke ", SqlText{"%' OR '1'='1%"}, ")"}).size(), 0);
    EXPECT_EQ(q.text().split("\r\n").at(2), "And (Vendor_Name LIke '%'' OR ''1''=''1%')");
}

TEST_F(TextAndValuesTest, LenAndLeftCountCharactersAsTsqlDoes)
{
    db.addUser("Bob  ", "pw", 5);
    db.addUser("สมชาย", "pw", 5);
    q.addLine({"SELECT UserName, LEN(UserName) AS L, LEFT(UserName, 2) AS F"});
    q.addLine({"FROM ZUD_user"});
    q.addLine({"ORDER BY UserName"});
    q.open();
    ASSERT_EQ(q.recordCount(), 2);
    EXPECT_EQ(q.fieldInt("L"), 3);  // trailing blanks not counted
    EXPECT_EQ(q.fieldText("F"), "Bo");
    q.next();
    EXPECT_EQ(q.fieldInt("L"), 5);  // characters, not bytes
    EXPECT_EQ(q.fieldText("F"), "สม");
}
