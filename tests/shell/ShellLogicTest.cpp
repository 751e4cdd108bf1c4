// The shell's decisions without its windows: which menus a level sees, and the
// order of the password change's checks against a real database.
#include "MenuAccess.h"
#include "PasswordChange.h"
#include "Query.h"
#include "TestDatabase.h"

#include <gtest/gtest.h>

TEST(MenuAccessTest, ImportAboveFourAdministratorAboveSevenTheRestForAll)
{
    for (int level : {-1, 0, 4, 5, 7, 8, 9, 100}) {
        SCOPED_TRACE(level);
        const MenuAccess m = MenuAccess::forLevel(level);
        EXPECT_EQ(m.importMenu, level > 4);
        EXPECT_EQ(m.administrator, level > 7);
        EXPECT_TRUE(m.reportMenu && m.systemMenu && m.exitItem);
    }
    const MenuAccess none;
    EXPECT_FALSE(none.importMenu || none.reportMenu || none.systemMenu || none.administrator || none.exitItem);
}

class PasswordChangeTest : public ::testing::Test {
protected:
    TestDatabase db;
    Query q{db.connection()};
    int asked = 0;

    void SetUp() override { db.addUser("somchai", "Old1", 5); }

    PasswordChange::Result change(const QString& old, const QString& fresh, const QString& conf, bool yes = true)
    {
        return PasswordChange::run(q, "somchai", old, fresh, conf, [&] {
            ++asked;
            return yes;
        });
    }
    QString stored() { return db.scalar("SELECT Password FROM ZUD_user WHERE UserName = 'somchai'"); }
};

TEST_F(PasswordChangeTest, RefusalsBeforeTheConfirmationAskNothingAndWriteNothing)
{
    EXPECT_EQ(change("Wrong", "New1", "New1").outcome, PasswordChange::Outcome::WrongOldPassword);
    // The empty check comes after the old password: a wrong old one is named first.
    EXPECT_EQ(change("Wrong", "", "").outcome, PasswordChange::Outcome::WrongOldPassword);
    const PasswordChange::Result empty = change("Old1", "", "");
    EXPECT_EQ(empty.outcome, PasswordChange::Outcome::EmptyNewPassword);
    EXPECT_EQ(empty.message, "กรุณาใส่รหัสผ่านใหม่");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(stored(), "Old1");
}

TEST_F(PasswordChangeTest, ConfirmationComesBeforeTheComparison)
{
    EXPECT_EQ(change("Old1", "New1", "New1", false).outcome, PasswordChange::Outcome::Cancelled);
    EXPECT_EQ(change("Old1", "New1", "new1").outcome, PasswordChange::Outcome::Mismatch);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(stored(), "Old1");

    const PasswordChange::Result done = change("Old1", "N'ew 1", "N'ew 1");
    EXPECT_EQ(done.outcome, PasswordChange::Outcome::Changed);
    EXPECT_EQ(stored(), "N'ew 1");
    // The old password is now the new one; the database compares it.
    EXPECT_EQ(change("Old1", "x", "x").outcome, PasswordChange::Outcome::WrongOldPassword);
}
