#include "ConnectionString.h"
#include "DatabaseError.h"
#include "EmbeddedCatalog.h"
#include "EmbeddedProvider.h"
#include "Query.h"
#include "TestDatabase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <cerrno>
#include <gtest/gtest.h>
#include <sqlite3.h>

// What the embedded database's failures mean to the clerk, from SQLite's codes
// and from real damaged, locked and moved files.
namespace {

using K = DatabaseError::Kind;

QString defaultPath()
{
    return EmbeddedProvider::databasePath(ConnectionString(Connection::fixedConnectionString()));
}

void removeFiles(const QString& path)
{
    for (const char* s : {"", "-wal", "-shm"})
        QFile::remove(path + s);
}

// A catalogue with a few hundred cheques at the program's path, no connection left open.
void createFilled(const QString& path)
{
    removeFiles(path);
    EmbeddedCatalog::create(path);
    EmbeddedCatalog c(path);
    c.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
           "INSERT INTO TSQ_Cheque_Main (Cheque_PK, Vendor_Name, Sum_To_Be_Paid) "
           "SELECT '2026/' || i, 'ผู้ขายรายที่ ' || i, i FROM n");
}

}  // namespace

TEST(DatabaseErrorKinds, SqliteCodesAndSystemErrorsTellWhatHappened)
{
    struct Case {
        int code;
        int err;
        K kind;
    };
    const Case cases[] = {
        {SQLITE_BUSY, 0, K::Busy},
        {SQLITE_BUSY_SNAPSHOT, 0, K::Busy},
        {SQLITE_LOCKED, 0, K::Busy},
        {SQLITE_FULL, ENOSPC, K::DiskFull},
        {SQLITE_IOERR_WRITE, ENOSPC, K::DiskFull},
        {SQLITE_IOERR_FSYNC, EDQUOT, K::DiskFull},
        {SQLITE_READONLY, 0, K::ReadOnly},
        {SQLITE_READONLY_DBMOVED, 0, K::Moved},
        {SQLITE_IOERR_WRITE, EROFS, K::ReadOnly},
        {SQLITE_CANTOPEN, EACCES, K::ReadOnly},
        {SQLITE_CORRUPT, 0, K::Damaged},
        {SQLITE_NOTADB, 0, K::Damaged},
        {SQLITE_IOERR_READ, EIO, K::Other},
        {SQLITE_CONSTRAINT_CHECK, 0, K::Other},
        {SQLITE_ERROR, 0, K::Other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EmbeddedProvider::kindOf(c.code, c.err), c.kind) << c.code << " " << c.err;
}

TEST(DatabaseErrorKinds, AdviceStandsAboveTheDatabasesOwnText)
{
    const DatabaseError full(QStringLiteral("database or disk is full"), K::DiskFull);
    EXPECT_EQ(full.databaseText(), "database or disk is full");
    EXPECT_EQ(QString::fromUtf8(full.what()), DatabaseError::advice(K::DiskFull) + "\n\ndatabase or disk is full");
    const DatabaseError other(QStringLiteral("no such table: X"));
    EXPECT_EQ(QString::fromUtf8(other.what()), "no such table: X");
    // Every kind but Other has a sentence of its own.
    QSet<QString> seen;
    for (K k : {K::Busy, K::DiskFull, K::ReadOnly, K::Damaged, K::Moved, K::ConnectionLost}) {
        EXPECT_FALSE(DatabaseError::advice(k).isEmpty());
        seen.insert(DatabaseError::advice(k));
    }
    EXPECT_EQ(seen.size(), 6);
}

TEST(NumberBinding, OnlyWhatTSqlReadsAsANumberLiteral)
{
    long long n = 0;
    double d = 0;
    bool integer = false;
    EXPECT_TRUE(SqlParam::parseNumber(" 1500 ", n, d, integer));
    EXPECT_TRUE(integer);
    EXPECT_EQ(n, 1500);
    EXPECT_TRUE(SqlParam::parseNumber("-0.05", n, d, integer));
    EXPECT_FALSE(integer);
    EXPECT_EQ(d, -0.05);
    EXPECT_TRUE(SqlParam::parseNumber("99999999999999999999", n, d, integer));  // too big for an integer
    EXPECT_FALSE(integer);
    EXPECT_EQ(d, 1e20);
    for (const char* bad : {"", " ", "1E+20", "+5", "1,500.00", "1.2.3", "5-", "--5", "abc", "inf", "nan", "๕"})
        EXPECT_FALSE(SqlParam::parseNumber(QString::fromUtf8(bad), n, d, integer)) << bad;
}

TEST(EmbeddedFailures, WriteLockHeldElsewhereIsWaitedForOnlyAsLongAsAsked)
{
    TestDatabase db;
    EmbeddedProvider mine;
    mine.open(ConnectionString(Connection::fixedConnectionString()));
    EmbeddedProvider theirs;
    theirs.open(ConnectionString(Connection::fixedConnectionString()));
    ASSERT_TRUE(theirs.begin(0));
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(mine.begin(0));
    EXPECT_LT(t.elapsed(), 500);
    t.restart();
    EXPECT_FALSE(mine.begin(300));
    EXPECT_GE(t.elapsed(), 250);
    // Reading is not held up by the writer.
    EXPECT_EQ(mine.select("SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp", {}).rowCount(), 1u);
    theirs.rollback();
    EXPECT_TRUE(mine.begin(0));
    mine.rollback();
    EXPECT_FALSE(mine.inTransaction());
}

TEST(EmbeddedFailures, DamagedFileIsReportedAsDamaged)
{
    const QString path = defaultPath();
    createFilled(path);
    // The catalogue's own pages come first; the cheque rows follow them.
    const int schemaPages = EmbeddedCatalog(path).scalar("SELECT max(rootpage) FROM sqlite_master").toInt();
    {
        // Garbage over the pages after the schema: the cheque table's.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_GT(f.size(), (schemaPages + 8) * 4096);
        f.seek(schemaPages * 4096);
        f.write(QByteArray(8 * 4096, char(0xA5)));
    }
    EmbeddedProvider p;
    p.open(ConnectionString(Connection::fixedConnectionString()));
    try {
        p.select("SELECT count(*), sum(Sum_To_Be_Paid) FROM TSQ_Cheque_Main", {});
        ADD_FAILURE() << "a damaged table was read";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.kind(), K::Damaged) << e.what();
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(DatabaseError::advice(K::Damaged)));
    }
    p.close();

    // A file that is no database at all fails at the connection already.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(8192, 'x'));
    }
    QFile::remove(path + "-wal");
    QFile::remove(path + "-shm");
    try {
        EmbeddedProvider q;
        q.open(ConnectionString(Connection::fixedConnectionString()));
        ADD_FAILURE() << "garbage opened as a database";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.kind(), K::Damaged) << e.what();
    }
    removeFiles(path);
}

TEST(EmbeddedFailures, FileMovedAwayStopsEveryStatementUntilTheProgramStartsAgain)
{
    const QString path = defaultPath();
    createFilled(path);
    Connection c;
    c.setConnectionString(Connection::fixedConnectionString());
    c.open();
    Query q(c);
    auto read = [&] {
        q.close();
        q.clear();
        q.addLine({"SELECT Is_User_Temp"});
        q.addLine({"FROM TSQ_IsUse_Data_Temp"});
        q.open();
    };
    read();
    ASSERT_TRUE(QFile::rename(path, path + ".moved"));
    for (int i = 0; i < 2; ++i) {
        try {
            read();
            ADD_FAILURE() << "read a file that is no longer at its path";
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.kind(), K::Moved);
        }
    }
    EXPECT_THROW(c.begin(), DatabaseError);
    // Put back, it is still refused: this connection's view may be stale.
    ASSERT_TRUE(QFile::rename(path + ".moved", path));
    EXPECT_THROW(read(), DatabaseError);
    // A new connection works with it.
    Connection fresh;
    fresh.setConnectionString(Connection::fixedConnectionString());
    fresh.open();
    Query f(fresh);
    f.addLine({"SELECT count(*) AS n FROM TSQ_Cheque_Main"});
    f.open();
    EXPECT_EQ(f.fieldInt("n"), 400);
    removeFiles(path);
}
