// The report window driven through its named controls, on a real embedded database.
#include "ColumnLimits.h"
#include "GridExport.h"
#include "InstalledOpener.h"
#include "ModalAnswer.h"
#include "QStringPrint.h"
#include "RecordingOpener.h"
#include "StringGrid.h"
#include "TestDatabase.h"
#include "TfrmRep_ChequVendor.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Types text into a box key by key; QTest's key clicks know only ASCII keys.
void type(QLineEdit* box, const QString& text)
{
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(box, &press);
    }
}

QString lit(QString s)
{
    return "'" + s.replace("'", "''") + "'";
}

struct Cheque {
    QString pk;
    QString checkNo;
    QString deka;
    QString vendor;
    double paid = 0;
    QString profit = QStringLiteral("P1000");
};

class ReportWindow : public ::testing::Test {
protected:
    ReportWindow()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        w.show();
    }

    void addCheque(const Cheque& c)
    {
        db.exec("INSERT INTO TSQ_Cheque_Main (Cheque_PK, Profit_Center_Code, Deka_Creat_date, "
                "Deka_Receipt_Date, Payment_Method, Deka_Number, Clearing_Document, Clearing_Date, "
                "Check_No, Vendor_no, Vendor_Name, Delivery_Mode, Tax_Number, Data_Status, "
                "Cheque_Reference_Document_Type, Invoice_No, vendor_name_recmoney, Sum_Total_Amount, "
                "Sum_WHT_Amount, Sum_To_Be_Paid) VALUES ("
                + lit(c.pk) + "," + lit(c.profit) + ",'01.03.2026','02.03.2026','C'," + lit(c.deka)
                + ",'0020001234','05.03.2026'," + lit(c.checkNo) + ",'0000104455'," + lit(c.vendor)
                + ",'ส่งไปรษณีย์','0105551234567','A','KZ','INV-1;INV-2'," + lit(c.vendor) + ","
                + QString::number(c.paid + 10, 'f', 2) + ",10," + QString::number(c.paid, 'f', 2) + ")");
    }
    void addLine(const QString& pk, const QString& docNo, double paid, const QString& fund = "0100")
    {
        db.exec("INSERT INTO TSQ_Cheque_Detail (Cheque_PK, Pstng_Date, DocumentNo, Description, "
                "Total_Amount, WHT_Amount, To_Be_Paid, Fund) VALUES ("
                + lit(pk) + ",'28.02.2026'," + lit(docNo) + ",'ค่าวัสดุสำนักงาน',"
                + QString::number(paid + 1, 'f', 2) + ",1," + QString::number(paid, 'f', 2) + ","
                + lit(fund) + ")");
    }
    // Two cheques of three and two invoice lines.
    void addTwoCheques()
    {
        addCheque({"2026/100001", "100001", "D-01", "บริษัท สยามเครื่องเขียน จำกัด", 1234.5});
        addLine("2026/100001", "5100000001", 500);
        addLine("2026/100001", "5100000002", 434.5);
        addLine("2026/100001", "5100000003", 300);
        addCheque({"2026/100002", "100002", "D-02", "O'Brien Trading", 200});
        addLine("2026/100002", "5100000004", 150);
        addLine("2026/100002", "5100000005", 50);
    }

    // Presses "show data"; returns the texts of the message boxes it showed.
    QStringList show()
    {
        ModalAnswer answer({QMessageBox::Ok});
        answer.run([&] { QTest::mouseClick(w.btnShow_data, Qt::LeftButton); });
        EXPECT_EQ(answer.unexpected, 0);
        // The view shows what the grid holds: the grid was refreshed.
        EXPECT_EQ(w.StringGrid1->model()->rowCount(), grid().rowCount() - 1);
        return answer.texts;
    }
    QStringList showVendor(const QString& typed)
    {
        QTest::mouseClick(w.RadioButton4, Qt::LeftButton);
        w.edtVendor_Name->clear();
        type(w.edtVendor_Name, typed);
        return show();
    }
    // The cheque keys listed, one per cheque.
    QStringList listed() const
    {
        QStringList keys;
        for (int r = 1; r < grid().rowCount(); ++r)
            if (!grid().cell(1, r).isEmpty())
                keys << grid().cell(1, r);
        return keys;
    }
    const TextGrid& grid() const { return w.StringGrid1->grid(); }

    TestDatabase db;
    TfrmRep_ChequVendor w{db.connection()};
};

const QString kNotFound = QStringLiteral("ไม่พบข้อมูลที่ต้องการ");

TEST_F(ReportWindow, OpensWithAllSelectedEmptyBoxesAndZeroTotal)
{
    EXPECT_EQ(w.windowTitle(), "frmRep_ChequVendor");
    EXPECT_TRUE(w.findChild<QRadioButton*>("RadioButton1")->isChecked());
    for (const char* box : {"edtCheck_No", "edtDeka_Number", "edtVendor_Name"})
        EXPECT_TRUE(w.findChild<QLineEdit*>(box)->text().isEmpty()) << box;
    auto* total = w.findChild<QLineEdit*>("edtSum_money");
    EXPECT_EQ(total->text(), "0");
    EXPECT_FALSE(total->isEnabled());
    EXPECT_EQ(w.findChild<QGroupBox*>("GroupBox2")->title(), "เลือกข้อมูล");
    EXPECT_EQ(w.findChild<QGroupBox*>("GroupBox3")->title(), "สถานะการชำระเงิน");
    EXPECT_EQ(w.findChild<QRadioButton*>("RadioButton3")->text(), "เลขที่ฏีกา");
    EXPECT_EQ(w.findChild<QPushButton*>("btnShow_data")->text(), "แสดงข้อมูล");
    EXPECT_EQ(w.findChild<QPushButton*>("btnExit1")->text(), "กลับสู่เมนูหลัก");
    EXPECT_EQ(w.findChild<QPushButton*>("Button1")->text(), "Export To Excel");
    EXPECT_EQ(w.findChild<QLabel*>("Label4")->text(), "ยอดเงินรวม");
    EXPECT_EQ(w.findChild<QLabel*>("Label7")->text(), "บาท");
    EXPECT_NE(w.findChild<QWidget*>("btnExp_Excel"), nullptr);
    EXPECT_NE(w.findChild<QWidget*>("GroupBox1"), nullptr);
    // Nothing in the grid until the first run.
    EXPECT_EQ(grid().colCount(), 5);
    EXPECT_EQ(grid().rowCount(), 5);
}

TEST_F(ReportWindow, AllListsEachLineWithChequeColumnsOnItsFirstLine)
{
    addTwoCheques();
    addCheque({"2026/100003", "100003", "D-03", "ไม่มีรายการ", 999});  // no lines: never listed
    EXPECT_TRUE(show().isEmpty());

    ASSERT_EQ(grid().colCount(), 25);
    ASSERT_EQ(grid().rowCount(), 6);
    EXPECT_EQ(grid().cell(0, 0), "No. ");
    EXPECT_EQ(grid().cell(1, 0), "Cheque_PK ");
    EXPECT_EQ(grid().cell(17, 0), "Total To Be Paid");
    EXPECT_EQ(grid().cell(24, 0), "Fund");
    EXPECT_EQ(grid().colWidth(0), 40);
    EXPECT_EQ(grid().colWidth(6), 110);
    EXPECT_EQ(grid().colWidth(11), 180);
    EXPECT_EQ(grid().colWidth(15), 64);
    EXPECT_EQ(grid().fixedRows(), 1);

    EXPECT_EQ(grid().cell(0, 1), "1");
    EXPECT_EQ(grid().cell(0, 4), "4");  // the row the cheque starts on, not a cheque count
    EXPECT_EQ(grid().cell(1, 4), "2026/100002");
    EXPECT_EQ(grid().cell(11, 1), "บริษัท สยามเครื่องเขียน จำกัด");
    EXPECT_EQ(grid().cell(11, 4), "O'Brien Trading");
    for (int r : {2, 3, 5})
        for (int c = 0; c < 18; ++c)
            EXPECT_TRUE(grid().cell(c, r).isEmpty()) << c << "," << r;
    for (int r = 1; r <= 5; ++r)
        for (int c = 18; c < 25; ++c)
            EXPECT_FALSE(grid().cell(c, r).isEmpty()) << c << "," << r;

    // Apostrophes keep the spreadsheet from reading these as numbers.
    EXPECT_EQ(grid().cell(7, 1), "'0020001234");
    EXPECT_EQ(grid().cell(13, 1), "'0105551234567");
    EXPECT_EQ(grid().cell(19, 2), "'5100000002");
    EXPECT_EQ(grid().cell(24, 5), "'0100");
    EXPECT_EQ(grid().cell(9, 1), "100001");
    EXPECT_EQ(grid().cell(20, 3), "ค่าวัสดุสำนักงาน");

    EXPECT_EQ(grid().cell(15, 1), "1,244.50");
    EXPECT_EQ(grid().cell(16, 1), "10.00");
    EXPECT_EQ(grid().cell(17, 1), "1,234.50");
    EXPECT_EQ(grid().cell(23, 2), "434.50");
    EXPECT_EQ(grid().cell(21, 2), "435.50");
    // The total counts each cheque's "Total To Be Paid" once, not once per line.
    EXPECT_EQ(w.edtSum_money->text(), "1,434.50");
}

TEST_F(ReportWindow, SelectsByChequeAndPaymentDocumentNumberExactly)
{
    addTwoCheques();
    addCheque({"2026/100011", "1000011", "D-011", "Other", 1});
    addLine("2026/100011", "5100000009", 1);
    addCheque({"2026/100012", "", "", "No number", 7});
    addLine("2026/100012", "5100000010", 7);

    QTest::mouseClick(w.RadioButton2, Qt::LeftButton);
    type(w.edtCheck_No, "100001");
    show();
    EXPECT_EQ(listed(), QStringList{"2026/100001"});
    EXPECT_EQ(grid().rowCount(), 4);

    // An empty box looks for an empty cheque number; it does not list everything.
    w.edtCheck_No->clear();
    show();
    EXPECT_EQ(listed(), QStringList{"2026/100012"});
    EXPECT_EQ(w.edtSum_money->text(), "7.00");

    QTest::mouseClick(w.RadioButton3, Qt::LeftButton);
    type(w.edtDeka_Number, "D-01");
    show();
    EXPECT_EQ(listed(), QStringList{"2026/100001"});

    QTest::mouseClick(w.RadioButton1, Qt::LeftButton);
    show();
    EXPECT_EQ(listed().size(), 4);
    EXPECT_EQ(grid().rowCount(), 1 + 5 + 2);
}

TEST_F(ReportWindow, VendorNameMatchesAnywhereWithTheDatabaseWildcards)
{
    addTwoCheques();
    addCheque({"2026/100020", "100020", "D-20", "ABC Supply", 1});
    addLine("2026/100020", "5100000020", 1);
    addCheque({"2026/100021", "100021", "D-21", "100% Paper", 1});
    addLine("2026/100021", "5100000021", 1);

    showVendor("สยาม");
    EXPECT_EQ(listed(), QStringList{"2026/100001"});
    showVendor("bc sup");  // any case, anywhere in the name
    EXPECT_EQ(listed(), QStringList{"2026/100020"});
    showVendor("A_C");
    EXPECT_EQ(listed(), QStringList{"2026/100020"});
    showVendor("O%Trading");
    EXPECT_EQ(listed(), QStringList{"2026/100002"});
    showVendor("100%Paper");
    EXPECT_EQ(listed(), QStringList{"2026/100021"});
}

TEST_F(ReportWindow, QuoteInTheSearchBoxIsJustText)
{
    addTwoCheques();
    EXPECT_TRUE(showVendor("O'Brien").isEmpty());
    EXPECT_EQ(listed(), QStringList{"2026/100002"});

    EXPECT_EQ(showVendor("x' OR '1'='1"), QStringList{kNotFound});
    QTest::mouseClick(w.RadioButton2, Qt::LeftButton);
    type(w.edtCheck_No, "') OR ('1'='1");
    EXPECT_EQ(show(), QStringList{kNotFound});
}

TEST_F(ReportWindow, NothingFoundLeavesOneEmptyRowAndZeroTotal)
{
    addTwoCheques();
    show();  // a full grid first: the empty result must not leave its rows behind
    ASSERT_EQ(grid().rowCount(), 6);

    EXPECT_EQ(showVendor("ไม่มีผู้ขายนี้"), QStringList{kNotFound});
    ASSERT_EQ(grid().rowCount(), 2);
    EXPECT_EQ(grid().cell(0, 0), "No. ");
    for (int c = 0; c < 25; ++c)
        EXPECT_TRUE(grid().cell(c, 1).isEmpty()) << c;
    EXPECT_EQ(w.edtSum_money->text(), "0.00");
}

TEST_F(ReportWindow, CutsNullsAndZeroAmounts)
{
    const QString longCode = QString(45, QChar('7'));
    addCheque({"2026/100030", "100030", "D-30", "Zero Ltd", 0, longCode});
    db.exec("INSERT INTO TSQ_Cheque_Detail (Cheque_PK, DocumentNo) VALUES ('2026/100030', '51')");
    db.exec("UPDATE TSQ_Cheque_Main SET Clearing_Date = '" + QString(120, QChar('d')) + "'");
    show();
    ASSERT_EQ(grid().rowCount(), 2);
    EXPECT_EQ(grid().cell(2, 1), longCode.left(40));
    EXPECT_EQ(grid().cell(8, 1), QString(100, QChar('d')));
    EXPECT_EQ(grid().cell(17, 1), "0.00");
    // The line's missing values: empty text, and 0 for the amounts.
    EXPECT_EQ(grid().cell(18, 1), "");
    EXPECT_EQ(grid().cell(21, 1), "0.00");
    EXPECT_EQ(grid().cell(23, 1), "0.00");
    EXPECT_EQ(grid().cell(24, 1), "'");
    EXPECT_EQ(w.edtSum_money->text(), "0.00");
}

TEST_F(ReportWindow, FailingStatementShowsTheDatabaseMessage)
{
    addTwoCheques();
    db.exec("DROP TABLE TSQ_Cheque_Detail");
    const QStringList texts = show();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].contains("TSQ_Cheque_Detail")) << texts[0].toStdString();
    EXPECT_EQ(grid().cell(0, 0), "No. ");  // the set-up before the statement stays
    EXPECT_EQ(w.edtSum_money->text(), "0");
}

TEST_F(ReportWindow, ExportHandsTheWorkbookOnOrSaysWhereItIs)
{
    addTwoCheques();
    show();
    RecordingOpener opener(false);  // as on a desktop without a spreadsheet program
    InstalledOpener installed(opener);
    ModalAnswer answer({QMessageBox::Ok});
    answer.run([&] { QTest::mouseClick(w.Button1, Qt::LeftButton); });

    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_TRUE(QFileInfo(opener.opened[0]).size() > 0) << opener.opened[0].toStdString();
    EXPECT_EQ(answer.texts, QStringList{GridExport::notOpenedMessage(opener.opened[0])});
}

}

TEST_F(ReportWindow, SearchTextThatCannotBeSearchedAsTypedIsRefusedInItsBox)
{
    const int key = ColumnLimits::kKeyLength;
    const QString longestNo = QString(key, QChar('9'));
    const QString longestDeka = QString(key, QChar('D'));
    const QString longName = QString(3000, QChar(u'ก'));  // names have no limit
    addCheque({"2026/100040", longestNo, longestDeka, longName, 10});
    addLine("2026/100040", "5100000040", 10);
    struct Box {
        QRadioButton* radio;
        QLineEdit* edit;
        QString longest;
        bool limited;
    };
    const Box boxes[] = {{w.RadioButton2, w.edtCheck_No, longestNo, true},
                         {w.RadioButton3, w.edtDeka_Number, longestDeka, true},
                         {w.RadioButton4, w.edtVendor_Name, longName, false}};
    for (const Box& b : boxes) {
        SCOPED_TRACE(b.edit->objectName().toStdString());
        QTest::mouseClick(b.radio, Qt::LeftButton);
        // One more than the column holds, so a longer text stays visible as
        // such; the box's own default where the column has no limit.
        EXPECT_EQ(b.edit->maxLength(), b.limited ? key + 1 : 32767);
        b.edit->setText(b.longest);
        EXPECT_TRUE(show().isEmpty());  // the longest stored value is found
        EXPECT_EQ(listed(), QStringList{"2026/100040"});

        QStringList refused = {
            QStringLiteral("99") + QChar(0) + QStringLiteral("9"),  // a NUL
            QStringLiteral("9") + QChar(0xD800),                    // half a surrogate pair
            QString(QChar(0xDC00)) + QStringLiteral("9"),
        };
        if (b.limited) {
            refused << b.longest + QStringLiteral("9")   // longer than any stored value
                    << QString(2 * key, QChar('9'));     // pasted: cut to the box's limit, still too long
        }
        for (const QString& text : refused) {
            w.StringGrid1->grid().setCell(1, 1, "before");
            b.edit->setText(text);
            w.btnShow_data->setFocus();
            const QStringList texts = show();
            ASSERT_EQ(texts.size(), 1);
            EXPECT_NE(texts[0], kNotFound);
            EXPECT_EQ(grid().cell(1, 1), "before");  // no search ran
            EXPECT_EQ(w.focusWidget(), b.edit);
        }
        b.edit->clear();
    }
    // Trailing blanks do not count where the database compares with "=".
    QTest::mouseClick(w.RadioButton2, Qt::LeftButton);
    w.edtCheck_No->setText(longestNo + " ");
    EXPECT_TRUE(show().isEmpty());
    EXPECT_EQ(listed(), QStringList{"2026/100040"});
    // A name longer than any stored one is searched, and simply not found.
    QTest::mouseClick(w.RadioButton4, Qt::LeftButton);
    w.edtVendor_Name->setText(longName + QStringLiteral("ก"));
    EXPECT_EQ(show(), QStringList{kNotFound});
    // And no longer value can be stored in the first place.
    EXPECT_THROW(db.exec("UPDATE TSQ_Cheque_Main SET Check_No = '" + longestNo + "9'"), std::exception);
    EXPECT_THROW(db.exec("UPDATE TSQ_Cheque_Main SET Deka_Number = '" + longestDeka + "D'"), std::exception);
    // A whole pair is an ordinary character.
    QTest::mouseClick(w.RadioButton2, Qt::LeftButton);
    w.edtCheck_No->setText(QStringLiteral("9") + QChar(0xD83D) + QChar(0xDE00));
    EXPECT_EQ(show(), QStringList{kNotFound});
}
