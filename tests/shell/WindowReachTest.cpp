// The windows at the sizes a clerk works at: every control can be reached,
// focus starts where typing starts, message boxes say what they are, and
// every window carries the program's icon.
#include "Messages.h"
#include "ProgramIcon.h"
#include "QStringPrint.h"
#include "ShellFixture.h"
#include "TfrmChangePassword.h"
#include "TfrmIport_Vendor_Cheque.h"
#include "TfrmRep_ChequVendor.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

// A font at 125 % of the application's, for as long as it lives.
class LargerFont {
public:
    LargerFont() : m_old(QApplication::font())
    {
        QFont f = m_old;
        f.setPointSizeF(f.pointSizeF() * 1.25);
        QApplication::setFont(f);
    }
    ~LargerFont() { QApplication::setFont(m_old); }

private:
    QFont m_old;
};

QString describe(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool isControl(QWidget* w)
{
    return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"))
           && (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QLabel*>(w)
               || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w)
               || qobject_cast<QProgressBar*>(w) || qobject_cast<QGroupBox*>(w));
}

// Scrolls to the control as a user would with the scroll bars, then asks that
// all of it (or, for one larger than the view, as much as the view holds)
// shows inside `visible`, a rectangle of `window`, and that the layout did not
// squeeze it below its own minimum.
::testing::AssertionResult reachable(QWidget* control, QWidget* window, const QRect& visible)
{
    QRect view = visible;
    for (QWidget* p = control->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(p)) {
            area->ensureWidgetVisible(control, 0, 0);
            view &= QRect(area->viewport()->mapTo(window, QPoint(0, 0)), area->viewport()->size());
            break;
        }
    }
    const QRect r(control->mapTo(window, QPoint(0, 0)), control->size());
    const QRect shown = r & view;
    const QSize minimum = control->minimumSizeHint();
    if (shown.width() < std::min(r.width(), view.width()) || shown.height() < std::min(r.height(), view.height())
        || shown.isEmpty())
        return ::testing::AssertionFailure() << control->objectName().toStdString() << " at " << describe(r).toStdString()
                                             << " shows only " << describe(shown).toStdString() << " of view "
                                             << describe(view).toStdString();
    if (control->width() < minimum.width() || control->height() < minimum.height())
        return ::testing::AssertionFailure() << control->objectName().toStdString() << " squeezed to "
                                             << describe(r).toStdString() << ", needs " << minimum.width() << "x"
                                             << minimum.height();
    return ::testing::AssertionSuccess();
}

// Every visible control of the window, reachable inside `visible`.
void expectAllReachable(QWidget* window, const QRect& visible)
{
    int checked = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isControl(w) || !w->isVisibleTo(window))
            continue;
        EXPECT_TRUE(reachable(w, window, visible)) << window->objectName().toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 5) << window->objectName().toStdString();
}

QImage picture(const QIcon& icon)
{
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class WindowReachTest : public ShellTest {
protected:
    void logIn()
    {
        db.addUser("admin", "pw", 9);
        ASSERT_TRUE(start().isEmpty());
        ASSERT_TRUE(login("admin", "pw").isEmpty());
    }

    // The main window as an ordinary window of the given size.
    void sizeMain(const QSize& size)
    {
        main->setWindowState(Qt::WindowNoState);
        main->resize(size);
        QApplication::processEvents();
    }

    template <typename Window>
    Window* choose(const char* item)
    {
        ModalAnswer answers;
        answers.run([&] { named<QAction>(item)->trigger(); });
        EXPECT_TRUE(answers.texts.isEmpty()) << answers.texts.join('|').toStdString();
        QApplication::processEvents();
        QMdiSubWindow* frame = main->mdiArea()->subWindowList(QMdiArea::CreationOrder).value(children().size() - 1);
        return frame ? qobject_cast<Window*>(frame->widget()) : nullptr;
    }

    // What shows of a child window: its part inside the child-window area.
    QRect visibleOf(QWidget* child) const
    {
        QWidget* viewport = main->mdiArea()->viewport();
        return QRect(child->mapFrom(viewport, QPoint(0, 0)), viewport->size()) & child->rect();
    }

    // Opens each child window and checks every control of it.
    void expectEveryWindowReachable()
    {
        auto* import = choose<TfrmIport_Vendor_Cheque>("N3");
        ASSERT_NE(import, nullptr);
        expectAllReachable(import, visibleOf(import));
        // The file-open panel too, once shown.
        ModalAnswer none;
        none.run([&] { import->BitBtn1->click(); });
        QApplication::processEvents();  // the panel's layout settles once it shows
        ASSERT_TRUE(import->Panel2->isVisible());
        EXPECT_TRUE(visibleOf(import).contains(import->Panel2->geometry()))
            << describe(import->Panel2->geometry()).toStdString() << " outside "
            << describe(visibleOf(import)).toStdString();
        for (QWidget* w : import->Panel2->findChildren<QWidget*>())
            if (isControl(w) && w->isVisibleTo(import))
                EXPECT_TRUE(reachable(w, import, visibleOf(import)));
        import->btnCancel->click();

        auto* report = choose<TfrmRep_ChequVendor>("N9");
        ASSERT_NE(report, nullptr);
        expectAllReachable(report, visibleOf(report));

        auto* password = choose<TfrmChangePassword>("N1");
        ASSERT_NE(password, nullptr);
        expectAllReachable(password, visibleOf(password));
    }
};

TEST_F(WindowReachTest, EveryControlIsReachableAt800By600)
{
    ASSERT_TRUE(start().isEmpty());
    sizeMain(QSize(800, 600));
    EXPECT_EQ(main->size(), QSize(800, 600));
    // Logged out: the login panel.
    expectAllReachable(main.get(), main->rect());

    db.addUser("admin", "pw", 9);
    ASSERT_TRUE(login("admin", "pw").isEmpty());
    QApplication::processEvents();
    // The status bar's five panels do not hold the window wider than the screen.
    EXPECT_LE(main->minimumSizeHint().width(), 800);
    EXPECT_EQ(main->width(), 800) << "minimum " << main->minimumSize().width() << ", layout's "
                                  << main->layout()->minimumSize().width() << ", status bar's "
                                  << named<QStatusBar>("StatusBar1")->minimumSizeHint().width() << ", menu bar's "
                                  << main->menuBar()->minimumSizeHint().width();
    for (int i = 0; i < 5; ++i) {
        QLabel* p = named<QLabel>(QStringLiteral("StatusPanel%1").arg(i).toLatin1().constData());
        const QRect r(p->mapTo(main.get(), QPoint(0, 0)), p->size());
        EXPECT_TRUE(main->rect().contains(r)) << i << " " << describe(r).toStdString();
        EXPECT_GT(p->width(), 20) << i;
    }
    expectEveryWindowReachable();
}

TEST_F(WindowReachTest, EveryControlIsReachableAt1366By768WithTheFontAt125Percent)
{
    LargerFont larger;
    logIn();
    sizeMain(QSize(1366, 768));
    EXPECT_EQ(main->size(), QSize(1366, 768));
    expectEveryWindowReachable();
}

TEST_F(WindowReachTest, AWindowSmallerThanItsContentsScrolls)
{
    logIn();
    sizeMain(QSize(640, 420));
    auto* import = choose<TfrmIport_Vendor_Cheque>("N3");
    ASSERT_NE(import, nullptr);
    // The child window fits the area instead of running past it ...
    EXPECT_EQ(visibleOf(import), import->rect());
    // ... and the save button, below the grid, is reached by scrolling.
    auto* area = import->findChild<QScrollArea*>("Panel1Scroll");
    ASSERT_NE(area, nullptr);
    EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(reachable(import->Button1, import, visibleOf(import)));
    EXPECT_TRUE(reachable(import->l_no, import, visibleOf(import)));
}

TEST_F(WindowReachTest, OpenPanelStaysInWhatShowsOfARestoredWindowPartlyOutsideTheArea)
{
    logIn();
    sizeMain(QSize(1024, 700));
    auto* import = choose<TfrmIport_Vendor_Cheque>("N3");
    ASSERT_NE(import, nullptr);
    QMdiSubWindow* frame = children().last();
    frame->showNormal();
    frame->resize(760, 560);
    // Half of it past the right and bottom edges of the child-window area.
    const QSize area = main->mdiArea()->viewport()->size();
    frame->move(area.width() - 420, area.height() - 330);
    QApplication::processEvents();
    const QRect shows = visibleOf(import);
    ASSERT_LT(shows.width(), import->width());
    ASSERT_LT(shows.height(), import->height());

    ModalAnswer none;
    none.run([&] { import->BitBtn1->click(); });
    QApplication::processEvents();
    ASSERT_TRUE(import->Panel2->isVisible());
    EXPECT_TRUE(shows.contains(import->Panel2->geometry()))
        << describe(import->Panel2->geometry()).toStdString() << " outside " << describe(shows).toStdString();

    // Moved fully into the area, the panel follows the next resize.
    frame->move(0, 0);
    frame->resize(700, 500);
    QApplication::processEvents();
    EXPECT_TRUE(visibleOf(import).contains(import->Panel2->geometry()));
}

TEST_F(WindowReachTest, PasswordWindowOpensWithTheFocusInItsFirstBox)
{
    logIn();
    auto* password = choose<TfrmChangePassword>("N1");
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), password->edtOld_Password);
    // Typing goes into it.
    QTest::keyClicks(QApplication::focusWidget(), "abc");
    EXPECT_EQ(password->edtOld_Password->text(), "abc");
}

TEST_F(WindowReachTest, EveryWindowAndChildFrameShowsTheProgramsIcon)
{
    const QImage own = picture(ProgramIcon::icon());
    ASSERT_FALSE(own.isNull());
    // Not the toolkit's default: something of its own, drawn in colour.
    EXPECT_NE(own.pixel(16, 16), own.pixel(0, 0));

    logIn();
    EXPECT_EQ(picture(main->windowIcon()), own);
    choose<TfrmIport_Vendor_Cheque>("N3");
    choose<TfrmRep_ChequVendor>("N9");
    choose<TfrmChangePassword>("N1");
    ASSERT_EQ(children().size(), 3);
    for (QMdiSubWindow* frame : children()) {
        SCOPED_TRACE(frame->widget()->objectName().toStdString());
        EXPECT_EQ(picture(frame->windowIcon()), own);
        EXPECT_EQ(picture(frame->widget()->windowIcon()), own);
    }
}

TEST_F(WindowReachTest, MessageBoxesShowTheirWholeTitleAndTheirKind)
{
    ASSERT_TRUE(start().isEmpty());
    QApplication::setApplicationDisplayName(QStringLiteral("Cheque Vendor"));
    // A refusal of the login: warning icon.
    ModalAnswer refusal({QMessageBox::Ok});
    refusal.run([&] { named<QPushButton>("btnOK")->click(); });
    ASSERT_EQ(refusal.texts, QStringList{QStringLiteral("กรุณาใส่ชื่อผู้ใช้ด้วย")});
    EXPECT_EQ(refusal.icons.value(0), QMessageBox::Warning);

    ModalAnswer boxes({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Cancel});
    boxes.run([&] {
        Messages::information(main.get(), QStringLiteral("ok"));
        Messages::warning(main.get(), QStringLiteral("no"));
        Messages::confirm(main.get(), QStringLiteral("?"));
    });
    EXPECT_EQ(boxes.icons, (QList<QMessageBox::Icon>{QMessageBox::Information, QMessageBox::Warning,
                                                      QMessageBox::Question}));
    EXPECT_EQ(boxes.titles.value(2), "Confirm");
    // Short texts, yet each box is wider than its title as the window manager
    // writes it ("Confirm — Cheque Vendor").
    QFont bold = QApplication::font();
    bold.setBold(true);
    ASSERT_EQ(boxes.widths.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(boxes.widths[i], QFontMetrics(bold).horizontalAdvance(Messages::shownTitle(boxes.titles[i])))
            << boxes.titles[i].toStdString();
    EXPECT_EQ(Messages::shownTitle(QStringLiteral("Confirm")), QStringLiteral("Confirm \u2014 Cheque Vendor"));
    QApplication::setApplicationDisplayName(QString());
}
