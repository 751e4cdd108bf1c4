// The report window from the keyboard, and a grid whose figures show whole.
#include "AmountFormat.h"
#include "ModalAnswer.h"
#include "QStringPrint.h"
#include "ReportGridLayout.h"
#include "StringGrid.h"
#include "TestDatabase.h"
#include "TfrmRep_ChequVendor.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ReportWindowLook : public ::testing::Test {
protected:
    ReportWindowLook()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        w.show();
    }

    void addCheque(const QString& pk, const QString& checkNo, const QString& deka, const QString& vendor,
                   const QString& paid)
    {
        db.exec(QStringLiteral(
                    "INSERT INTO TSQ_Cheque_Main (Cheque_PK, Profit_Center_Code, Deka_Creat_date, "
                    "Deka_Receipt_Date, Payment_Method, Deka_Number, Clearing_Document, Clearing_Date, Check_No, "
                    "Vendor_no, Vendor_Name, Delivery_Mode, Tax_Number, Data_Status, Sum_Total_Amount, "
                    "Sum_WHT_Amount, Sum_To_Be_Paid) VALUES ('%1', 'P1000', '01.03.2026', '02.03.2026', 'C', "
                    "'%3', '0020001234', '05.03.2026', '%2', '0000104455', '%4', 'A', '0105551234567', 'A', %5, "
                    "%5, %5)")
                    .arg(pk, checkNo, deka, vendor, paid));
        db.exec(QStringLiteral("INSERT INTO TSQ_Cheque_Detail (Cheque_PK, Pstng_Date, DocumentNo, Description, "
                               "Total_Amount, WHT_Amount, To_Be_Paid, Fund) VALUES ('%1', '28.02.2026', "
                               "'5100000001', 'ค่าวัสดุสำนักงาน', %2, %2, %2, '0100')")
                    .arg(pk, paid));
    }

    // Presses Enter in a box after typing into it; returns the messages shown.
    QStringList enterIn(QLineEdit* box, const QString& text)
    {
        box->setText(text);
        box->setFocus();
        ModalAnswer answer({QMessageBox::Ok});
        answer.run([&] { QTest::keyClick(box, Qt::Key_Return); });
        EXPECT_EQ(answer.unexpected, 0);
        return answer.texts;
    }

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

}  // namespace

TEST_F(ReportWindowLook, EnterInASearchBoxShowsTheDataForThatBoxsChoice)
{
    addCheque("2026/100001", "100001", "D-01", "บริษัท สยามเครื่องเขียน จำกัด", "10");
    addCheque("2026/100002", "100002", "D-02", "Brien Trading", "20");
    ASSERT_TRUE(w.RadioButton1->isChecked());

    EXPECT_TRUE(enterIn(w.edtCheck_No, "100002").isEmpty());
    EXPECT_TRUE(w.RadioButton2->isChecked());
    EXPECT_EQ(listed(), QStringList{"2026/100002"});

    EXPECT_TRUE(enterIn(w.edtDeka_Number, "D-01").isEmpty());
    EXPECT_TRUE(w.RadioButton3->isChecked());
    EXPECT_EQ(listed(), QStringList{"2026/100001"});

    EXPECT_TRUE(enterIn(w.edtVendor_Name, "Brien").isEmpty());
    EXPECT_TRUE(w.RadioButton4->isChecked());
    EXPECT_EQ(listed(), QStringList{"2026/100002"});

    // A search that finds nothing says so, as the button does.
    EXPECT_EQ(enterIn(w.edtCheck_No, "999"), QStringList{QStringLiteral("ไม่พบข้อมูลที่ต้องการ")});
    EXPECT_EQ(w.edtSum_money->text(), "0.00");
}

TEST_F(ReportWindowLook, AmountsDatesRowNumbersAndHeadersShowWhole)
{
    addCheque("2026/100001", "100001", "D-01", "บริษัท สยามเครื่องเขียน จำกัด", "999999999.99");
    ModalAnswer none;
    none.run([&] { w.btnShow_data->click(); });
    ASSERT_TRUE(none.texts.isEmpty());
    StringGrid* view = w.StringGrid1;
    const auto& columns = ReportGridLayout::columns();
    const QString longest = AmountFormat()(999999999.99);
    int amounts = 0;
    for (int c = 0; c < ReportGridLayout::kColumns; ++c) {
        SCOPED_TRACE(columns[c].header);
        const QModelIndex cell = view->model()->index(0, c);
        // Every column but the free texts holds its value whole.
        const bool freeText = c == 11 || c == 20;
        if (!freeText)
            EXPECT_GE(view->columnWidth(c), view->sizeHintForIndex(cell).width())
                << cell.data().toString().toStdString();
        EXPECT_GE(view->columnWidth(c), view->horizontalHeader()->sectionSizeHint(c));
        const bool right = cell.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight;
        if (columns[c].shown == ReportGridLayout::Shown::Amount) {
            EXPECT_EQ(cell.data().toString(), longest);
            EXPECT_TRUE(right);
            ++amounts;
        } else {
            EXPECT_EQ(right, columns[c].shown == ReportGridLayout::Shown::RowNumber);
        }
    }
    EXPECT_EQ(amounts, 6);
    // The row number of a long report fits its column too.
    w.StringGrid1->grid().setCell(0, 1, QStringLiteral("1048575"));
    view->refresh();
    EXPECT_GE(view->columnWidth(0), view->sizeHintForIndex(view->model()->index(0, 0)).width());
    // The grid keeps the widths the export writes.
    EXPECT_EQ(grid().colWidth(15), 64);
    EXPECT_EQ(grid().colWidth(11), 180);
}
