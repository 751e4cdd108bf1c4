#include "TfrmRep_ChequVendor.h"

#include "AmountFormat.h"
#include "ChequeReport.h"
#include "ChildWindows.h"
#include "DocumentOpener.h"
#include "ErrorGuard.h"
#include "GridExport.h"
#include "Messages.h"
#include "NamedWidget.h"
#include "ProgramIcon.h"
#include "ReportGridLayout.h"
#include "SearchText.h"
#include "SharedTexts.h"
#include "StringGrid.h"
#include "TextGrid.h"
#include "WaitCursor.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

TfrmRep_ChequVendor::TfrmRep_ChequVendor(Connection& db, QWidget* parent)
    : QWidget(parent), ADOQuery1(db)
{
    setObjectName(QStringLiteral("frmRep_ChequVendor"));
    setWindowTitle(QStringLiteral("frmRep_ChequVendor"));
    setWindowIcon(ProgramIcon::icon());
    resize(979, 563);

    btnExp_Excel = named<QFrame>("btnExp_Excel");
    btnExp_Excel->setFrameShape(QFrame::StyledPanel);
    GroupBox1 = named<QGroupBox>("GroupBox1");
    GroupBox2 = named<QGroupBox>("GroupBox2", QStringLiteral("เลือกข้อมูล"));
    GroupBox3 = named<QGroupBox>("GroupBox3", QStringLiteral("สถานะการชำระเงิน"));
    RadioButton1 = named<QRadioButton>("RadioButton1", QStringLiteral("ทั้งหมด"));
    RadioButton2 = named<QRadioButton>("RadioButton2", QStringLiteral("เลขที่เช็ค"));
    RadioButton3 = named<QRadioButton>("RadioButton3", QStringLiteral("เลขที่ฏีกา"));
    RadioButton4 = named<QRadioButton>("RadioButton4", QStringLiteral("Vendor Name"));
    edtCheck_No = named<QLineEdit>("edtCheck_No");
    edtDeka_Number = named<QLineEdit>("edtDeka_Number");
    edtVendor_Name = named<QLineEdit>("edtVendor_Name");
    edtCheck_No->setMaxLength(SearchText::boxMaxLength(ReportSelection::Mode::ChequeNo));
    edtDeka_Number->setMaxLength(SearchText::boxMaxLength(ReportSelection::Mode::DekaNumber));
    edtVendor_Name->setMaxLength(SearchText::boxMaxLength(ReportSelection::Mode::VendorName));
    edtCheck_No->setMinimumWidth(160);
    edtDeka_Number->setMinimumWidth(160);
    edtVendor_Name->setMinimumWidth(253);
    btnShow_data = named<QPushButton>("btnShow_data", QStringLiteral("แสดงข้อมูล"));
    btnExit1 = named<QPushButton>("btnExit1", QStringLiteral("กลับสู่เมนูหลัก"));
    StringGrid1 = named<StringGrid>("StringGrid1");
    StringGrid1->setMinimumSize(300, 150);
    lookOfGrid();
    Label4 = named<QLabel>("Label4", QStringLiteral("ยอดเงินรวม"));
    edtSum_money = named<QLineEdit>("edtSum_money");
    edtSum_money->setEnabled(false);
    edtSum_money->setAlignment(Qt::AlignRight);
    edtSum_money->setMinimumWidth(160);
    edtSum_money->setMaximumWidth(220);
    // Display only, but the total must stay as legible as the grid.
    QPalette totalPalette = edtSum_money->palette();
    totalPalette.setColor(QPalette::Disabled, QPalette::Text, totalPalette.color(QPalette::Active, QPalette::Text));
    edtSum_money->setPalette(totalPalette);
    Label7 = named<QLabel>("Label7", QStringLiteral("บาท"));
    Button1 = named<QPushButton>("Button1", QStringLiteral("Export To Excel"));
    Button1->setMinimumSize(173, 41);

    // Radio buttons and their boxes: cheque and payment-document number down
    // the left, the vendor name at the top right.
    auto* choices = new QGridLayout(GroupBox3);
    choices->addWidget(RadioButton1, 0, 0);
    choices->addWidget(RadioButton2, 1, 0);
    choices->addWidget(edtCheck_No, 1, 1);
    choices->addWidget(RadioButton3, 2, 0);
    choices->addWidget(edtDeka_Number, 2, 1);
    choices->addWidget(RadioButton4, 0, 3, Qt::AlignLeft);
    choices->addWidget(edtVendor_Name, 1, 3);
    choices->setColumnMinimumWidth(2, 24);
    choices->setColumnStretch(4, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(btnShow_data);
    buttons->addWidget(btnExit1);
    buttons->addStretch();
    auto* select = new QHBoxLayout(GroupBox2);
    select->addWidget(GroupBox3, 1);
    select->addLayout(buttons);

    auto* totalRow = new QHBoxLayout;
    totalRow->addStretch();
    totalRow->addWidget(Label4);
    totalRow->addWidget(edtSum_money);
    totalRow->addWidget(Label7);

    auto* inner = new QVBoxLayout(GroupBox1);
    inner->addWidget(GroupBox2);
    inner->addWidget(StringGrid1, 1);
    inner->addLayout(totalRow);

    auto* panel = new QVBoxLayout(btnExp_Excel);
    panel->addWidget(GroupBox1, 1);
    panel->addWidget(Button1, 0, Qt::AlignLeft);

    // Where the window is smaller than its contents, they scroll: every
    // control stays reachable at any size.
    auto* scroll = named<QScrollArea>("btnExp_ExcelScroll");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(btnExp_Excel);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    connect(btnShow_data, &QPushButton::clicked, this, &TfrmRep_ChequVendor::btnShow_dataClick);
    connect(btnExit1, &QPushButton::clicked, this, &TfrmRep_ChequVendor::btnExit1Click);
    connect(Button1, &QPushButton::clicked, this, &TfrmRep_ChequVendor::Button1Click);
    for (QLineEdit* box : {edtCheck_No, edtDeka_Number, edtVendor_Name})
        connect(box, &QLineEdit::returnPressed, this, &TfrmRep_ChequVendor::edtCheck_NoReturnPressed);

    FormCreate();
}

void TfrmRep_ChequVendor::FormCreate()
{
    RadioButton1->setChecked(true);
    edtCheck_No->clear();
    edtDeka_Number->clear();
    edtVendor_Name->clear();
    edtSum_money->setText(QStringLiteral("0"));
}

void TfrmRep_ChequVendor::lookOfGrid()
{
    const auto& columns = ReportGridLayout::columns();
    for (int c = 0; c < ReportGridLayout::kColumns; ++c) {
        switch (columns[c].shown) {
        case ReportGridLayout::Shown::RowNumber:
            StringGrid1->setColumnLook(c, Qt::AlignRight, QStringLiteral("0000000"));
            break;
        case ReportGridLayout::Shown::Amount:
            StringGrid1->setColumnLook(c, Qt::AlignRight, AmountFormat()(999999999.99));
            break;
        default:
            break;
        }
    }
    // Dates are text as SAP wrote them (dd.mm.yyyy); keys and numbers of a
    // fixed length show whole too, the apostrophe of the text columns included.
    const struct {
        const char* field;
        const char* widest;
    } fixed[] = {{"Deka_Creat_date", "00.00.0000"}, {"Deka_Receipt_Date", "00.00.0000"},
                 {"Clearing_Date", "00.00.0000"},   {"Pstng_Date", "00.00.0000"},
                 {"Cheque_PK", "0000/00000000"},    {"Clearing_Document", "'0000000000"},
                 {"Check_No", "00000000"},          {"Vendor_no", "0000000000"},
                 {"Tax_Number", "'0000000000000"},  {"DocumentNo", "'0000000000"}};
    for (const auto& f : fixed)
        for (int c = 0; c < ReportGridLayout::kColumns; ++c)
            if (columns[c].field && qstrcmp(columns[c].field, f.field) == 0)
                StringGrid1->setColumnLook(c, Qt::AlignLeft, QString::fromLatin1(f.widest));
}

void TfrmRep_ChequVendor::edtCheck_NoReturnPressed()
{
    // Enter in a search box shows the data for that box's choice.
    auto* box = qobject_cast<QLineEdit*>(sender());
    QRadioButton* choice = box == edtCheck_No      ? RadioButton2
                           : box == edtDeka_Number ? RadioButton3
                           : box == edtVendor_Name ? RadioButton4
                                                   : nullptr;
    if (!choice)
        return;
    choice->setChecked(true);
    btnShow_dataClick();
}

ReportSelection TfrmRep_ChequVendor::selection() const
{
    if (RadioButton2->isChecked())
        return {ReportSelection::Mode::ChequeNo, edtCheck_No->text()};
    if (RadioButton3->isChecked())
        return {ReportSelection::Mode::DekaNumber, edtDeka_Number->text()};
    if (RadioButton4->isChecked())
        return {ReportSelection::Mode::VendorName, edtVendor_Name->text()};
    return {ReportSelection::Mode::All, QString()};
}

void TfrmRep_ChequVendor::btnShow_dataClick()
{
    guarded(this, [&] {
        const ReportSelection chosen = selection();
        if (const QString refusal = SearchText::refusal(chosen); !refusal.isEmpty()) {
            Messages::warning(this, refusal);
            QLineEdit* box = chosen.mode == ReportSelection::Mode::ChequeNo     ? edtCheck_No
                             : chosen.mode == ReportSelection::Mode::DekaNumber ? edtDeka_Number
                                                                                 : edtVendor_Name;
            box->setFocus();
            return;
        }
        ChequeReport::Outcome out;
        {
            WaitCursor wait;
            // The grid shows what the run wrote, also when the statement fails.
            struct Refresh {
                StringGrid* grid;
                ~Refresh() { grid->refresh(); }
            } refresh{StringGrid1};
            out = ChequeReport::run(ADOQuery1, StringGrid1->grid(), chosen);
        }
        StringGrid1->scrollToStart();
        edtSum_money->setText(out.totalText);
        if (out.lines == 0)
            Messages::information(this, SharedTexts::nothingFound());
    });
}

void TfrmRep_ChequVendor::btnExit1Click()
{
    guarded(this, [&] { ChildWindows::exit(this); });
}

void TfrmRep_ChequVendor::closeEvent(QCloseEvent* event)
{
    StringGrid1->grid() = TextGrid();
    StringGrid1->refresh();
    QWidget::closeEvent(event);
}

void TfrmRep_ChequVendor::Button1Click()
{
    guarded(this, [&] {
        WaitCursor w;
        auto r = GridExport::run(StringGrid1->grid(), GridExport::Variant::Report, DocumentOpener::current());
        if (!r.opened)
            Messages::warning(this, GridExport::notOpenedMessage(r.path));
    });
}
