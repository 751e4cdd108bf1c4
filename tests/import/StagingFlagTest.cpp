#include "ChequeSave.h"
#include "ChequeSheetReader.h"
#include "Query.h"
#include "StagingFlag.h"
#include "TestDatabase.h"
#include "TestEnv.h"
#include "TextGrid.h"

#include <gtest/gtest.h>

// Two workstations on one database: the flag decides which of them saves.
class StagingFlagTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        other.setConnectionString(Connection::fixedConnectionString());
        other.open();
        ASSERT_EQ(readChequeSheet(TestEnv::fixture("cheques_typical.xls"), grid), 15);
    }
    QString flag() { return db.scalar("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp"); }

    TestDatabase db;
    Connection other;  // the second workstation
    Query a1{db.connection()};
    Query a2{db.connection()};
    Query b{other};
    TextGrid grid;
};

TEST_F(StagingFlagTest, WorkstationThatTakesTheFlagFirstSavesTheOtherIsRefused)
{
    ChequeSave save(a1, a2);
    ChequeSave::Hooks hooks;
    bool otherTook = false;
    // While this workstation's user reads the confirmation, the other one
    // passes its own test and takes the area.
    hooks.confirm = [&] {
        StagingFlag theirs(b);
        EXPECT_FALSE(theirs.isBusy());
        otherTook = theirs.take();
        return true;
    };
    const ChequeSave::Result r = save.run(grid, hooks);
    EXPECT_TRUE(otherTook);
    EXPECT_EQ(r.outcome, ChequeSave::Outcome::Busy);
    EXPECT_EQ(r.message, StagingFlag::busyMessage());
    EXPECT_EQ(db.count("TSQ_Cheque_Temp"), 0);
    EXPECT_EQ(db.count("TSQ_Cheque_Main"), 0);
    EXPECT_EQ(flag(), "*");

    // Once the other workstation is done, this one gets through.
    StagingFlag(b).release();
    EXPECT_EQ(save.run(grid, {}).outcome, ChequeSave::Outcome::Saved);
    EXPECT_EQ(db.count("TSQ_Cheque_Main"), 4);
    EXPECT_EQ(flag(), "");
}

TEST_F(StagingFlagTest, TakeSucceedsOnceWhateverFreeTextTheFlagHolds)
{
    for (const char* value : {"''", "NULL", "'**'", "' *'", "'* '"}) {
        SCOPED_TRACE(value);
        db.exec(QStringLiteral("UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = %1").arg(QLatin1String(value)));
        StagingFlag mine(a1);
        StagingFlag theirs(b);
        EXPECT_FALSE(mine.isBusy());
        EXPECT_TRUE(mine.take());
        EXPECT_EQ(flag(), "*");
        EXPECT_TRUE(theirs.isBusy());
        EXPECT_FALSE(theirs.take());
        EXPECT_FALSE(mine.take());  // nor twice by the same workstation
    }
}

TEST_F(StagingFlagTest, TableWithoutAFlagRowGetsOneAndStillKeepsASecondTakerOut)
{
    db.exec("DELETE FROM TSQ_IsUse_Data_Temp");
    StagingFlag mine(a1);
    StagingFlag theirs(b);
    EXPECT_FALSE(mine.isBusy());
    ASSERT_TRUE(db.connection().begin());
    EXPECT_TRUE(mine.take());
    db.connection().commit();
    EXPECT_EQ(db.count("TSQ_IsUse_Data_Temp"), 1);
    EXPECT_TRUE(theirs.isBusy());
    ASSERT_TRUE(other.begin());
    EXPECT_FALSE(theirs.take());
    other.rollback();
    EXPECT_EQ(db.count("TSQ_IsUse_Data_Temp"), 1);

    // A whole save without the row leaves one free row behind.
    db.exec("DELETE FROM TSQ_IsUse_Data_Temp");
    ChequeSave save(a1, a2);
    EXPECT_EQ(save.run(grid, {}).outcome, ChequeSave::Outcome::Saved);
    EXPECT_EQ(db.count("TSQ_Cheque_Main"), 4);
    EXPECT_EQ(flag(), "");
    EXPECT_EQ(db.count("TSQ_IsUse_Data_Temp"), 1);
}
