#include "ImportWindowDriver.h"

#include "ChildWindows.h"
#include "GridExport.h"
#include "InstalledOpener.h"
#include "RecordingOpener.h"
#include "StagingFlag.h"
#include "StringGrid.h"

#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QProgressBar>

TEST_F(ImportWindowTest, FreshWindowShowsOnlyTheMainPanelAndAnEmptyGrid)
{
    EXPECT_EQ(w->windowTitle(), "frmIport_Vendor_Cheque");
    EXPECT_EQ(w->l_no->text(), "0");
    EXPECT_TRUE(w->Panel1->isVisible());
    EXPECT_FALSE(w->Panel2->isVisible());
    EXPECT_FALSE(w->Panel4->isVisible());
    EXPECT_EQ(w->StringGrid1->grid().colCount(), 5);
    EXPECT_EQ(w->StringGrid1->grid().rowCount(), 5);
    EXPECT_EQ(w->ProgressBar1->maximum(), 100);
    EXPECT_TRUE(w->Label10->text().contains(QStringLiteral("เครื่องหมาย ' และ \" ในแฟ้มจะถูกบันทึกตามที่เป็นอยู่")));
    // Controls are found by their names.
    for (const char* name : {"BitBtn1", "BitBtn2", "btnClear_Temp", "btnExp_Excel1", "Button1", "btnOpen",
                             "btnCancel", "Button2"})
        EXPECT_NE(w->findChild<QPushButton*>(name), nullptr) << name;
}

TEST_F(ImportWindowTest, GateRefusesOnlyAnExactAsterisk)
{
    struct Case {
        const char* sql;
        bool refused;
    };
    const Case cases[] = {
        {"UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = '*'", true},
        {"UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = '**'", false},
        {"UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = ' *'", false},
        {"UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = ''", false},
        {"UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = NULL", false},
        {"DELETE FROM TSQ_IsUse_Data_Temp", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        db->exec(QString::fromUtf8(c.sql));
        w->Panel2->hide();
        const QStringList boxes = click(w->BitBtn1, {B::Ok});
        if (c.refused) {
            EXPECT_EQ(boxes, QStringList{busy()});
            EXPECT_FALSE(w->Panel2->isVisible());
        } else {
            EXPECT_TRUE(boxes.isEmpty());
            EXPECT_TRUE(w->Panel2->isVisible());
        }
    }
}

TEST_F(ImportWindowTest, ClearButtonAsksFirstThenFreesTheFlagAndEmptiesStaging)
{
    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    db->exec("UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = '*'");
    db->exec("INSERT INTO TSQ_Cheque_Temp (Cheque_PK, Total_Amount) VALUES ('2010/1', 1), ('2010/2', 2)");

    EXPECT_EQ(click(w->btnClear_Temp, {B::Cancel}), QStringList{QStringLiteral("ยืนยันการลบข้อมูล Temp")});
    EXPECT_EQ(flag(), "*");
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 2);

    EXPECT_EQ(click(w->btnClear_Temp, {B::Ok, B::Ok}),
              (QStringList{QStringLiteral("ยืนยันการลบข้อมูล Temp"),
                           QStringLiteral("ทำการบัน Clear ข้อมูลเรียบร้อยแล้ว")}));
    EXPECT_EQ(flag(), "");
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 0);
    // The grid keeps the sheet read before.
    EXPECT_EQ(w->StringGrid1->grid().rowCount(), 16);
    // And the gate lets the user in again.
    EXPECT_TRUE(click(w->BitBtn1).isEmpty());
    EXPECT_TRUE(w->Panel2->isVisible());
}

TEST_F(ImportWindowTest, ClearButtonRefusesWhileAnotherWorkstationsSaveHoldsTheDatabase)
{
    db->exec("UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = '*'");
    db->exec("INSERT INTO TSQ_Cheque_Temp (Cheque_PK, Total_Amount) VALUES ('2010/1', 1)");
    Connection saving;  // a save in its transaction on another workstation
    saving.setConnectionString(Connection::fixedConnectionString());
    saving.open();
    ASSERT_TRUE(saving.begin(0));
    EXPECT_EQ(click(w->btnClear_Temp, {B::Ok, B::Ok}),
              (QStringList{QStringLiteral("ยืนยันการลบข้อมูล Temp"), StagingFlag::saveRunningMessage()}));
    EXPECT_EQ(flag(), "*");
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 1);
    saving.rollback();
    // The save is gone; its flag is cleared as the button promises.
    EXPECT_EQ(click(w->btnClear_Temp, {B::Ok, B::Ok}).value(1), StagingFlag::clearedMessage());
    EXPECT_EQ(flag(), "");
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 0);
}

TEST_F(ImportWindowTest, OpenReadsTheChosenSheetAndHidesThePanelAndItsTitleStrip)
{
    EXPECT_TRUE(click(w->BitBtn1).isEmpty());
    EXPECT_TRUE(w->Panel3->isVisible());

    EXPECT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    const TextGrid& g = w->StringGrid1->grid();
    EXPECT_EQ(g.colCount(), 26);
    EXPECT_EQ(g.rowCount(), 16);
    EXPECT_EQ(g.cell(1, 1), "2010/10000501");
    EXPECT_EQ(g.cell(3, 1), QStringLiteral("สำนักงานใหญ่"));
    EXPECT_EQ(w->StringGrid1->model()->rowCount(), 15);  // the view shows it too
    EXPECT_FALSE(w->Panel2->isVisible());
    EXPECT_FALSE(w->Panel3->isVisible());

    // The panel comes back without its title strip.
    EXPECT_TRUE(click(w->BitBtn1).isEmpty());
    EXPECT_TRUE(w->Panel2->isVisible());
    EXPECT_FALSE(w->Panel3->isVisible());
    click(w->btnCancel);
    EXPECT_FALSE(w->Panel2->isVisible());
    EXPECT_EQ(g.rowCount(), 16);
}

TEST_F(ImportWindowTest, FailedOrEmptyReadsKeepTheGridAndSaySo)
{
    // Nothing chosen.
    EXPECT_TRUE(click(w->BitBtn1).isEmpty());
    w->FileListBox1->clearSelection();
    EXPECT_EQ(click(w->btnOpen, {B::Ok}), QStringList{QStringLiteral("ยังไม่ได้เลือกแฟ้มข้อมูล")});
    EXPECT_FALSE(w->Panel2->isVisible());

    // Not a workbook: the reader's own message, naming the file; grid and title strip as they were.
    const QStringList bad = openSheet(fixture("not_a_workbook.xls"), {B::Ok});
    ASSERT_EQ(bad.size(), 1);
    EXPECT_TRUE(bad[0].contains("not_a_workbook.xls")) << bad[0].toStdString();
    EXPECT_EQ(w->StringGrid1->grid().colCount(), 5);
    EXPECT_TRUE(click(w->BitBtn1).isEmpty());
    EXPECT_TRUE(w->Panel3->isVisible());
    click(w->btnCancel);

    // A sheet without payment lines: the header row alone and a plain message.
    EXPECT_EQ(openSheet(fixture("cheques_no_lines.xls"), {B::Ok}),
              QStringList{QStringLiteral("ไม่พบข้อมูลที่ต้องการ")});
    EXPECT_EQ(w->StringGrid1->grid().colCount(), 26);
    EXPECT_EQ(w->StringGrid1->grid().rowCount(), 1);
}

TEST_F(ImportWindowTest, FileListFollowsTheFilterAndTheDirectoryList)
{
    const QString dir = TestEnv::fixturesDir();
    w->DirectoryListBox1->setDirectory(dir);
    EXPECT_EQ(w->FileListBox1->directory(), QDir::cleanPath(dir));
    ASSERT_EQ(w->FilterComboBox1->currentText(), "Excel File");
    const QStringList xls =
        QDir(dir).entryList({"*.xls", "*.xlsx", "*.xlsm", "*.ods"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    QStringList listed;
    for (int i = 0; i < w->FileListBox1->count(); ++i)
        listed << w->FileListBox1->item(i)->text();
    EXPECT_EQ(listed, xls);

    w->FilterComboBox1->setCurrentIndex(w->FilterComboBox1->findText("All files (*.*)"));
    EXPECT_EQ(w->FileListBox1->count(), QDir(dir).entryList(QDir::Files).size());
    EXPECT_FALSE(w->FileListBox1->findItems("make_fixtures.py", Qt::MatchExactly).isEmpty());

    // Activating the parent directory's item moves both lists up one level.
    QListWidgetItem* parent = nullptr;
    for (int i = 0; i < w->DirectoryListBox1->count(); ++i)
        if (w->DirectoryListBox1->item(i)->text() == "tests")
            parent = w->DirectoryListBox1->item(i);
    ASSERT_NE(parent, nullptr);
    emit w->DirectoryListBox1->itemActivated(parent);
    EXPECT_EQ(w->FileListBox1->directory(), QDir::cleanPath(dir + "/.."));
    EXPECT_FALSE(w->FileListBox1->findItems("CMakeLists.txt", Qt::MatchExactly).isEmpty());
    // ... and its subdirectories are listed below it, "fixtures" among them.
    const auto sub = w->DirectoryListBox1->findItems("fixtures", Qt::MatchExactly);
    ASSERT_EQ(sub.size(), 1);
    emit w->DirectoryListBox1->itemActivated(sub.first());
    EXPECT_EQ(w->FileListBox1->directory(), QDir::cleanPath(dir));
}

TEST_F(ImportWindowTest, ExportHandsTheGridToTheOpenerAndReportsWhenNothingOpensIt)
{
    RecordingOpener opener;
    InstalledOpener installed(opener);
    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    EXPECT_TRUE(click(w->btnExp_Excel1).isEmpty());
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(opener.opened[0]));

    opener.answer = false;
    const QStringList boxes = click(w->btnExp_Excel1, {B::Ok});
    ASSERT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(boxes, QStringList{GridExport::notOpenedMessage(opener.opened[1])});
}

TEST_F(ImportWindowTest, ExitButtonHidesTheChildWindowAndTheMainWindowStays)
{
    QMainWindow main;
    auto* area = new QMdiArea(&main);
    main.setCentralWidget(area);
    main.show();
    TfrmIport_Vendor_Cheque* child = w.release();
    ChildWindows::show(area, child);
    EXPECT_TRUE(child->isVisible());
    child->BitBtn2->click();
    EXPECT_FALSE(child->isVisible());
    EXPECT_TRUE(main.isVisible());
    delete child;
}
