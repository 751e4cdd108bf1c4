#include "ShellFixture.h"

#include "TfrmChangePassword.h"

#include <QTest>

namespace {
const QString OldWrong = QStringLiteral("รหัสผ่านเดิมไม่ถูกต้อง");
const QString Confirm = QStringLiteral("ยืนยันการบันทึกข้อมูล ");
const QString Differ = QStringLiteral("รหัสผ่านและรหัสยืนยันไม่เหมือนกัน กรุณาใส่ใหม่");
const QString EmptyNew = QStringLiteral("กรุณาใส่รหัสผ่านใหม่");
const QString Done = QStringLiteral("ทำการเปลี่ยนแปลงรหัสผ่านให้แล้ว โปรแกรมจะปิดตัวเองเพื่อให้\nเข้าระบบใหม่ (Login)");
}

// What the message boxes of one save showed.
struct Shown {
    QStringList texts;
    QStringList titles;
    int unexpected = 0;
};

class ChangePasswordTest : public ShellTest {
protected:
    TfrmChangePassword* form = nullptr;

    void SetUp() override
    {
        db.addUser("somchai", "Old1", 5);
        db.addUser("other", "Other1", 5);
        ASSERT_TRUE(start().isEmpty());
        ASSERT_TRUE(login("somchai", "Old1").isEmpty());
        named<QAction>("N1")->trigger();
        ASSERT_EQ(children().size(), 1);
        form = qobject_cast<TfrmChangePassword*>(children().first()->widget());
        ASSERT_NE(form, nullptr);
    }

    QLineEdit* box(const char* name) const { return named<QLineEdit>(name, form); }

    // Types the three passwords, presses save and answers the boxes in order.
    Shown save(const QString& old, const QString& fresh, const QString& conf,
                     QList<QMessageBox::StandardButton> answers)
    {
        box("edtOld_Password")->setText(old);
        box("edtNew_Password")->setText(fresh);
        box("edtConf_Password")->setText(conf);
        auto* button = named<QPushButton>("btnSave_Data", form);
        button->setFocus();
        ModalAnswer modal(answers);
        modal.run([&] { button->click(); });
        return {modal.texts, modal.titles, modal.unexpected};
    }

    QString stored(const QString& user) { return db.scalar("SELECT Password FROM ZUD_user WHERE UserName = '" + user + "'"); }
    QWidget* formFocus() const { return form->focusWidget(); }
};

TEST_F(ChangePasswordTest, BoxesHoldTenHiddenCharacters)
{
    for (const char* name : {"edtOld_Password", "edtNew_Password", "edtConf_Password"}) {
        EXPECT_EQ(box(name)->maxLength(), 10) << name;
        EXPECT_EQ(box(name)->echoMode(), QLineEdit::Password) << name;
        EXPECT_TRUE(box(name)->text().isEmpty()) << name;
    }
    box("edtNew_Password")->setFocus();
    QTest::keyClicks(box("edtNew_Password"), "12345678901234");
    EXPECT_EQ(box("edtNew_Password")->text(), "1234567890");
    // The password character is "*", not the style's dot.
    EXPECT_EQ(box("edtNew_Password")->displayText(), "**********");
}

TEST_F(ChangePasswordTest, WrongOldPasswordChangesNothing)
{
    const Shown m = save("Wrong1", "New1", "New1", {QMessageBox::Ok});
    EXPECT_EQ(m.texts, QStringList{OldWrong});
    EXPECT_EQ(formFocus(), box("edtOld_Password"));
    EXPECT_EQ(stored("somchai"), "Old1");
    EXPECT_FALSE(main->endRequested());
}

TEST_F(ChangePasswordTest, AnotherUsersPasswordIsNotTheOldPassword)
{
    const Shown m = save("Other1", "New1", "New1", {QMessageBox::Ok});
    EXPECT_EQ(m.texts, QStringList{OldWrong});
    EXPECT_EQ(stored("somchai"), "Old1");
    EXPECT_EQ(stored("other"), "Other1");
}

TEST_F(ChangePasswordTest, CancelledConfirmationChangesNothing)
{
    const Shown m = save("Old1", "New1", "New1", {QMessageBox::Cancel});
    EXPECT_EQ(m.texts, QStringList{Confirm});
    EXPECT_EQ(m.titles, QStringList{"Confirm"});
    EXPECT_EQ(stored("somchai"), "Old1");
    EXPECT_EQ(box("edtNew_Password")->text(), "New1");
    EXPECT_FALSE(main->endRequested());
}

TEST_F(ChangePasswordTest, DifferingConfirmationIsToldAfterTheQuestion)
{
    const Shown m = save("Old1", "New1", "new1", {QMessageBox::Ok, QMessageBox::Ok});
    EXPECT_EQ(m.texts, (QStringList{Confirm, Differ}));
    EXPECT_EQ(box("edtOld_Password")->text(), "Old1");
    EXPECT_EQ(box("edtNew_Password")->text(), "");
    EXPECT_EQ(box("edtConf_Password")->text(), "");
    EXPECT_EQ(formFocus(), box("edtNew_Password"));
    EXPECT_EQ(stored("somchai"), "Old1");
    EXPECT_FALSE(main->endRequested());
}

TEST_F(ChangePasswordTest, EmptyNewPasswordIsRefused)
{
    // An empty password would lock the user out, as the login refuses it.
    for (const QString& conf : {QString(), QStringLiteral("x")}) {
        const Shown m = save("Old1", "", conf, {QMessageBox::Ok});
        EXPECT_EQ(m.texts, QStringList{EmptyNew});
        EXPECT_EQ(formFocus(), box("edtNew_Password"));
        EXPECT_EQ(stored("somchai"), "Old1");
        EXPECT_FALSE(main->endRequested());
    }
}

TEST_F(ChangePasswordTest, ChangeEndsTheProgramAndTheNewPasswordLogsIn)
{
    const Shown m = save("Old1", "N'ew 2", "N'ew 2", {QMessageBox::Ok, QMessageBox::Ok});
    EXPECT_EQ(m.texts, (QStringList{Confirm, Done}));
    EXPECT_EQ(m.unexpected, 0);
    EXPECT_TRUE(main->endRequested());
    EXPECT_EQ(stored("somchai"), "N'ew 2");
    EXPECT_EQ(stored("other"), "Other1");

    // The next run: the old password no longer gets in, the new one does.
    main.reset();
    ASSERT_TRUE(start().isEmpty());
    EXPECT_EQ(login("somchai", "Old1"), QStringList{QStringLiteral("รหัสผ่านไม่ถูกต้อง กรุณาใส่รหัสผ่านใหม่")});
    EXPECT_TRUE(login("somchai", "N'ew 2").isEmpty());
    EXPECT_TRUE(loggedIn());
}

TEST_F(ChangePasswordTest, EnterWalksTheBoxesToTheSaveButton)
{
    QLineEdit* old = box("edtOld_Password");
    old->setFocus();
    QTest::keyClick(old, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(formFocus(), box("edtNew_Password"));
    QTest::keyClick(box("edtNew_Password"), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(formFocus(), box("edtConf_Password"));
    QTest::keyClick(box("edtConf_Password"), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(formFocus(), named<QPushButton>("btnSave_Data", form));
    EXPECT_EQ(stored("somchai"), "Old1");
}
