#include "ShellFixture.h"

#include <QMenuBar>
#include <QTest>

namespace {
const QString NoName = QStringLiteral("กรุณาใส่ชื่อผู้ใช้ด้วย");
const QString NoPassword = QStringLiteral("กรุณาใส่รหัสผ่านด้วย");
const QString UnknownName = QStringLiteral("ไม่พบชื่อผู้ใช้ในระบบ กรุณาใส่ชื่อใหม่");
const QString WrongPassword = QStringLiteral("รหัสผ่านไม่ถูกต้อง กรุณาใส่รหัสผ่านใหม่");
}

class LoginTest : public ShellTest {
protected:
    void SetUp() override
    {
        db.addUser("somchai", "Secret1", 5);
        ASSERT_TRUE(start().isEmpty());
    }

    void expectRefused(const QString& name, const QString& password, const QString& message, const char* focus)
    {
        SCOPED_TRACE((name + " / " + password).toStdString());
        EXPECT_EQ(login(name, password), QStringList{message});
        EXPECT_EQ(focused(), named<QWidget>(focus));
        EXPECT_FALSE(loggedIn());
        EXPECT_TRUE(main->loginValues().LoginUserName.isEmpty());
        EXPECT_EQ(panelText(1), "User Name");
        // The boxes keep what was typed.
        EXPECT_EQ(named<QLineEdit>("edtName")->text(), name);
    }
};

TEST_F(LoginTest, RefusalsNameTheBoxToCorrect)
{
    expectRefused("", "", NoName, "edtName");
    expectRefused("", "Secret1", NoName, "edtName");
    expectRefused("somchai", "", NoPassword, "edtPassword");
    // A name of blanks is not empty: it is looked up, and not found.
    expectRefused("   ", "x", UnknownName, "edtName");
    expectRefused("nobody", "Secret1", UnknownName, "edtName");
    expectRefused("somchai", "wrong", WrongPassword, "edtPassword");
    // Letter case and blanks typed after the password count.
    expectRefused("somchai", "secret1", WrongPassword, "edtPassword");
    expectRefused("somchai", "Secret1 ", WrongPassword, "edtPassword");
    // After any number of refusals the right password still gets in.
    EXPECT_TRUE(login("somchai", "Secret1").isEmpty());
    EXPECT_TRUE(loggedIn());
}

TEST_F(LoginTest, StoredPasswordIsTrimmedBeforeTheComparison)
{
    db.exec("UPDATE ZUD_user SET Password = 'Secret1  ' WHERE UserName = 'somchai'");
    EXPECT_TRUE(login("somchai", "Secret1").isEmpty());
    EXPECT_TRUE(loggedIn());
}

TEST_F(LoginTest, SuccessShowsTheNameAsTypedAndTheServerDate)
{
    // The database matches the name regardless of case; the program keeps it as typed.
    EXPECT_TRUE(login("SomChai", "Secret1").isEmpty());
    EXPECT_TRUE(loggedIn());
    EXPECT_EQ(panelText(0), "Date");
    EXPECT_EQ(panelText(1), "ผู้ใช้งาน :SomChai");
    EXPECT_EQ(panelText(2), "Date : " + main->loginValues().ServerDateText);
    EXPECT_FALSE(main->loginValues().ServerDateText.isEmpty());
    EXPECT_EQ(main->loginValues().LoginUserName, "SomChai");
    EXPECT_EQ(main->loginValues().LoginUserLevel, 5);
    EXPECT_TRUE(main->menuBar()->isVisible());
    EXPECT_FALSE(main->endRequested());
}

TEST_F(LoginTest, MenusFollowTheLevel)
{
    struct Case {
        int level;
        bool import;
        bool admin;
    };
    for (const Case c : {Case{4, false, false}, Case{5, true, false}, Case{7, true, false}, Case{8, true, true}}) {
        SCOPED_TRACE(c.level);
        // One login per run: a fresh main window for each level.
        main.reset();
        const QString name = QStringLiteral("user%1").arg(c.level);
        db.addUser(name, "pw", c.level);
        ASSERT_TRUE(start().isEmpty());
        ASSERT_TRUE(login(name, "pw").isEmpty());
        EXPECT_EQ(itemVisible("N2"), c.import);
        EXPECT_TRUE(itemVisible("N7"));
        EXPECT_TRUE(itemVisible("System1"));
        EXPECT_TRUE(itemVisible("NExit"));
        EXPECT_EQ(itemVisible("Administrator1"), c.admin);
        EXPECT_EQ(main->loginValues().LoginUserLevel, c.level);
    }
    // The Administrator item does nothing.
    ModalAnswer answers;
    answers.run([&] { named<QAction>("Administrator1")->trigger(); });
    EXPECT_TRUE(answers.texts.isEmpty());
    EXPECT_TRUE(children().isEmpty());
    EXPECT_FALSE(main->endRequested());
}

TEST_F(LoginTest, MenuCaptions)
{
    ASSERT_TRUE(login("somchai", "Secret1").isEmpty());
    EXPECT_EQ(named<QAction>("N2")->text(), "นำข้อมูลเข้าระบบ");
    EXPECT_EQ(named<QAction>("N3")->text(), "1. Import ข้อมูลจาก SAP  เช็คเจ้าหนี้");
    EXPECT_EQ(named<QAction>("N7")->text(), "รายงาน");
    EXPECT_EQ(named<QAction>("N9")->text(), "รายงานเช็คจ่าย เจ้าหนี้");
    EXPECT_EQ(named<QAction>("System1")->text(), "ระบบ(System)");
    EXPECT_EQ(named<QAction>("N1")->text(), "เปลี่ยนรหัสผ่าน");
    EXPECT_EQ(named<QAction>("Administrator1")->text(), "Administrator");
    EXPECT_EQ(named<QAction>("NExit")->text(), "ออกจากระบบ");
    EXPECT_TRUE(named<QMenu>("N2")->actions().contains(named<QAction>("N3")));
    EXPECT_TRUE(named<QMenu>("N7")->actions().contains(named<QAction>("N9")));
    EXPECT_TRUE(named<QMenu>("System1")->actions().contains(named<QAction>("N1")));
}

TEST_F(LoginTest, QuotesInTheNameNeitherBreakNorBypassTheLogin)
{
    expectRefused("x' OR '1'='1", "anything", UnknownName, "edtName");
    expectRefused("somchai'--", "anything", UnknownName, "edtName");
    db.addUser("o'neil", "pw'1", 5);
    EXPECT_TRUE(login("o'neil", "pw'1").isEmpty());
    EXPECT_TRUE(loggedIn());
    EXPECT_EQ(panelText(1), "ผู้ใช้งาน :o'neil");
}

TEST_F(LoginTest, FailingStatementShowsItsTextAndTheProgramGoesOn)
{
    db.exec("DROP TABLE ZUD_user");
    const QStringList messages = login("somchai", "Secret1");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_FALSE(messages[0].isEmpty());
    for (const QString& known : {NoName, NoPassword, UnknownName, WrongPassword})
        EXPECT_NE(messages[0], known);
    EXPECT_FALSE(loggedIn());
    EXPECT_FALSE(main->endRequested());
}

TEST_F(LoginTest, EnterWalksTheBoxesToOkWhichLogsIn)
{
    auto* name = named<QLineEdit>("edtName");
    auto* password = named<QLineEdit>("edtPassword");
    auto* ok = named<QPushButton>("btnOK");
    name->setFocus();
    QTest::keyClicks(name, "somchai");
    ModalAnswer answers;
    answers.run([&] {
        QTest::keyClick(name, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(focused(), password);
        QTest::keyClicks(password, "Secret1");
        QTest::keyClick(password, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(focused(), ok);
        // Enter in the boxes only moved the focus.
        EXPECT_FALSE(loggedIn());
        QTest::keyClick(ok, Qt::Key_Return);
        QApplication::processEvents();
    });
    EXPECT_TRUE(answers.texts.isEmpty()) << answers.texts.join('|').toStdString();
    EXPECT_EQ(name->text(), "somchai");
    EXPECT_TRUE(loggedIn());
}

TEST_F(LoginTest, CancelAndExitEndTheProgram)
{
    named<QPushButton>("btnCancel")->click();
    EXPECT_TRUE(main->endRequested());

    main.reset();
    ASSERT_TRUE(start().isEmpty());
    ASSERT_TRUE(login("somchai", "Secret1").isEmpty());
    EXPECT_FALSE(main->endRequested());
    named<QAction>("NExit")->trigger();
    EXPECT_TRUE(main->endRequested());
}
