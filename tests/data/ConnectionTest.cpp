#include "Connection.h"
#include "ConnectionString.h"
#include "DatabaseError.h"
#include "EmbeddedProvider.h"
#include "Query.h"
#include "SqlServerProvider.h"
#include "TestDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(ConnectionTest, FixedStringNamesCatalogueAndServer)
{
    const QString fixed = Connection::fixedConnectionString();
    EXPECT_TRUE(fixed.startsWith("Provider=SQLOLEDB.1;Password=*WiNNp!586;Persist Security Info=True;User ID=qvbnr;"
                                 "Initial Catalog=PL_Cheque_Vendor;Data Source="));
    Connection c(std::make_unique<EmbeddedProvider>());
    c.setConnectionString("Provider=SQLOLEDB.1;Initial Catalog=X;Data Source=db01.finance.example");
    EXPECT_EQ(c.serverShortName(), "db01");
    c.setConnectionString("Provider=SQLOLEDB.1;Data Source=localhost");
    EXPECT_EQ(c.serverShortName(), "localhost");
}

TEST(ConnectionTest, DatabaseLivesInTheUsersDataFolder)
{
    const QString path = EmbeddedProvider::databasePath(ConnectionString(Connection::fixedConnectionString()));
    EXPECT_EQ(path, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/PL_Cheque_Vendor.sqlite");
    EXPECT_TRUE(path.contains("/PL/ChequeVendor/"));
}

TEST(ConnectionTest, MissingFileIsAFailedConnectionAndStaysMissing)
{
    const QString path = EmbeddedProvider::databasePath(ConnectionString(Connection::fixedConnectionString()));
    QFile::remove(path);
    Connection c;
    c.setConnectionString(Connection::fixedConnectionString());
    EXPECT_THROW(c.open(), DatabaseError);
    EXPECT_FALSE(c.isOpen());
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(ConnectionTest, FileThatIsNoDatabaseFailsAtOpen)
{
    TestDatabase db;  // makes the folder
    const QString path = db.path();
    {
        QFile::remove(path);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    Connection c;
    c.setConnectionString(Connection::fixedConnectionString());
    EXPECT_THROW(c.open(), DatabaseError);
}

TEST(ConnectionTest, TwoConnectionsShareOneFile)
{
    TestDatabase db;
    Connection other;
    other.setConnectionString(Connection::fixedConnectionString());
    other.open();
    Query mine(db.connection()), theirs(other);
    mine.addLine({"UPDATE TSQ_IsUse_Data_Temp"});
    mine.addLine({"SET Is_User_Temp = '*'"});
    mine.addLine({"WHERE (Is_User_Temp IS NULL OR Is_User_Temp <> '*')"});
    EXPECT_EQ(mine.execute(), 1);
    theirs.addLine({"UPDATE TSQ_IsUse_Data_Temp"});
    theirs.addLine({"SET Is_User_Temp = '*'"});
    theirs.addLine({"WHERE (Is_User_Temp IS NULL OR Is_User_Temp <> '*')"});
    EXPECT_EQ(theirs.execute(), 0);  // the other workstation sees the flag taken
    EXPECT_EQ(db.scalar("PRAGMA journal_mode"), "wal");
}

TEST(ConnectionTest, OdbcStringCarriesTheFixedCredentials)
{
    const ConnectionString cs("Provider=SQLOLEDB.1;Password=*WiNNp!586;Persist Security Info=True;User ID=qvbnr;"
                              "Initial Catalog=PL_Cheque_Vendor;Data Source=sql01.example");
    EXPECT_EQ(SqlServerProvider::odbcConnectionString(cs, "ODBC Driver 18 for SQL Server"),
              "DRIVER={ODBC Driver 18 for SQL Server};SERVER=sql01.example;DATABASE=PL_Cheque_Vendor;UID=qvbnr;"
              "PWD=*WiNNp!586;");
    EXPECT_EQ(SqlServerProvider::odbcConnectionString(cs, "FreeTDS"),
              "DRIVER={FreeTDS};SERVER=sql01.example;DATABASE=PL_Cheque_Vendor;UID=qvbnr;PWD=*WiNNp!586;"
              "ClientCharset=UTF-8;");
    // A port after a comma, and a password that ODBC would otherwise split.
    EXPECT_EQ(SqlServerProvider::odbcConnectionString(ConnectionString("Data Source=host,1444;Initial Catalog=C;"
                                                                       "User ID=u;Password=p}w=1"),
                                                      "FreeTDS"),
              "DRIVER={FreeTDS};SERVER=host;PORT=1444;DATABASE=C;UID=u;PWD={p}}w=1};ClientCharset=UTF-8;");
}

TEST(ConnectionTest, UnreachableSqlServerIsAFailedConnection)
{
    Connection c(std::make_unique<SqlServerProvider>("FreeTDS"));
    // Port 1 on this machine: refused at once, no waiting for a time-out.
    c.setConnectionString("Provider=SQLOLEDB.1;Password=x;User ID=u;Initial Catalog=PL_Cheque_Vendor;"
                          "Data Source=127.0.0.1,1");
    try {
        c.open();
        FAIL() << "connected";
    } catch (const DatabaseError& e) {
        EXPECT_STRNE(e.what(), "");
    }
    EXPECT_FALSE(c.isOpen());
}
