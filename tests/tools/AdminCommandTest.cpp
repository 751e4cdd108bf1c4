#include "EmbeddedCatalog.h"
#include "TestDatabase.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// cheque-admin run as the built program, its password on standard input.
namespace {

struct AdminRun {
    int code;
    QString out, err;
};

AdminRun admin(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(QStringLiteral(CHEQUE_ADMIN_PROGRAM), args);
    EXPECT_TRUE(p.waitForStarted());
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

class AdminCommandTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath("sub/PL_Cheque_Vendor.sqlite");
    QStringList db(QStringList more) { return QStringList{"--db", file} + more; }
};

}  // namespace

TEST_F(AdminCommandTest, CreatesOnceAndManagesUsersAndVersion)
{
    AdminRun r = admin(db({"create"}));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(file));
    r = admin(db({"create"}));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("already exists")) << r.err.toStdString();

    r = admin(db({"add-user", "สมชาย", "5"}), "pass word\n");
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = admin(db({"add-user", "admin", "9", "--generate"}));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QRegularExpressionMatch m = QRegularExpression("^User admin, password (\\S+)\n$").match(r.out);
    ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
    const QString generated = m.captured(1);
    EXPECT_GE(generated.size(), 8);

    r = admin(db({"set-password", "SOMCHAI"}), "x\n");
    EXPECT_EQ(r.code, 1);  // no such user
    r = admin(db({"set-password", "ADMIN"}), "new-one\r\n");
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = admin(db({"set-version", "2.1"}));
    EXPECT_EQ(r.code, 0);

    r = admin(db({"list-users"}));
    EXPECT_EQ(r.out, "สมชาย\t5\nadmin\t9\n");

    EmbeddedCatalog catalog(file);
    EXPECT_EQ(catalog.scalar("SELECT Password FROM ZUD_user WHERE UserName = 'สมชาย'"), "pass word");
    EXPECT_EQ(catalog.scalar("SELECT Password FROM ZUD_user WHERE UserName = 'admin'"), "new-one");
    EXPECT_EQ(catalog.version(), "2.1");
    EXPECT_EQ(catalog.scalar("SELECT count(*) FROM ZUD_Version"), "1");
    EXPECT_EQ(catalog.scalar("SELECT quote(Is_User_Temp) FROM TSQ_IsUse_Data_Temp"), "''");
}

TEST_F(AdminCommandTest, RefusesBadInputWithAClearMessage)
{
    AdminRun r = admin(db({"add-user", "bob", "5"}), "pw\n");
    EXPECT_EQ(r.code, 1);  // no database yet
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(file));

    ASSERT_EQ(admin(db({"create"})).code, 0);
    EXPECT_EQ(admin(db({"add-user", "Bob", "5"}), "pw\n").code, 0);
    r = admin(db({"add-user", "bob ", "3"}), "pw\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("already exists")) << r.err.toStdString();
    for (const QString level : {"five", "5.5", ""}) {
        r = admin(db({"add-user", "carol", level}), "pw\n");
        EXPECT_EQ(r.code, 1) << level.toStdString();
        EXPECT_TRUE(r.err.contains("whole number")) << r.err.toStdString();
    }
    r = admin(db({"add-user", "carol", "5"}), "");
    EXPECT_EQ(r.code, 1);  // no password given
    EXPECT_EQ(admin(db({"list-users"})).out, "Bob\t5\n");
    EXPECT_NE(admin(db({"frobnicate"})).code, 0);
}

TEST_F(AdminCommandTest, DefaultPathIsTheProgramsDatabase)
{
    TestDatabase test;
    const AdminRun r = admin({"path"});
    EXPECT_EQ(r.out.trimmed(), test.path());
    EXPECT_EQ(admin({"add-user", "admin", "9", "--generate"}).code, 0);
    EXPECT_EQ(test.count("ZUD_user"), 1);
}
