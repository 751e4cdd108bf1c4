#include "ChequeSave.h"
#include "ChequeSheetReader.h"
#include "DatabaseError.h"
#include "EmbeddedProvider.h"
#include "Query.h"
#include "SqlLog.h"
#include "SqlServerProvider.h"
#include "StagingFlag.h"
#include "TestDatabase.h"
#include "TestEnv.h"
#include "TextGrid.h"

#include <gtest/gtest.h>

// The SQL Server provider's own part of the save: its application lock and
// its transactions. No server runs here, so a scripted session stands in for
// one: it answers the provider's own statements as SQL Server documents them
// and hands every other statement, and the transactions, to an embedded
// database, so that the rows the save leaves can be looked at.
namespace {

class ScriptedSession : public SqlServerProvider {
public:
    explicit ScriptedSession(DbProvider& rows) : SqlServerProvider(QStringLiteral("FreeTDS")), m_rows(rows) {}

    int lockAnswer = 0;           // what sp_getapplock returns
    int failAtStatement = -1;     // the n-th ordinary statement fails as a lost connection would
    std::vector<QString> sent;    // the provider's own statements, in order; "-" for an ordinary one

protected:
    ResultSet runSelect(const QString& sql, const std::vector<SqlParam>& params) override
    {
        if (own(sql)) {
            if (!sql.contains(QLatin1String("sp_getapplock")))
                throw DatabaseError(QStringLiteral("unexpected statement"));
            ResultSet rs(std::vector<QString>{QStringLiteral("Result")});
            rs.beginRow();
            rs.addInteger(lockAnswer);
            return rs;
        }
        ordinary();
        return m_rows.select(sql, params);
    }
    long long runExecute(const QString& sql, const std::vector<SqlParam>& params) override
    {
        if (own(sql)) {
            if (sql == beginStatement())
                m_rows.begin();
            else if (sql == commitStatement())
                m_rows.commit();
            else if (sql == rollbackStatement())
                m_rows.rollback();
            return 0;
        }
        ordinary();
        return m_rows.execute(sql, params);
    }

private:
    bool own(const QString& sql)
    {
        const bool mine = sql == beginStatement() || sql == commitStatement() || sql == rollbackStatement()
                          || sql == unlockStatement() || sql.contains(QLatin1String("sp_getapplock"));
        if (mine) {
            sent.push_back(sql);
            SqlLog::record(sql);  // checked as T-SQL with the rest
        }
        return mine;
    }
    void ordinary()
    {
        sent.push_back(QStringLiteral("-"));
        if (++m_statements == failAtStatement) {
            const QString text = QStringLiteral("[FreeTDS][SQL Server]Write to the server failed");
            throw DatabaseError(text, kindOf(QStringLiteral("20006"), text));
        }
    }
    DbProvider& m_rows;
    int m_statements = 0;
};

class SqlServerProviderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        rows.open(ConnectionString(Connection::fixedConnectionString()));
        auto s = std::make_unique<ScriptedSession>(rows);
        session = s.get();
        connection = std::make_unique<Connection>(std::move(s));
        ASSERT_EQ(readChequeSheet(TestEnv::fixture("cheques_typical.xls"), grid), 15);
    }
    // The provider's own statements, without the ordinary ones.
    std::vector<QString> own() const
    {
        std::vector<QString> out;
        for (const QString& s : session->sent)
            if (s != "-")
                out.push_back(s);
        return out;
    }

    TestDatabase db;
    EmbeddedProvider rows;
    ScriptedSession* session = nullptr;
    std::unique_ptr<Connection> connection;
    TextGrid grid;
};

}  // namespace

TEST_F(SqlServerProviderTest, SaveLockIsTakenOnceWithoutWaitingAndGivenBackOnce)
{
    EXPECT_TRUE(connection->tryLockSave(0));
    EXPECT_TRUE(connection->tryLockSave(0));  // held already: nothing asked
    connection->unlockSave();
    connection->unlockSave();
    EXPECT_EQ(own(), (std::vector<QString>{SqlServerProvider::lockStatement(0), SqlServerProvider::unlockStatement()}));
    EXPECT_TRUE(SqlServerProvider::lockStatement(0).contains("@LockTimeout = 0;"));
    EXPECT_TRUE(SqlServerProvider::lockStatement(2000).contains("@LockOwner = N'Session'"));

    session->sent.clear();
    session->lockAnswer = -1;  // another session holds it
    EXPECT_FALSE(connection->tryLockSave(0));
    connection->unlockSave();  // not held: nothing to give back
    EXPECT_EQ(own(), (std::vector<QString>{SqlServerProvider::lockStatement(0)}));

    session->lockAnswer = -999;
    EXPECT_THROW(connection->tryLockSave(0), DatabaseError);
}

TEST_F(SqlServerProviderTest, SaveHoldsTheLockFromBeforeTheTakeUntilAfterTheFlagIsFreed)
{
    Query a(*connection);
    Query b(*connection);
    EXPECT_EQ(ChequeSave(a, b).run(grid, {}).outcome, ChequeSave::Outcome::Saved);
    using P = SqlServerProvider;
    EXPECT_EQ(own(), (std::vector<QString>{P::lockStatement(ChequeSave::kTakeWaitMs), P::beginStatement(),
                                           P::commitStatement(), P::beginStatement(), P::commitStatement(),
                                           P::unlockStatement()}));
    // The flag's release, an ordinary statement, runs between the last commit and the unlock.
    const auto& s = session->sent;
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s[s.size() - 2], "-");
    EXPECT_EQ(s[s.size() - 3], P::commitStatement());
    EXPECT_EQ(db.count("TSQ_Cheque_Main"), 4);
    EXPECT_EQ(db.scalar("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp"), "");
}

TEST_F(SqlServerProviderTest, SaveThatFindsTheLockTakenIsBusyAndWritesNothing)
{
    session->lockAnswer = -1;
    Query a(*connection);
    Query b(*connection);
    const ChequeSave::Result r = ChequeSave(a, b).run(grid, {});
    EXPECT_EQ(r.outcome, ChequeSave::Outcome::Busy);
    EXPECT_EQ(r.message, StagingFlag::busyMessage());
    EXPECT_EQ(db.count("TSQ_Cheque_Main"), 0);
    EXPECT_EQ(db.scalar("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp"), "");
}

TEST_F(SqlServerProviderTest, ClearButtonLeavesARunningSaveAloneAndClearsALeftFlag)
{
    db.exec("UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = '*'");
    db.exec("INSERT INTO TSQ_Cheque_Temp (Cheque_PK, Total_Amount) VALUES ('2010/1', 1)");
    Query q(*connection);
    session->lockAnswer = -1;  // the saving session holds the lock
    EXPECT_EQ(StagingFlag(q).clearStagingArea(), StagingFlag::Clear::SaveRunning);
    EXPECT_EQ(session->sent, (std::vector<QString>{SqlServerProvider::lockStatement(0)}));
    EXPECT_EQ(db.scalar("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp"), "*");
    EXPECT_EQ(db.count("TSQ_Cheque_Temp"), 1);

    // Its session has ended: the server has freed the lock.
    session->sent.clear();
    session->lockAnswer = 0;
    EXPECT_EQ(StagingFlag(q).clearStagingArea(), StagingFlag::Clear::Cleared);
    using P = SqlServerProvider;
    EXPECT_EQ(own(), (std::vector<QString>{P::lockStatement(0), P::beginStatement(), P::commitStatement(),
                                           P::unlockStatement()}));
    EXPECT_EQ(db.scalar("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp"), "");
    EXPECT_EQ(db.count("TSQ_Cheque_Temp"), 0);
}

TEST_F(SqlServerProviderTest, ConnectionLostMidSaveKeepsNothingAndSaysSo)
{
    for (int failAt : {3, 40, 80}) {
        SCOPED_TRACE(failAt);
        session->sent.clear();
        session->failAtStatement = failAt;
        Query a(*connection);
        Query b(*connection);
        const ChequeSave::Result r = ChequeSave(a, b).run(grid, {});
        EXPECT_EQ(r.outcome, ChequeSave::Outcome::Failed);
        EXPECT_TRUE(r.message.startsWith(ChequeSave::nothingSavedMessage()));
        EXPECT_TRUE(r.message.contains(DatabaseError::advice(DatabaseError::Kind::ConnectionLost))) << r.message.toStdString();
        EXPECT_TRUE(r.message.contains("Write to the server failed"));
        EXPECT_EQ(db.count("TSQ_Cheque_Main"), 0);
        EXPECT_EQ(db.count("TSQ_Cheque_Temp"), 0);
        const std::vector<QString> mine = own();
        EXPECT_NE(std::find(mine.begin(), mine.end(), SqlServerProvider::rollbackStatement()), mine.end());
        EXPECT_EQ(mine.back(), SqlServerProvider::unlockStatement());
        EXPECT_EQ(db.scalar("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp"), "");
        EXPECT_FALSE(connection->inTransaction());
    }
}

TEST(SqlServerErrorKinds, NativeNumbersStatesAndWordsTellWhatHappened)
{
    using K = DatabaseError::Kind;
    struct Case {
        const char* codes;
        const char* text;
        K kind;
    };
    const Case cases[] = {
        {"1222", "Lock request time out period exceeded.", K::Busy},
        {"1205", "Transaction (Process ID 53) was deadlocked on lock resources", K::Busy},
        {"HYT00", "Query timeout expired", K::Busy},
        {"9002", "The transaction log for database 'PL_Cheque_Vendor' is full due to 'LOG_BACKUP'.", K::DiskFull},
        {"1105", "Could not allocate space for object in database because the 'PRIMARY' filegroup is full.", K::DiskFull},
        {"3906", "Failed to update database \"PL_Cheque_Vendor\" because the database is read-only.", K::ReadOnly},
        {"824", "SQL Server detected a logical consistency-based I/O error", K::Damaged},
        {"08S01", "[FreeTDS][SQL Server]Communication link failure", K::ConnectionLost},
        {"20006;20004", "Write to the server failed", K::ConnectionLost},
        {"", "[unixODBC][FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable or does not exist", K::Other},
        {"", "Communication link failure", K::ConnectionLost},
        {"2627", "Violation of PRIMARY KEY constraint", K::Other},
        {"8152", "String or binary data would be truncated.", K::Other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SqlServerProvider::kindOf(QString::fromLatin1(c.codes), QString::fromLatin1(c.text)), c.kind)
            << c.codes << " " << c.text;
}
