#include "ChequeSave.h"
#include "ChequeSheetReader.h"
#include "DatabaseError.h"
#include "ForwardingProvider.h"
#include "Query.h"
#include "StagingFlag.h"
#include "TestDatabase.h"
#include "TestEnv.h"
#include "TextGrid.h"

#include <gtest/gtest.h>

// What a save tells the user and leaves behind when the database fails it at
// the edges of its transaction: a real embedded database, with a provider that
// lets a test act at the moments the save cannot be stopped from outside.
namespace {

class Trap : public ForwardingProvider {
public:
    Trap() : ForwardingProvider(createProvider()) {}

    std::function<void()> beforeSecondBegin;  // runs between the take's commit and the save's transaction
    bool failReleaseAfterCommit = false;      // the flag's release after the save's commit fails
    int failAtStatement = -1;                 // the n-th statement inside the save's transaction fails
    bool failEveryReleaseAfterThat = false;

    bool begin(int waitMs) override
    {
        if (++m_begins == 2 && beforeSecondBegin)
            beforeSecondBegin();
        const bool ok = ForwardingProvider::begin(waitMs);
        m_inSave = ok && m_begins == 2;
        return ok;
    }
    void commit() override
    {
        ForwardingProvider::commit();
        if (m_inSave)
            m_committed = true;
        m_inSave = false;
    }
    void rollback() noexcept override
    {
        m_inSave = false;
        m_failed = m_failed || m_begins >= 2;
        ForwardingProvider::rollback();
    }
    ResultSet select(const QString& sql, const std::vector<SqlParam>& p) override
    {
        check(sql);
        return ForwardingProvider::select(sql, p);
    }
    long long execute(const QString& sql, const std::vector<SqlParam>& p) override
    {
        check(sql);
        const bool release = sql.startsWith(QLatin1String("UPDATE TSQ_IsUse_Data_Temp\r\nSET Is_User_Temp = ''"));
        if (release && ((m_committed && failReleaseAfterCommit) || (m_failed && failEveryReleaseAfterThat)))
            throw DatabaseError(QStringLiteral("database or disk is full"), DatabaseError::Kind::DiskFull);
        return ForwardingProvider::execute(sql, p);
    }

private:
    void check(const QString&)
    {
        if (m_inSave && ++m_statements == failAtStatement)
            throw DatabaseError(QStringLiteral("database or disk is full"), DatabaseError::Kind::DiskFull);
    }
    int m_begins = 0;
    int m_statements = 0;
    bool m_inSave = false;
    bool m_committed = false;
    bool m_failed = false;
};

class SaveFailureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto t = std::make_unique<Trap>();
        trap = t.get();
        trapped = std::make_unique<Connection>(std::move(t));
        trapped->setConnectionString(Connection::fixedConnectionString());
        trapped->open();
        other.setConnectionString(Connection::fixedConnectionString());
        other.open();
        ASSERT_EQ(readChequeSheet(TestEnv::fixture("cheques_typical.xls"), grid), 15);
    }
    ChequeSave::Result save()
    {
        Query a(*trapped);
        Query b(*trapped);
        return ChequeSave(a, b).run(grid, {});
    }
    QString flag() { return db.scalar("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp"); }

    TestDatabase db;
    Trap* trap = nullptr;
    std::unique_ptr<Connection> trapped;
    Connection other;  // another workstation
    TextGrid grid;
};

}  // namespace

TEST_F(SaveFailureTest, AreaClearedJustAfterTheTakeStopsTheSaveBeforeItWritesAnything)
{
    trap->beforeSecondBegin = [&] {
        Query q(other);
        EXPECT_EQ(StagingFlag(q).clearStagingArea(), StagingFlag::Clear::Cleared);
    };
    const ChequeSave::Result r = save();
    EXPECT_EQ(r.outcome, ChequeSave::Outcome::Failed);
    EXPECT_TRUE(r.message.startsWith(ChequeSave::nothingSavedMessage()));
    EXPECT_EQ(db.count("TSQ_Cheque_Main"), 0);
    EXPECT_EQ(flag(), "");
}

TEST_F(SaveFailureTest, SavedButTheFlagCouldNotBeFreedSaysBoth)
{
    trap->failReleaseAfterCommit = true;
    const ChequeSave::Result r = save();
    EXPECT_EQ(r.outcome, ChequeSave::Outcome::SavedFlagKept);
    EXPECT_TRUE(r.message.startsWith(ChequeSave::savedMessage()));
    EXPECT_TRUE(r.message.contains(ChequeSave::flagKeptMessage()));
    EXPECT_TRUE(r.message.contains(DatabaseError::advice(DatabaseError::Kind::DiskFull)));
    EXPECT_EQ(db.count("TSQ_Cheque_Main"), 4);
    EXPECT_EQ(flag(), "*");
    // No save holds the lock: the clear button frees the flag.
    Query q(other);
    EXPECT_EQ(StagingFlag(q).clearStagingArea(), StagingFlag::Clear::Cleared);
    EXPECT_EQ(flag(), "");
}

TEST_F(SaveFailureTest, FailedSaveWhoseFlagCannotBeFreedEitherSaysWhatToDo)
{
    trap->failAtStatement = 20;
    trap->failEveryReleaseAfterThat = true;
    const ChequeSave::Result r = save();
    EXPECT_EQ(r.outcome, ChequeSave::Outcome::Failed);
    EXPECT_TRUE(r.message.startsWith(ChequeSave::nothingSavedMessage()));
    EXPECT_TRUE(r.message.contains(ChequeSave::flagKeptMessage()));
    EXPECT_EQ(db.count("TSQ_Cheque_Main"), 0);
    EXPECT_EQ(db.count("TSQ_Cheque_Temp"), 0);
    EXPECT_EQ(flag(), "*");
    EXPECT_FALSE(trapped->inTransaction());
}
