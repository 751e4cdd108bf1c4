#include "TfrmImport_Log.h"

#include "ChildWindows.h"
#include "ColumnLimits.h"
#include "DocumentOpener.h"
#include "ErrorGuard.h"
#include "GridExport.h"
#include "ImportLogQuery.h"
#include "Messages.h"
#include "NamedWidget.h"
#include "SharedTexts.h"
#include "StringGrid.h"
#include "WaitCursor.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmImport_Log::TfrmImport_Log(Connection& db, QWidget* parent) : QWidget(parent), ADOQuery1(db)
{
    setObjectName(QStringLiteral("frmImport_Log"));
    setWindowTitle(QStringLiteral("ประวัติการนำเข้าข้อมูล"));
    resize(979, 563);

    GroupBox1 = named<QGroupBox>("GroupBox1", QStringLiteral("เลือกข้อมูล"), this);
    Label1 = named<QLabel>("Label1", QStringLiteral("ชื่อแฟ้มหรือผู้นำเข้า"), GroupBox1);
    edtSearch = named<QLineEdit>("edtSearch", GroupBox1);
    // Both searched columns hold keys' lengths; a longer text matches nothing.
    edtSearch->setMaxLength(ColumnLimits::length(QStringLiteral("TSQ_Import_Log"), QStringLiteral("File_Name")));
    edtSearch->setMinimumWidth(253);
    chkDates = named<QCheckBox>("chkDates", QStringLiteral("ตั้งแต่วันที่"), GroupBox1);
    dtFrom = named<QDateEdit>("dtFrom", GroupBox1);
    Label2 = named<QLabel>("Label2", QStringLiteral("ถึงวันที่"), GroupBox1);
    dtTo = named<QDateEdit>("dtTo", GroupBox1);
    for (QDateEdit* d : {dtFrom, dtTo}) {
        d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        d->setCalendarPopup(true);
    }
    btnShow_data = named<QPushButton>("btnShow_data", QStringLiteral("แสดงข้อมูล"), GroupBox1);
    btnExit1 = named<QPushButton>("btnExit1", QStringLiteral("กลับสู่เมนูหลัก"), GroupBox1);
    StringGrid1 = named<StringGrid>("StringGrid1", this);
    StringGrid1->setMinimumSize(300, 150);
    l_count = named<QLabel>("l_count", this);
    Button1 = named<QPushButton>("Button1", QStringLiteral("Export To Excel"), this);
    Button1->setMinimumSize(173, 41);

    auto* search = new QHBoxLayout;
    search->addWidget(Label1);
    search->addWidget(edtSearch, 1);
    search->addSpacing(16);
    search->addWidget(chkDates);
    search->addWidget(dtFrom);
    search->addWidget(Label2);
    search->addWidget(dtTo);
    search->addSpacing(16);
    search->addWidget(btnShow_data);
    search->addWidget(btnExit1);
    auto* g1 = new QVBoxLayout(GroupBox1);
    g1->addLayout(search);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button1);
    bottom->addStretch(1);
    bottom->addWidget(l_count);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(GroupBox1);
    outer->addWidget(StringGrid1, 1);
    outer->addLayout(bottom);

    connect(btnShow_data, &QPushButton::clicked, this, &TfrmImport_Log::btnShow_dataClick);
    connect(btnExit1, &QPushButton::clicked, this, &TfrmImport_Log::btnExit1Click);
    connect(Button1, &QPushButton::clicked, this, &TfrmImport_Log::Button1Click);
    connect(chkDates, &QCheckBox::toggled, this, &TfrmImport_Log::chkDatesToggle);

    FormCreate();
}

void TfrmImport_Log::FormCreate()
{
    edtSearch->clear();
    chkDates->setChecked(false);
    dtTo->setDate(QDate::currentDate());
    dtFrom->setDate(QDate::currentDate().addMonths(-1));
    chkDatesToggle(false);
    l_count->clear();
}

void TfrmImport_Log::chkDatesToggle(bool on)
{
    dtFrom->setEnabled(on);
    dtTo->setEnabled(on);
}

void TfrmImport_Log::btnShow_dataClick()
{
    guarded(this, [&] {
        ImportLogQuery::Filter filter{edtSearch->text(), QDate(), QDate()};
        if (chkDates->isChecked()) {
            filter.from = dtFrom->date();
            filter.to = dtTo->date();
        }
        int saves = 0;
        {
            WaitCursor wait;
            struct Refresh {
                StringGrid* grid;
                ~Refresh() { grid->refresh(); }
            } refresh{StringGrid1};
            saves = ImportLogQuery::fill(ADOQuery1, StringGrid1->grid(), filter);
        }
        l_count->setText(QStringLiteral("%1 ครั้ง").arg(saves));
        if (saves == 0)
            Messages::plain(this, SharedTexts::nothingFound());
    });
}

void TfrmImport_Log::btnExit1Click()
{
    guarded(this, [&] { ChildWindows::exit(this); });
}

void TfrmImport_Log::Button1Click()
{
    guarded(this, [&] {
        GridExport::Result result;
        {
            WaitCursor wait;
            result = GridExport::run(StringGrid1->grid(), GridExport::Variant::Report, DocumentOpener::current());
        }
        if (!result.opened)
            Messages::plain(this, GridExport::notOpenedMessage(result.path));
    });
}
