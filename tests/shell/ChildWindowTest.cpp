#include "ShellFixture.h"

#include "TfrmChangePassword.h"
#include "TfrmIport_Vendor_Cheque.h"
#include "TfrmRep_ChequVendor.h"

#include <QPointer>

class ChildWindowTest : public ShellTest {
protected:
    void SetUp() override
    {
        db.addUser("admin", "pw", 9);
        ASSERT_TRUE(start().isEmpty());
        ASSERT_TRUE(login("admin", "pw").isEmpty());
    }

    // Chooses the menu item and returns the window it opened.
    template <typename Window>
    Window* choose(const char* item)
    {
        const int before = children().size();
        ModalAnswer answers;
        answers.run([&] { named<QAction>(item)->trigger(); });
        EXPECT_TRUE(answers.texts.isEmpty()) << answers.texts.join('|').toStdString();
        EXPECT_EQ(children().size(), before + 1);
        if (children().size() != before + 1)
            return nullptr;
        QMdiSubWindow* frame = main->mdiArea()->subWindowList(QMdiArea::CreationOrder).last();
        EXPECT_TRUE(frame->isVisible());
        EXPECT_TRUE(frame->isMaximized());
        return qobject_cast<Window*>(frame->widget());
    }
};

TEST_F(ChildWindowTest, EachChoiceOpensAFreshWindow)
{
    auto* import1 = choose<TfrmIport_Vendor_Cheque>("N3");
    auto* import2 = choose<TfrmIport_Vendor_Cheque>("N3");
    ASSERT_TRUE(import1 && import2);
    EXPECT_NE(import1, import2);

    auto* report1 = choose<TfrmRep_ChequVendor>("N9");
    auto* report2 = choose<TfrmRep_ChequVendor>("N9");
    ASSERT_TRUE(report1 && report2);
    EXPECT_NE(report1, report2);

    auto* password1 = choose<TfrmChangePassword>("N1");
    password1->findChild<QLineEdit*>("edtOld_Password")->setText("typed");
    auto* password2 = choose<TfrmChangePassword>("N1");
    ASSERT_TRUE(password1 && password2);
    EXPECT_NE(password1, password2);
    EXPECT_EQ(password2->findChild<QLineEdit*>("edtOld_Password")->text(), "");
    EXPECT_EQ(password2->windowTitle(), "frmChangePassword");
    EXPECT_EQ(children().size(), 6);
}

TEST_F(ChildWindowTest, TitleBarCloseOnlyMinimises)
{
    QPointer<TfrmRep_ChequVendor> report = choose<TfrmRep_ChequVendor>("N9");
    ASSERT_TRUE(report);
    QMdiSubWindow* frame = children().last();
    EXPECT_FALSE(frame->close());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(report);
    EXPECT_EQ(children().size(), 1);
    EXPECT_TRUE(frame->isMinimized());
    EXPECT_EQ(frame->widget(), report.data());
}

TEST_F(ChildWindowTest, ExitButtonHidesTheWindowAndTheMainWindowStays)
{
    auto* first = choose<TfrmChangePassword>("N1");
    QPointer<TfrmChangePassword> second = choose<TfrmChangePassword>("N1");
    ASSERT_TRUE(first && second);
    QPointer<QMdiSubWindow> frame = children().last();

    named<QPushButton>("btnExit_Form", second)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_TRUE(second);
    EXPECT_TRUE(second->isWindow());
    EXPECT_FALSE(second->isVisible());
    EXPECT_FALSE(frame);  // the child-window frame is gone
    ASSERT_EQ(children().size(), 1);
    EXPECT_EQ(children().first()->widget(), first);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->endRequested());
}
