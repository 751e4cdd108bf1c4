#include "ShellFixture.h"

#include "AppIdentity.h"
#include "ProgramWindows.h"
#include "TfrmChangePassword.h"
#include "TfrmIport_Vendor_Cheque.h"
#include "TfrmRep_ChequVendor.h"

#include <QFile>
#include <QMenuBar>

namespace {
const QString NoDatabase = QStringLiteral("ไม่สามารถติดต่อฐานข้อมูลได้");
}

TEST(StartupWithoutDatabase, MissingFileEndsTheProgramWithTheMessage)
{
    const QString path = AppIdentity::embeddedDatabasePath(QStringLiteral("PL_Cheque_Vendor"));
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QString::fromLatin1(suffix));
    ASSERT_FALSE(QFile::exists(path));
    Connection conn;
    std::unique_ptr<ProgramWindows> windows;
    ModalAnswer answers({QMessageBox::Ok});
    answers.run([&] { windows = std::make_unique<ProgramWindows>(conn); });
    EXPECT_EQ(answers.texts, QStringList{NoDatabase});
    EXPECT_EQ(answers.unexpected, 0);
    EXPECT_TRUE(windows->endRequested());
    // Nothing after the failed connection ran: no server text, no version.
    auto* remark = windows->mainWindow().findChild<QLabel*>("StatusPanel3");
    ASSERT_NE(remark, nullptr);
    EXPECT_EQ(remark->text(), "Remark");
    EXPECT_EQ(windows->mainWindow().findChild<QLabel*>("StatusPanel4")->text(), "V");
    // Opening never creates the file.
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ShellTest, StartsLoggedOutWithTheServerAndVersionShown)
{
    const QStringList messages = start();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    ASSERT_FALSE(main->endRequested());

    EXPECT_EQ(main->windowTitle(), "frmMainChequeVendor");
    EXPECT_TRUE(main->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(named<QWidget>("Panel1")->isVisible());
    EXPECT_TRUE(named<QLineEdit>("edtName")->text().isEmpty());
    EXPECT_EQ(focused(), named<QLineEdit>("edtName"));
    EXPECT_TRUE(named<QLineEdit>("edtPassword")->text().isEmpty());
    EXPECT_EQ(named<QLineEdit>("edtPassword")->echoMode(), QLineEdit::Password);
    named<QLineEdit>("edtPassword")->setText("ab1");
    EXPECT_EQ(named<QLineEdit>("edtPassword")->displayText(), "***");
    named<QLineEdit>("edtPassword")->clear();
    EXPECT_FALSE(named<QStatusBar>("StatusBar1")->isVisible());
    EXPECT_FALSE(main->menuBar()->isVisible());
    for (const char* item : {"N2", "N7", "System1", "Administrator1", "NExit"})
        EXPECT_FALSE(itemVisible(item)) << item;

    EXPECT_EQ(panelText(0), "Date");
    EXPECT_EQ(panelText(1), "User Name");
    EXPECT_EQ(panelText(2), "IP Address");
    EXPECT_EQ(panelText(3), "Server IT:PL_Cheque_Vendor(" + conn.serverShortName() + ")");
    EXPECT_EQ(panelText(4), "V.2.0");
    const int widths[5] = {200, 200, 250, 200, 50};
    // The widths each panel asks for; a narrow window may still narrow them.
    for (int i = 0; i < 5; ++i)
        EXPECT_GE(named<QLabel>(QStringLiteral("StatusPanel%1").arg(i).toLatin1().constData())->sizeHint().width(),
                  widths[i]);

    // The server's date (the embedded server's is today's) in the Buddhist era.
    const QDate today = QDate::currentDate();
    const QString date = main->loginValues().ServerDateText;
    EXPECT_EQ(date.right(4).toInt(), today.year() + 543) << date.toStdString();
    EXPECT_EQ(date.left(2).toInt(), today.day());
    EXPECT_EQ(date.mid(3, 2).toInt(), today.month());
}

TEST_F(ShellTest, VersionWithBlanksPassesAndIsShownAsStored)
{
    db.exec("UPDATE ZUD_Version SET Version_NO = ' 2.0 '");
    EXPECT_TRUE(start().isEmpty());
    EXPECT_FALSE(main->endRequested());
    EXPECT_EQ(panelText(4), "V. 2.0 ");
}

TEST_F(ShellTest, OtherVersionEndsTheProgramAfterStartUp)
{
    db.exec("UPDATE ZUD_Version SET Version_NO = '2.00'");
    const QStringList messages = start();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Invalid Version \nPressent Version Is : 2.00");
    EXPECT_TRUE(main->endRequested());
    // Start-up still finishes: the version panel is set.
    EXPECT_EQ(panelText(4), "V.2.00");
}

TEST_F(ShellTest, EmptyVersionTableEndsTheProgram)
{
    db.exec("DELETE FROM ZUD_Version");
    const QStringList messages = start();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Invalid Version \nPressent Version Is : ");
    EXPECT_TRUE(main->endRequested());
}

TEST_F(ShellTest, FailingVersionQueryShowsTheErrorAndStaysLoggedOut)
{
    db.exec("DROP TABLE ZUD_Version");
    const QStringList messages = start();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_FALSE(messages[0].isEmpty());
    EXPECT_FALSE(messages[0].startsWith("Invalid Version"));
    EXPECT_FALSE(main->endRequested());
    EXPECT_EQ(panelText(4), "V");
    EXPECT_TRUE(named<QWidget>("Panel1")->isVisible());
}

TEST(StartupOrder, HiddenInstancesOfTheOtherWindowsFollowTheMainWindow)
{
    TestDatabase db;
    Connection conn;
    ModalAnswer answers;
    std::unique_ptr<ProgramWindows> windows;
    answers.run([&] { windows = std::make_unique<ProgramWindows>(conn); });
    EXPECT_EQ(answers.texts, QStringList());
    ASSERT_FALSE(windows->endRequested());
    windows->show();
    EXPECT_TRUE(windows->mainWindow().isVisible());
    EXPECT_TRUE(windows->mainWindow().isMaximized());
    EXPECT_FALSE(windows->hiddenImport().isVisible());
    EXPECT_FALSE(windows->hiddenReport().isVisible());
    EXPECT_FALSE(windows->hiddenPassword().isVisible());
    // None of them is one of the main window's child windows.
    EXPECT_TRUE(windows->mainWindow().mdiArea()->subWindowList().isEmpty());
}
