#include "ImportWindowDriver.h"

#include "ChequeSave.h"
#include "StringGrid.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QSet>

namespace {

QSet<QString> items(const QString& list)
{
    const QStringList parts = list.split(u';');
    return QSet<QString>(parts.begin(), parts.end());
}

}  // namespace

class ChequeSaveTest : public ImportWindowTest {};

namespace {

// Records what a label showed each time it was painted while the wait cursor was up.
class PaintRecorder : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && QApplication::overrideCursor()
            && QApplication::overrideCursor()->shape() == Qt::WaitCursor)
            shown << static_cast<QLabel*>(o)->text();
        return false;
    }
    QStringList shown;
};

}  // namespace

TEST_F(ChequeSaveTest, RowCounterIsPaintedWhileTheRowsAreWritten)
{
    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    PaintRecorder recorder;
    w->l_no->installEventFilter(&recorder);
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    // No event loop runs between the confirmation and the final message, so
    // these paints were made by the save itself, the last one for the last row.
    ASSERT_FALSE(recorder.shown.isEmpty());
    EXPECT_EQ(recorder.shown.last(), "15");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ChequeSaveTest, TypicalSheetStoresHeadersLinesCentresSumsAndLists)
{
    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));

    EXPECT_EQ(db->count("TSQ_Cheque_Main"), 4);
    EXPECT_EQ(db->count("TSQ_Cheque_Detail"), 15);
    EXPECT_EQ(db->count("TSQR_Profit_Center"), 3);
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 0);
    EXPECT_EQ(flag(), "");

    const QString pk = "2010/10000501";
    EXPECT_EQ(mainField(pk, "Vendor_Name"), QStringLiteral("บริษัท สยามวัสดุ จำกัด"));
    EXPECT_EQ(mainField(pk, "Tax_Number"), "0105536000123");
    EXPECT_EQ(mainField(pk, "Clearing_Date"), "15.05.2010");
    EXPECT_EQ(mainField(pk, "Sum_Total_Amount").toDouble(), 3745.0);
    EXPECT_EQ(mainField(pk, "Sum_WHT_Amount").toDouble(), 35.0);
    EXPECT_EQ(mainField(pk, "Sum_To_Be_Paid").toDouble(), 3710.0);
    const QString list = mainField(pk, "Invoice_No");
    EXPECT_EQ(items(list), (QSet<QString>{"IV5301-001", "IV5301-002", "IV5301-003"}));
    EXPECT_FALSE(list.endsWith(';'));
    EXPECT_EQ(mainField("2010/10000504", "Sum_Total_Amount").toDouble(), 140598.0);

    EXPECT_EQ(db->scalar("SELECT Profit_Center_Name || '|' || Profit_Center_Lacation_Rec_Cheque "
                         "FROM TSQR_Profit_Center WHERE Profit_Center_Code = 'P1010'"),
              QStringLiteral("สำนักงานใหญ่|สำนักงานใหญ่"));
    EXPECT_EQ(db->scalar("SELECT Description || '|' || Total_Amount || '|' || Fund FROM TSQ_Cheque_Detail "
                         "WHERE DocumentNo = '5100000202'"),
              QStringLiteral("ค่าวัสดุก่อสร้าง|10700.0|F101"));

    // What the user sees afterwards: the last row, a full bar, the grid as read.
    EXPECT_EQ(w->l_no->text(), "15");
    EXPECT_EQ(w->ProgressBar1->maximum(), 15);
    EXPECT_EQ(w->ProgressBar1->value(), 15);
    EXPECT_EQ(w->StringGrid1->grid().rowCount(), 16);

    // The same sheet once more changes nothing, once the user has confirmed
    // saving a file saved before.
    const QString main = dump("TSQ_Cheque_Main");
    const QString detail = dump("TSQ_Cheque_Detail");
    const QString centres = dump("TSQR_Profit_Center");
    const QStringList again = save({B::Ok, B::Ok, B::Ok});
    ASSERT_EQ(again.size(), 3);
    EXPECT_TRUE(again[0].startsWith(QStringLiteral("แฟ้มนี้เคยบันทึกลงฐานข้อมูลแล้ว")));
    EXPECT_EQ(again.mid(1), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(dump("TSQ_Cheque_Main"), main);
    EXPECT_EQ(dump("TSQ_Cheque_Detail"), detail);
    EXPECT_EQ(dump("TSQR_Profit_Center"), centres);
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 0);
    EXPECT_EQ(flag(), "");
}

TEST_F(ChequeSaveTest, HeaderRowKeepsItsFirstValuesAndLaterSavesRefreshOnlyTaxSumsAndList)
{
    ASSERT_TRUE(openSheet(own("import_header_rules.xls")).isEmpty());
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    const QString pk = "2010/50000001";
    EXPECT_EQ(mainField(pk, "Vendor_Name"), QStringLiteral("ผู้ขายรายแรก"));
    EXPECT_EQ(mainField(pk, "vendor_name_recmoney"), QStringLiteral("ผู้รับเงินรายแรก"));
    EXPECT_EQ(mainField(pk, "Cheque_Reference_Document_Type"), "KZ");
    EXPECT_EQ(mainField(pk, "Tax_Number"), "3333333333333");  // the last row's
    EXPECT_EQ(mainField(pk, "Sum_Total_Amount").toDouble(), 600.0);
    EXPECT_EQ(mainField(pk, "Sum_WHT_Amount").toDouble(), 6.0);
    EXPECT_EQ(mainField(pk, "Sum_To_Be_Paid").toDouble(), 594.0);
    EXPECT_EQ(mainField(pk, "Invoice_No").split(';').size(), 2);  // HR-1 twice, listed once
    EXPECT_EQ(items(mainField(pk, "Invoice_No")), (QSet<QString>{"HR-1", "HR-2"}));
    // One profit centre, named by the first row that brought it.
    EXPECT_EQ(db->count("TSQR_Profit_Center"), 1);
    EXPECT_EQ(db->scalar("SELECT Profit_Center_Name || '|' || Profit_Center_Lacation_Rec_Cheque "
                         "FROM TSQR_Profit_Center"),
              QStringLiteral("ศูนย์ทดสอบ|ศูนย์ทดสอบ"));
    EXPECT_EQ(db->count("TSQ_Cheque_Detail"), 4);
    const QString other = dump("TSQ_Cheque_Main", "Cheque_PK = '2010/50000002'");

    // A later sheet of the same cheque: one line already stored, one new.
    ASSERT_TRUE(openSheet(own("import_header_rules_later.xls")).isEmpty());
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(mainField(pk, "Vendor_Name"), QStringLiteral("ผู้ขายรายแรก"));
    EXPECT_EQ(mainField(pk, "Tax_Number"), "5555555555555");
    // Sums and list come from this save's rows alone.
    EXPECT_EQ(mainField(pk, "Sum_Total_Amount").toDouble(), 600.0);
    EXPECT_EQ(mainField(pk, "Sum_To_Be_Paid").toDouble(), 594.0);
    EXPECT_EQ(items(mainField(pk, "Invoice_No")), (QSet<QString>{"HR-2", "HR-4"}));
    EXPECT_EQ(db->scalar("SELECT count(*) FROM TSQ_Cheque_Detail WHERE Cheque_PK = '2010/50000001'"), "4");
    EXPECT_EQ(dump("TSQ_Cheque_Main", "Cheque_PK = '2010/50000002'"), other);
    EXPECT_EQ(db->count("TSQR_Profit_Center"), 1);
}

TEST_F(ChequeSaveTest, InvoiceLinesWithEqualAmountsAreKeptApartByDocumentNumber)
{
    ASSERT_TRUE(openSheet(fixture("cheques_save_cases.xls")).isEmpty());
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    auto lines = [&](const QString& pk) {
        return db->scalar(QStringLiteral("SELECT count(*) FROM TSQ_Cheque_Detail WHERE Cheque_PK = '%1'").arg(pk));
    };
    EXPECT_EQ(lines("2010/30000001"), "2");  // 500.00 twice, two invoices
    EXPECT_EQ(lines("2010/30000002"), "3");  // 1500.50, 500 and 500.00
    EXPECT_EQ(lines("2010/30000003"), "14");
    EXPECT_EQ(mainField("2010/30000002", "Sum_Total_Amount").toDouble(), 2500.5);
    EXPECT_EQ(mainField("2010/30000001", "Sum_To_Be_Paid").toDouble(), 1000.0);

    // The list holds the characters themselves, not XML entities.
    EXPECT_EQ(items(mainField("2010/30000002", "Invoice_No")),
              (QSet<QString>{"A&B<01>", "AMT-500", "AMT-500.00"}));
    // Fourteen numbers of 15 characters make 223; the first 180 are kept.
    const QString cut = mainField("2010/30000003", "Invoice_No");
    EXPECT_EQ(cut.size(), 180);
    const QStringList whole = cut.split(';');
    EXPECT_EQ(whole.size(), 12);  // 11 whole numbers and a piece of the 12th
    EXPECT_EQ(QSet<QString>(whole.begin(), whole.end()).size(), 12);

    // Saving the same lines again (confirmed as a file saved before) adds none.
    const QString detail = dump("TSQ_Cheque_Detail");
    EXPECT_EQ(save({B::Ok, B::Ok, B::Ok}).mid(1), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(dump("TSQ_Cheque_Detail"), detail);
}

TEST_F(ChequeSaveTest, InvoiceListsAreDecodedBeforeTheyAreCut)
{
    ASSERT_TRUE(openSheet(own("import_entities.xls")).isEmpty());
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    // Twenty numbers of 8 characters: 179 characters, all of them kept.
    const QString list = mainField("2010/60000001", "Invoice_No");
    EXPECT_EQ(list.size(), 179);
    QSet<QString> expected;
    for (int i = 1; i <= 20; ++i)
        expected << QStringLiteral("R&D-%1").arg(i, 4, 10, QLatin1Char('0'));
    EXPECT_EQ(items(list), expected);
    // Text that merely looks like an entity stays as it was typed.
    EXPECT_EQ(mainField("2010/60000002", "Invoice_No"), "X&amp;Y<1>");
}

TEST_F(ChequeSaveTest, RefusalsWriteNothingAndLeaveTheFlagAsItWas)
{
    // No sheet read yet.
    EXPECT_EQ(save({B::Ok}), QStringList{QStringLiteral("กรุณาเปิดแฟ้มข้อมูลก่อน")});
    // A failed read does not count as read.
    openSheet(fixture("not_a_workbook.xls"), {B::Ok});
    EXPECT_EQ(save({B::Ok}), QStringList{QStringLiteral("กรุณาเปิดแฟ้มข้อมูลก่อน")});
    EXPECT_EQ(flag(), "");

    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    // Cancel at the confirmation.
    EXPECT_EQ(save({B::Cancel}), QStringList{confirmSave()});
    EXPECT_EQ(flag(), "");
    // Another workstation saving: the busy message, no confirmation.
    db->exec("UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = '*'");
    EXPECT_EQ(save({B::Ok}), QStringList{busy()});
    EXPECT_EQ(flag(), "*");
    db->exec("UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = ''");

    // An amount with a thousands separator, found before anything is written.
    ASSERT_TRUE(openSheet(fixture("cheques_bad_amount.xls")).isEmpty());
    EXPECT_EQ(save({B::Ok}),
              QStringList{QStringLiteral("จำนวนเงินไม่ถูกต้อง\nแถว 2 คอลัมน์ Total Amou : 1,500.50")});
    EXPECT_EQ(flag(), "");

    for (const char* table : {"TSQ_Cheque_Main", "TSQ_Cheque_Detail", "TSQR_Profit_Center", "TSQ_Cheque_Temp"})
        EXPECT_EQ(db->count(table), 0) << table;
    EXPECT_EQ(w->l_no->text(), "0");
}

TEST_F(ChequeSaveTest, SheetWithoutLinesTakesAndFreesTheFlag)
{
    EXPECT_EQ(openSheet(fixture("cheques_no_lines.xls"), {B::Ok}),
              QStringList{QStringLiteral("ไม่พบข้อมูลที่ต้องการ")});
    // A staging row some earlier run left behind goes with the emptying.
    db->exec("INSERT INTO TSQ_Cheque_Temp VALUES ('left over', 1, 0, 1, 'X')");
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 0);
    EXPECT_EQ(db->count("TSQ_Cheque_Main"), 0);
    EXPECT_EQ(flag(), "");
}

TEST_F(ChequeSaveTest, FailureMidSaveKeepsNothingFreesTheFlagAndTheSameSheetSavesAgain)
{
    // A cheque already stored, and a profit centre: neither may change.
    ASSERT_TRUE(openSheet(own("import_header_rules.xls")).isEmpty());
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    const QString before = dump("TSQ_Cheque_Main") + dump("TSQ_Cheque_Detail") + dump("TSQR_Profit_Center");

    // Grid row 8 is the first line of cheque 2010/10000503.
    db->exec("CREATE TRIGGER refuse_line BEFORE INSERT ON TSQ_Cheque_Detail "
             "WHEN NEW.Cheque_PK = '2010/10000503' BEGIN SELECT RAISE(ABORT, 'line refused by test'); END");
    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    const QStringList boxes = save({B::Ok, B::Ok});
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0], confirmSave());
    // Nothing saved, said first; the database's own text stays.
    EXPECT_TRUE(boxes[1].startsWith(ChequeSave::nothingSavedMessage())) << boxes[1].toStdString();
    EXPECT_TRUE(boxes[1].contains("line refused by test")) << boxes[1].toStdString();
    EXPECT_FALSE(boxes[1].contains(saved()));

    EXPECT_EQ(dump("TSQ_Cheque_Main") + dump("TSQ_Cheque_Detail") + dump("TSQR_Profit_Center"), before);
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 0);
    EXPECT_EQ(flag(), "");
    // The counter keeps the row the save stopped at; the bar shows nothing kept.
    EXPECT_EQ(w->l_no->text(), "8");
    EXPECT_EQ(w->ProgressBar1->value(), 0);

    // No clearing needed: the same sheet saves once the cause is gone.
    db->exec("DROP TRIGGER refuse_line");
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(db->count("TSQ_Cheque_Main"), 6);
    EXPECT_EQ(db->count("TSQ_Cheque_Detail"), 19);
    EXPECT_EQ(mainField("2010/10000501", "Sum_Total_Amount").toDouble(), 3745.0);  // counted once
    EXPECT_EQ(mainField("2010/10000503", "Sum_Total_Amount").toDouble(), 4280.0);
    EXPECT_EQ(flag(), "");
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 0);
}

TEST_F(ChequeSaveTest, StagingRowsLeftByAnEarlierRunNeverCount)
{
    // A clear that freed the flag but could not empty the staging table.
    db->exec("INSERT INTO TSQ_Cheque_Temp VALUES ('2010/10000501', 3745, 35, 3710, 'OLD-1'), "
             "('2010/10000501', 3745, 35, 3710, 'OLD-2')");
    ASSERT_TRUE(openSheet(fixture("cheques_typical.xls")).isEmpty());
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(mainField("2010/10000501", "Sum_Total_Amount").toDouble(), 3745.0);
    EXPECT_EQ(mainField("2010/10000501", "Sum_To_Be_Paid").toDouble(), 3710.0);
    EXPECT_EQ(items(mainField("2010/10000501", "Invoice_No")),
              (QSet<QString>{"IV5301-001", "IV5301-002", "IV5301-003"}));
    EXPECT_EQ(db->count("TSQ_Cheque_Temp"), 0);
}
