#include "DatabaseError.h"
#include "TsqlAdapter.h"

#include <gtest/gtest.h>

// What the adapter refuses, and the rewrites that are visible in the text.
// The rewrites' results on real rows are tested with the statements themselves.

namespace {

QString refusal(const QString& tsql)
{
    try {
        TsqlAdapter::translate(tsql);
    } catch (const DatabaseError& e) {
        return QString::fromStdString(e.what());
    }
    return QString();
}

}  // namespace

TEST(TsqlAdapterTest, RefusesWhatItDoesNotKnowAndNamesIt)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"SELECT TOP 1 * FROM ZUD_user", "TOP"},
        {"SELECT ISNULL(Password, '') FROM ZUD_user", "ISNULL"},
        {"SELECT * FROM ZUD_user\r\nGO", "GO"},
        {"SELECT [UserName] FROM ZUD_user", "[UserName]"},
        {"SELECT * FROM ZUD_user WHERE UserName = N'x'", "N'"},
        {"SELECT * FROM ZUD_user; DELETE FROM ZUD_user", "';'"},
        {"SELECT * FROM ZUD_user -- all", "comments"},
        {"SELECT * FROM TSQ_Cheque_Main LEFT JOIN TSQ_Cheque_Detail ON 1 = 1", "LEFT"},
        {"SELECT * FROM ZUD_user WITH (NOLOCK)", "WITH"},
        {"SELECT Invoice_No FROM TSQ_Cheque_Temp FOR XML RAW", "FOR"},
        {"SELECT (SELECT Invoice_No FROM TSQ_Cheque_Temp FOR XML PATH('')) AS x", "FOR"},
        {"SELECT * FROM ZUD_user WHERE UserName = \"bob\"", "\"bob\""},
        {"SELECT @x", "variables"},
        {"SELECT UserName || 'x' FROM ZUD_user", "||"},
        {"SELECT CONVERT(varchar, U_Level) FROM ZUD_user", "CONVERT"},
        {"SELECT SUBSTRING(UserName, 1, 2) FROM ZUD_user", "SUBSTRING"},
        {"TRUNCATE TABLE TSQ_Cheque_Temp", "TRUNCATE"},
        {"SELECT * FROM ZUD_user WHERE UserName = 'open", "unterminated"},
    };
    for (const auto& [sql, named] : cases) {
        const QString msg = refusal(sql);
        EXPECT_FALSE(msg.isEmpty()) << "accepted: " << sql.toStdString();
        EXPECT_TRUE(msg.contains(named, Qt::CaseInsensitive))
            << sql.toStdString() << " -> " << msg.toStdString();
    }
}

TEST(TsqlAdapterTest, PassesTheProgramsOwnConstructsThrough)
{
    for (const QString sql : {
             "Select * From ZUD_user\r\nWhere UserName=?",
             "UPDATE TSQ_IsUse_Data_Temp\r\nSET Is_User_Temp = '*'\r\nWHERE (Is_User_Temp IS NULL OR Is_User_Temp <> '*')",
             "Select *\r\nFROM TSQ_Cheque_Detail\r\nWhere Cheque_PK =?\r\nand Total_Amount=?\r\nand DocumentNo=?",
             "Delete\r\nFROM TSQ_Cheque_Temp",
         }) {
        EXPECT_EQ(TsqlAdapter::translate(sql).sql, sql);
    }
}

TEST(TsqlAdapterTest, RewritesLeftAndMarksTheServerDate)
{
    const auto r = TsqlAdapter::translate("Select Getdate() As C_Date");
    EXPECT_EQ(r.dateTimeColumns, std::vector<int>{0});
    EXPECT_EQ(TsqlAdapter::translate("SELECT UserName, GETDATE() FROM ZUD_user").dateTimeColumns, std::vector<int>{1});
    EXPECT_TRUE(TsqlAdapter::translate("SELECT * FROM ZUD_user").dateTimeColumns.empty());
    EXPECT_EQ(TsqlAdapter::translate("SELECT LEFT(UserName, 2) FROM ZUD_user").sql,
              "SELECT tsql_left(UserName, 2) FROM ZUD_user");
}
