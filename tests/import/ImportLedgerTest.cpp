#include "AmountFormat.h"
#include "ChequeSave.h"
#include "ImportLedger.h"
#include "ImportSummaryPanel.h"
#include "ImportWindowDriver.h"
#include "Query.h"
#include "SaveStatements.h"
#include "SheetSummary.h"

#include <QLabel>
#include <QListWidget>
#include <QSysInfo>

// The read's summary beside the grid, the ledger row a save writes, and the
// confirmations before saving a file again or one whose totals do not agree,
// all through the import window's controls on a real embedded database.
namespace {

QString money(qint64 satang)
{
    return SheetSummary::formatSatang(satang, AmountFormat());
}

QString sums(qint64 t, qint64 w, qint64 p)
{
    return QStringLiteral("Total %1  WHT %2  To Be Paid %3").arg(money(t), money(w), money(p));
}

class ImportLedgerWindow : public ImportWindowTest {
protected:
    void SetUp() override
    {
        ImportWindowTest::SetUp();
        w->setLoginUserName(QStringLiteral("somchai"));
    }
    QString ledger(const QString& columns, const QString& where = QString())
    {
        return db->scalar(QStringLiteral("SELECT group_concat(r, char(10)) FROM (SELECT %1 AS r FROM TSQ_Import_Log %2 "
                                         "ORDER BY rowid)")
                              .arg(columns, where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where));
    }
    int ledgerRows() { return db->count(QStringLiteral("TSQ_Import_Log")); }
    QString everything()
    {
        return dump("TSQ_Cheque_Main") + dump("TSQ_Cheque_Detail") + dump("TSQR_Profit_Center") + flag();
    }
    ImportSummaryPanel* panel() { return w->SummaryPanel; }
};

TEST_F(ImportLedgerWindow, SummaryBesideTheGridReconcilesTakenAndPassedOverRowsWithTheTotalsRow)
{
    EXPECT_TRUE(openSheet(own("summary_reconciles.xls")).isEmpty());
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_EQ(panel()->lblLines->text(),
              QStringLiteral("นำเข้า 3 บรรทัด เป็นเช็ค 2 ฉบับ\n") + sums(357050, 3505, 353545));
    EXPECT_EQ(panel()->lblPassed->text(), QStringLiteral("ข้าม 3 แถว (ไม่นำเข้า)\n") + sums(40001, 400, 39601));
    ASSERT_EQ(panel()->lstPassed->count(), 3);
    EXPECT_TRUE(panel()->lstPassed->item(0)->text().startsWith(QStringLiteral("แถว 9: ไม่มีเลขที่เช็ค")));
    EXPECT_TRUE(panel()->lstPassed->item(1)->text().startsWith(QStringLiteral("แถว 10: ไม่มีรหัส Profit Center")));
    EXPECT_TRUE(panel()->lstPassed->item(2)->text().startsWith(QStringLiteral("แถว 11: ไม่มีเลขที่เช็คและ")));
    EXPECT_EQ(panel()->lblTotals->text(),
              QStringLiteral("ยอดรวมตรงกับแถวยอดรวมของแฟ้ม (แถว 12)\n") + sums(397051, 3905, 393146));
    EXPECT_EQ(panel()->lblRefusals->text(), QStringLiteral("ไม่มีข้อมูลที่บันทึกไม่ได้"));
    EXPECT_TRUE(panel()->lblFile->text().contains(QStringLiteral("summary_reconciles.xls")));
    // The read touched neither the database nor the flag.
    EXPECT_EQ(ledgerRows(), 0);
    EXPECT_EQ(db->count("TSQ_Cheque_Main"), 0);
    EXPECT_EQ(flag(), "");

    // One satang off, with the totals a row further down: the difference is shown.
    EXPECT_TRUE(openSheet(own("summary_off_by_satang.xls")).isEmpty());
    EXPECT_EQ(panel()->lblTotals->text(), QStringLiteral("ยอดรวมไม่ตรงกับแถวยอดรวมของแฟ้ม (แถว 13)\n")
                                              + sums(397051, 3906, 393146) + QStringLiteral("\nผลต่าง ")
                                              + sums(0, 1, 0));

    EXPECT_TRUE(openSheet(own("summary_no_totals.xls")).isEmpty());
    EXPECT_EQ(panel()->lblTotals->text(), QStringLiteral("ไม่พบแถวยอดรวมในแฟ้ม จึงตรวจยอดไม่ได้"));
    EXPECT_EQ(panel()->lblPassed->text(), QStringLiteral("ไม่มีแถวที่ข้าม"));
    EXPECT_FALSE(panel()->lstPassed->isVisible());
}

TEST_F(ImportLedgerWindow, WhatTheSaveWouldRefuseIsNamedBeforeAnyoneSaves)
{
    EXPECT_TRUE(openSheet(own("summary_refused.xls")).isEmpty());
    EXPECT_EQ(panel()->lblRefusals->text(), QStringLiteral("บันทึกไม่ได้จนกว่าจะแก้ไข 3 รายการ"));
    ASSERT_EQ(panel()->lstRefusals->count(), 3);
    EXPECT_EQ(panel()->lstRefusals->item(0)->text(),
              QStringLiteral("แถว 7 คอลัมน์ T (Total Amou): จำนวนเงินไม่ใช่ตัวเลข \"1,070.00\""));
    EXPECT_EQ(panel()->lstRefusals->item(1)->text(),
              QStringLiteral("แถว 8 คอลัมน์ J+K (Cheque_PK): ยาว 451 ตัวอักษร เก็บได้ไม่เกิน 445"));
    EXPECT_EQ(panel()->lstRefusals->item(2)->text(),
              QStringLiteral("แถว 8 คอลัมน์ K (Check No.): ยาว 446 ตัวอักษร เก็บได้ไม่เกิน 445"));
    // The save refuses without asking and writes nothing.
    const QStringList texts = save({B::Ok});
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("จำนวนเงินไม่ถูกต้อง")));
    EXPECT_EQ(db->count("TSQ_Cheque_Main"), 0);
    EXPECT_EQ(ledgerRows(), 0);
    EXPECT_EQ(flag(), "");
}

TEST_F(ImportLedgerWindow, CellsPastTheOldColumnWidthsSaveWhole)
{
    EXPECT_TRUE(openSheet(own("summary_long_cells.xls")).isEmpty());
    EXPECT_EQ(panel()->lblRefusals->text(), QStringLiteral("ไม่มีข้อมูลที่บันทึกไม่ได้"));
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(db->scalar("SELECT length(Check_No) || '/' || length(Clearing_Date) || '/' || "
                         "length(Profit_Center_Code) || '/' || length(Vendor_Name) FROM TSQ_Cheque_Main"),
              QStringLiteral("120/%1/60/%2")
                  .arg((QStringLiteral("15.05.2010") + QStringLiteral(" ลงวันที่").repeated(20)).size())
                  .arg(QStringLiteral("บริษัท ").repeated(200).trimmed().size()));
}

TEST_F(ImportLedgerWindow, ASaveWritesItsLedgerRowAndTheSameFileAgainAsksFirst)
{
    EXPECT_TRUE(openSheet(own("summary_reconciles.xls")).isEmpty());
    // Sheets that reconcile and were never saved meet the save's own flow only.
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    ASSERT_EQ(ledgerRows(), 1);
    const QString sha = w->findChild<QLabel*>("lblFile")->text().section(QStringLiteral("SHA-256 "), 1);
    EXPECT_EQ(sha.size(), 64);
    EXPECT_EQ(ledger("Login_Name || '|' || Workstation_Name || '|' || File_Name || '|' || File_Size || '|' || "
                     "File_SHA256"),
              QStringLiteral("somchai|%1|summary_reconciles.xls|%2|%3")
                  .arg(QSysInfo::machineHostName())
                  .arg(QFileInfo(own("summary_reconciles.xls")).size())
                  .arg(sha));
    EXPECT_EQ(ledger("Lines_Taken || '|' || Lines_Passed_Over || '|' || Cheques_New || '|' || Cheques_Stored || '|' "
                     "|| Invoice_Lines_Added || '|' || Invoice_Lines_Stored || '|' || Sum_Total_Amount || '|' || "
                     "Sum_WHT_Amount || '|' || Sum_To_Be_Paid || '|' || Reconciled"),
              "3|3|2|0|3|0|3570.5|35.05|3535.45|yes");
    // The server's date and time, as the date-time reader reads it.
    const QDateTime when = QDateTime::fromString(ledger("Import_Date"), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    EXPECT_TRUE(when.isValid());
    EXPECT_LT(std::abs(when.secsTo(QDateTime::currentDateTime())), 60);

    // Again: the ledger knows the file. Cancel changes nothing at all.
    const QString before = everything();
    QStringList texts = save({B::Cancel});
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("แฟ้มนี้เคยบันทึกลงฐานข้อมูลแล้ว 1 ครั้ง:")));
    EXPECT_TRUE(texts[0].contains(QStringLiteral("โดย somchai")));
    EXPECT_TRUE(texts[0].contains(QStringLiteral("3 บรรทัด 2 เช็ค ยอดรวม ") + money(357050)));
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(ledgerRows(), 1);

    // OK goes on to the save's own confirmation and saves; the second row
    // finds what the first one stored.
    texts = save({B::Ok, B::Ok, B::Ok});
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts.mid(1), (QStringList{confirmSave(), saved()}));
    ASSERT_EQ(ledgerRows(), 2);
    EXPECT_EQ(ledger("Cheques_New || '|' || Cheques_Stored || '|' || Invoice_Lines_Added || '|' || "
                     "Invoice_Lines_Stored",
                     "rowid = 2"),
              "0|2|0|3");
}

TEST_F(ImportLedgerWindow, TotalsThatDoNotAgreeAskFirstWithTheDifference)
{
    EXPECT_TRUE(openSheet(own("summary_off_by_satang.xls")).isEmpty());
    QStringList texts = save({B::Cancel});
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].contains(QStringLiteral("(แถว 13)")));
    EXPECT_TRUE(texts[0].contains(QStringLiteral("WHT ") + money(1)));
    EXPECT_EQ(db->count("TSQ_Cheque_Main"), 0);
    EXPECT_EQ(ledgerRows(), 0);
    EXPECT_EQ(flag(), "");

    texts = save({B::Ok, B::Ok, B::Ok});
    EXPECT_EQ(texts.mid(1), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(ledger("Reconciled"), "no");
    // A sheet without a totals row asks nothing more than the save does.
    EXPECT_TRUE(openSheet(own("summary_no_totals.xls")).isEmpty());
    db->exec("DELETE FROM TSQ_Import_Log");
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(ledger("Reconciled"), "none");
}

TEST_F(ImportLedgerWindow, AFailedSaveWritesNoLedgerRow)
{
    EXPECT_TRUE(openSheet(own("summary_reconciles.xls")).isEmpty());
    // The database refuses the last write of the save, the invoice lists.
    db->exec("CREATE TRIGGER refuse BEFORE UPDATE OF Invoice_No ON TSQ_Cheque_Main "
             "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END");
    const QStringList texts = save({B::Ok, B::Ok});
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[1].startsWith(ChequeSave::nothingSavedMessage()));
    EXPECT_EQ(ledgerRows(), 0);
    EXPECT_EQ(db->count("TSQ_Cheque_Main"), 0);
    EXPECT_EQ(flag(), "");
}

TEST_F(ImportLedgerWindow, TwoWorkstationsSavingTheSameFileOneAfterTheOther)
{
    EXPECT_TRUE(openSheet(own("summary_reconciles.xls")).isEmpty());
    EXPECT_EQ(save(), (QStringList{confirmSave(), saved()}));

    // A second program instance on the same database file, another user.
    Connection other;
    other.setConnectionString(Connection::fixedConnectionString());
    other.open();
    auto second = std::make_unique<TfrmIport_Vendor_Cheque>(other);
    second->setLoginUserName(QStringLiteral("malee"));
    second->show();
    std::swap(w, second);
    EXPECT_TRUE(openSheet(own("summary_reconciles.xls")).isEmpty());
    const QStringList texts = save({B::Ok, B::Ok, B::Ok});
    std::swap(w, second);

    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(texts[0].contains(QStringLiteral("โดย somchai")));
    EXPECT_EQ(texts.mid(1), (QStringList{confirmSave(), saved()}));
    EXPECT_EQ(ledger("Login_Name"), "somchai\nmalee");
    EXPECT_EQ(ledger("Cheques_New || '/' || Cheques_Stored"), "2/0\n0/2");
    EXPECT_EQ(db->count("TSQ_Cheque_Detail"), 3);
}

TEST_F(ImportLedgerWindow, AMissingLedgerTableStopsNoSaveAndIsToldOnce)
{
    // As on a SQL Server catalogue made before the ledger.
    db->exec("DROP TABLE TSQ_Import_Log");
    EXPECT_TRUE(openSheet(own("summary_reconciles.xls")).isEmpty());
    QStringList texts = save({B::Ok, B::Ok, B::Ok});
    EXPECT_EQ(texts, (QStringList{confirmSave(), ImportLedger::missingTableMessage(), saved()}));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("sql/sqlserver/upgrade-import-log.sql")));
    EXPECT_EQ(db->count("TSQ_Cheque_Detail"), 3);
    texts = save({B::Ok, B::Ok});
    EXPECT_EQ(texts, (QStringList{confirmSave(), saved()}));
}

TEST(LedgerStatements, TheRowGoesInAsSqlServerReadsItAndComesBackWhole)
{
    TestDatabase db;
    Query q(db.connection());
    ImportLedger::Row row;
    row.login = QStringLiteral("o'neil");
    row.workstation = QStringLiteral("PC-01");
    row.fileName = QStringLiteral("ฎีกา 0553.xls");
    row.fileSize = 5000000000LL;  // past 32 bits
    row.sha256 = QString(64, QChar('a'));
    row.linesTaken = 65531;
    row.linesPassedOver = 4;
    row.chequesNew = 2;
    row.chequesStored = 1;
    row.invoiceLinesAdded = 7;
    row.invoiceLinesStored = 8;
    row.sumTotal = 123456789012;  // 1,234,567,890.12
    row.sumWht = -1;
    row.sumToBePaid = 0;
    row.reconciled = QStringLiteral("no");
    SaveStatements::ledgerInsert(q, row);
    EXPECT_EQ(q.text(),
              QStringLiteral("INSERT INTO TSQ_Import_Log\r\n"
                             "(Import_Date, Login_Name, Workstation_Name, File_Name, File_Size, File_SHA256\r\n"
                             ", Lines_Taken, Lines_Passed_Over, Cheques_New, Cheques_Stored\r\n"
                             ", Invoice_Lines_Added, Invoice_Lines_Stored\r\n"
                             ", Sum_Total_Amount, Sum_WHT_Amount, Sum_To_Be_Paid, Reconciled)\r\n"
                             "VALUES\r\n"
                             "(Getdate(), 'o''neil', 'PC-01', 'ฎีกา 0553.xls', 5000000000, '%1'\r\n"
                             ", 65531, 4, 2, 1\r\n"
                             ", 7, 8\r\n"
                             ", 1234567890.12, -0.01, 0.00, 'no')")
                  .arg(row.sha256));
    q.execute();

    const auto found = ImportLedger::savesOf(q, row.sha256);
    ASSERT_TRUE(found.has_value());
    ASSERT_EQ(found->size(), 1u);
    const ImportLedger::Row& back = found->front();
    EXPECT_TRUE(back.when.isValid());
    EXPECT_EQ(back.login, row.login);
    EXPECT_EQ(back.fileName, row.fileName);
    EXPECT_EQ(back.fileSize, row.fileSize);
    EXPECT_EQ(back.linesTaken, 65531);
    EXPECT_EQ(back.invoiceLinesStored, 8);
    EXPECT_EQ(back.sumTotal, row.sumTotal);
    EXPECT_EQ(back.sumWht, -1);
    EXPECT_EQ(back.reconciled, "no");
    // Another file's hash finds nothing; no table at all is told apart.
    EXPECT_TRUE(ImportLedger::savesOf(q, QString(64, QChar('b')))->empty());
    db.exec("DROP TABLE TSQ_Import_Log");
    EXPECT_FALSE(ImportLedger::savesOf(q, row.sha256).has_value());
}

}
