#include "DirectoryListBox.h"
#include "FileListBox.h"
#include "QStringPrint.h"
#include "ShellFixture.h"
#include "TestEnv.h"
#include "TfrmImport_Log.h"
#include "TfrmIport_Vendor_Cheque.h"

#include <QDir>
#include <QFileInfo>

// The ledger's menu entry under the reports menu, and the login name that the
// import window hands to the ledger.
namespace {

class ImportLogMenu : public ShellTest {
protected:
    template <typename W>
    W* lastChild()
    {
        const auto list = children();
        return list.isEmpty() ? nullptr : qobject_cast<W*>(list.last()->widget());
    }
};

TEST_F(ImportLogMenu, ShownUnderTheReportsToThoseWhoMayImport)
{
    for (const int level : {4, 5}) {
        SCOPED_TRACE(level);
        main.reset();
        const QString name = QStringLiteral("user%1").arg(level);
        db.addUser(name, "pw", level);
        ASSERT_TRUE(start().isEmpty());
        ASSERT_TRUE(login(name, "pw").isEmpty());
        EXPECT_EQ(itemVisible("N10"), level > 4);
        EXPECT_TRUE(itemVisible("N9"));
        EXPECT_TRUE(named<QMenu>("N7")->actions().contains(named<QAction>("N10")));
        EXPECT_EQ(named<QAction>("N10")->text(), "ประวัติการนำเข้าข้อมูล");
    }
    named<QAction>("N10")->trigger();
    auto* log = lastChild<TfrmImport_Log>();
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isVisible());
}

TEST_F(ImportLogMenu, TheLedgerNamesTheUserAsTypedAtTheLogin)
{
    db.addUser("somchai", "pw", 5);
    ASSERT_TRUE(start().isEmpty());
    ASSERT_TRUE(login("SomChai", "pw").isEmpty());
    named<QAction>("N3")->trigger();
    auto* w = lastChild<TfrmIport_Vendor_Cheque>();
    ASSERT_NE(w, nullptr);

    const QFileInfo sheet(QDir(TestEnv::sourceDir()).filePath(QStringLiteral("tests/import/summary_reconciles.xls")));
    ModalAnswer none;
    none.run([&] {
        w->BitBtn1->click();
        w->DirectoryListBox1->setDirectory(sheet.absolutePath());
        const auto items = w->FileListBox1->findItems(sheet.fileName(), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        w->FileListBox1->setCurrentItem(items.first());
        w->btnOpen->click();
    });
    EXPECT_TRUE(none.texts.isEmpty());
    ModalAnswer save({QMessageBox::Ok, QMessageBox::Ok});
    save.run([&] { w->Button1->click(); });
    EXPECT_EQ(save.texts.size(), 2);
    EXPECT_EQ(db.scalar("SELECT Login_Name || '|' || File_Name FROM TSQ_Import_Log"), "SomChai|summary_reconciles.xls");
}

}
