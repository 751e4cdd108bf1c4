#include "Query.h"
#include "TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

// The statements a test program runs are logged once each, as SQL Server
// receives them, for the suite's T-SQL check.
TEST(StatementLogTest, EachStatementOnceWithItsValuesInline)
{
    const QString folder = qEnvironmentVariable("CHEQUE_SQL_LOG");
    if (folder.isEmpty())
        GTEST_SKIP() << "CHEQUE_SQL_LOG is not set (ctest sets it)";
    TestDatabase db;
    Query q(db.connection());
    for (int i = 0; i < 3; ++i) {
        q.close();
        q.clear();
        q.addLine({"Select * From ZUD_user"});
        q.addLine({"Where UserName=", SqlText{"log'check"}});
        q.open();
    }
    QFile f(QDir(folder).filePath(QStringLiteral("statements-%1.sql").arg(QCoreApplication::applicationPid())));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(f.readAll());
    EXPECT_EQ(log.count("Select * From ZUD_user\r\nWhere UserName='log''check'\r\nGO\r\n"), 1) << log.toStdString();
}
