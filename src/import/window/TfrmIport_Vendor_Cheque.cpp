#include "TfrmIport_Vendor_Cheque.h"

#include "ChequeSave.h"
#include "ChequeSheetReader.h"
#include "ChildWindows.h"
#include "DirectoryListBox.h"
#include "DocumentOpener.h"
#include "ErrorGuard.h"
#include "FileListBox.h"
#include "GridExport.h"
#include "ImportSummaryPanel.h"
#include "ImportGridLayout.h"
#include "Messages.h"
#include "NamedWidget.h"
#include "ProgramIcon.h"
#include "SaveProgress.h"
#include "SharedTexts.h"
#include "StagingFlag.h"
#include "StringGrid.h"
#include "WaitCursor.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <optional>

TfrmIport_Vendor_Cheque::TfrmIport_Vendor_Cheque(Connection& db, QWidget* parent)
    : QWidget(parent), ADOQuery1(db), ADOQuery2(db), m_db(db)
{
    setObjectName(QStringLiteral("frmIport_Vendor_Cheque"));
    setWindowTitle(QStringLiteral("frmIport_Vendor_Cheque"));
    setWindowIcon(ProgramIcon::icon());
    resize(979, 615);

    buildMainPanel();
    buildOpenPanel();
    buildSavedPanel();

    connect(BitBtn1, &QPushButton::clicked, this, &TfrmIport_Vendor_Cheque::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TfrmIport_Vendor_Cheque::BitBtn2Click);
    connect(btnClear_Temp, &QPushButton::clicked, this, &TfrmIport_Vendor_Cheque::btnClear_TempClick);
    connect(btnExp_Excel1, &QPushButton::clicked, this, &TfrmIport_Vendor_Cheque::btnExp_Excel1Click);
    connect(Button1, &QPushButton::clicked, this, &TfrmIport_Vendor_Cheque::Button1Click);
    connect(btnOpen, &QPushButton::clicked, this, &TfrmIport_Vendor_Cheque::btnOpenClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmIport_Vendor_Cheque::btnCancelClick);

    FormCreate();
}

void TfrmIport_Vendor_Cheque::buildMainPanel()
{
    Panel1 = named<QFrame>("Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    // Where the window is smaller than its contents, they scroll: every
    // control stays reachable at any size.
    auto* scroll = named<QScrollArea>("Panel1Scroll", this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(Panel1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    GroupBox1 = named<QGroupBox>("GroupBox1", QStringLiteral("GroupBox1"), Panel1);
    BitBtn1 = named<QPushButton>("BitBtn1", QStringLiteral("เปิดแฟ้มข้อมูล"), GroupBox1);
    BitBtn2 = named<QPushButton>("BitBtn2", QStringLiteral("ออกจากโปรแกรม"), GroupBox1);
    btnClear_Temp = named<QPushButton>("btnClear_Temp", QStringLiteral("ล้างข้อมูล Temp"), GroupBox1);
    LF_Name = named<QLabel>("LF_Name", QStringLiteral("แฟ้มข้อมูลที่เปิด :"), GroupBox1);
    Label6 = named<QLabel>("Label6", QStringLiteral("ข้อกำหนดการนำเข้าข้อมูล (Import Excel From SAP)"), GroupBox1);
    Label7 = named<QLabel>("Label7", QStringLiteral("1. ต้องนำเข้าข้อมูลครั้งละ 1 คน ไม่สามารถนำเข้าข้อมูลเข้าพร้อมกันได้ "),
                   GroupBox1);
    Label8 = named<QLabel>("Label8",
                           QStringLiteral("2. นำเข้าได้ทั้งแฟ้ม Excel (.xls, .xlsx, .xlsm), OpenDocument (.ods), "
                                          "แฟ้มข้อความคั่นด้วยแท็บ, หน้าเว็บ/MHTML และ XML Spreadsheet 2003 "
                                          "ที่ส่งออกจาก SAP"),
                           GroupBox1);
    Label10 = named<QLabel>(
        "Label10", QStringLiteral("3. เครื่องหมาย ' และ \" ในแฟ้มจะถูกบันทึกตามที่เป็นอยู่ ไม่ต้องลบออกก่อนนำเข้า"),
        GroupBox1);

    auto* buttons = new QHBoxLayout;
    buttons->addSpacing(60);
    buttons->addWidget(BitBtn1);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch(1);
    buttons->addWidget(btnClear_Temp);
    buttons->addSpacing(30);
    auto* rules = new QVBoxLayout;
    rules->setContentsMargins(12, 0, 0, 0);
    for (QLabel* l : {LF_Name, Label6, Label7, Label8, Label10})
        l->setWordWrap(true);  // a narrow window wraps them rather than scrolling sideways
    for (QLabel* l : {Label6, Label7, Label8, Label10})
        rules->addWidget(l);
    auto* g1 = new QVBoxLayout(GroupBox1);
    g1->addLayout(buttons);
    g1->addWidget(LF_Name);
    g1->addLayout(rules);

    GroupBox2 = named<QGroupBox>("GroupBox2", Panel1);
    // Says, after a refused read, that the grid still holds the file read before.
    GridNote = named<QLabel>("GridNote", GroupBox2);
    GridNote->setWordWrap(true);
    GridNote->setStyleSheet(QStringLiteral("QLabel#GridNote { color: maroon; font-weight: bold; }"));
    GridNote->hide();
    StringGrid1 = named<StringGrid>("StringGrid1", GroupBox2);
    StringGrid1->setMinimumSize(300, 160);
    lookOfGrid();
    ProgressBar1 = named<QProgressBar>("ProgressBar1", GroupBox2);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    btnExp_Excel1 = named<QPushButton>("btnExp_Excel1", QStringLiteral("Export To Excel"), GroupBox2);
    Label9 = named<QLabel>("Label9", QStringLiteral("บันทัดที่ประมวลผล"), GroupBox2);
    l_no = named<QLabel>("l_no", QStringLiteral("0"), GroupBox2);
    // The save repaints the counter without letting the layout run, so it
    // must already be wide enough for the largest row number.
    l_no->setMinimumWidth(l_no->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));

    auto* under = new QHBoxLayout;
    under->addSpacing(200);
    under->addWidget(btnExp_Excel1);
    under->addSpacing(100);
    under->addWidget(Label9);
    under->addSpacing(12);
    under->addWidget(l_no);
    under->addStretch(1);
    auto* g2 = new QVBoxLayout(GroupBox2);
    g2->addWidget(GridNote);
    // The read's summary stands beside the grid.
    SummaryPanel = new ImportSummaryPanel(GroupBox2);
    auto* gridRow = new QHBoxLayout;
    gridRow->addWidget(StringGrid1, 1);
    gridRow->addWidget(SummaryPanel);
    g2->addLayout(gridRow, 1);
    g2->addWidget(ProgressBar1);
    g2->addLayout(under);

    Button1 = named<QPushButton>("Button1", QStringLiteral("บันทึกลงฐานข้อมูล"), Panel1);
    Label1 = named<QLabel>("Label1", QStringLiteral("ออกแบบและพัฒนาโดย KO.RV.PL.ZA"), Panel1);
    auto* bottom = new QHBoxLayout;
    bottom->addSpacing(20);
    bottom->addWidget(Label1);
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addStretch(2);

    auto* p1 = new QVBoxLayout(Panel1);
    p1->addWidget(GroupBox1);
    p1->addWidget(GroupBox2, 1);
    p1->addLayout(bottom);
}

void TfrmIport_Vendor_Cheque::buildOpenPanel()
{
    // Lies over the main panel when shown, like a dialog inside the window.
    Panel2 = named<QFrame>("Panel2", this);
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Raised);
    Panel2->setAutoFillBackground(true);

    Panel3 = named<QLabel>("Panel3", QStringLiteral("Open"), Panel2);
    Panel3->setFixedHeight(31);
    Panel3->setContentsMargins(8, 0, 0, 0);
    {
        const QPalette pal = palette();
        const QColor from = pal.color(QPalette::Active, QPalette::Highlight);
        Panel3->setStyleSheet(
            QStringLiteral("QLabel#Panel3 { color: %1; font-weight: bold; background: "
                           "qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 %2, stop:1 %3); }")
                .arg(pal.color(QPalette::Active, QPalette::HighlightedText).name(), from.name(),
                     from.lighter(160).name()));
    }

    Label2 = named<QLabel>("Label2", QStringLiteral("เลือกไดร์ฟ"), Panel2);
    DriveComboBox1 = named<QComboBox>("DriveComboBox1", Panel2);
    for (const QFileInfo& drive : QDir::drives())
        DriveComboBox1->addItem(QDir::toNativeSeparators(drive.absolutePath()), drive.absolutePath());
    Label3 = named<QLabel>("Label3", QStringLiteral("ชื่อแฟ้ม"), Panel2);
    DirectoryListBox1 = named<DirectoryListBox>("DirectoryListBox1", Panel2);
    FileListBox1 = named<FileListBox>("FileListBox1", Panel2);
    Label4 = named<QLabel>("Label4", QStringLiteral("ประเภทแฟ้ม"), Panel2);
    FilterComboBox1 = named<QComboBox>("FilterComboBox1", Panel2);
    FilterComboBox1->addItem(QStringLiteral("Excel File"), QStringLiteral("*.xls;*.xlsx;*.xlsm;*.ods"));
    FilterComboBox1->addItem(QStringLiteral("All files (*.*)"), QStringLiteral("*"));
    FilterComboBox1->setCurrentIndex(0);
    btnOpen = named<QPushButton>("btnOpen", QStringLiteral("Open"), Panel2);
    btnCancel = named<QPushButton>("btnCancel", QStringLiteral("Cancel"), Panel2);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(10, 8, 10, 10);
    // Thai marks reach past a label's advance width; keep them off the boxes beside.
    grid->setHorizontalSpacing(12);
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(DriveComboBox1, 0, 1);
    grid->addWidget(Label3, 0, 2, Qt::AlignBottom);
    grid->addWidget(DirectoryListBox1, 1, 0, 1, 2);
    grid->addWidget(FileListBox1, 1, 2);
    auto* side = new QVBoxLayout;
    side->addWidget(btnOpen);
    side->addWidget(btnCancel);
    side->addStretch(1);
    grid->addLayout(side, 1, 3);
    auto* filter = new QHBoxLayout;
    filter->addSpacing(30);
    filter->setSpacing(12);
    filter->addWidget(Label4);
    filter->addWidget(FilterComboBox1, 1);
    grid->addLayout(filter, 2, 0, 1, 3);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    auto* v = new QVBoxLayout(Panel2);
    v->setContentsMargins(2, 2, 2, 2);
    v->setSpacing(0);
    v->addWidget(Panel3);
    v->addLayout(grid, 1);

    // Connected before the lists are filled, so that the first folder fills
    // the file list and picks its drive as every later one does.
    connect(DriveComboBox1, &QComboBox::activated, this, &TfrmIport_Vendor_Cheque::DriveComboBox1Change);
    connect(DirectoryListBox1, &DirectoryListBox::directoryChanged, this,
            &TfrmIport_Vendor_Cheque::DirectoryListBox1Change);
    connect(FilterComboBox1, &QComboBox::currentIndexChanged, this, &TfrmIport_Vendor_Cheque::FilterComboBox1Change);

    FileListBox1->setMask(FilterComboBox1->currentData().toString());
    DirectoryListBox1->setDirectory(QDir::currentPath());

    placeOpenPanel();
}

void TfrmIport_Vendor_Cheque::lookOfGrid()
{
    using L = ImportGridLayout;
    const Qt::Alignment right = Qt::AlignRight;
    // Row numbers up to a million lines; amounts up to 999,999,999.99.
    StringGrid1->setColumnLook(L::No, right, QStringLiteral("0000000"));
    for (int c : {L::TotalAmou, L::WhtAmount, L::ToBePaid})
        StringGrid1->setColumnLook(c, right, QStringLiteral("999,999,999.99"));
    for (int c : {L::DekaCreat, L::DekaRecei, L::ClearingDate, L::PstngDate})
        StringGrid1->setColumnLook(c, Qt::AlignLeft, QStringLiteral("00.00.0000"));
    // Keys and numbers of a fixed length show whole too.
    StringGrid1->setColumnLook(L::ChequePk, Qt::AlignLeft, QStringLiteral("0000/00000000"));
    StringGrid1->setColumnLook(L::CheckNo, Qt::AlignLeft, QStringLiteral("00000000"));
    for (int c : {L::ClearingDocument, L::Vendor, L::DocumentNo})
        StringGrid1->setColumnLook(c, Qt::AlignLeft, QStringLiteral("0000000000"));
    StringGrid1->setColumnLook(L::TaxNumber, Qt::AlignLeft, QStringLiteral("0000000000000"));
}

QRect TfrmIport_Vendor_Cheque::visibleArea() const
{
    // The window as far as its frames show it: a child window can be larger
    // than the area that holds it.
    QRect area = rect();
    for (const QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        area &= QRect(mapFrom(w, QPoint(0, 0)), w->size());
        if (w->isWindow())
            break;
    }
    return area;
}

void TfrmIport_Vendor_Cheque::placeOpenPanel()
{
    // Where the original put it when there is room; moved up and left so that
    // all of it stays inside what shows of the window.
    const QRect area = visibleArea();
    const QSize size = Panel2->sizeHint().expandedTo(QSize(421, 239)).boundedTo(area.size());
    const int x = std::max(area.left(), std::min(215, area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(271, area.bottom() + 1 - size.height()));
    Panel2->setGeometry(QRect(QPoint(x, y), size));
}

void TfrmIport_Vendor_Cheque::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeOpenPanel();
}

void TfrmIport_Vendor_Cheque::keyPressEvent(QKeyEvent* event)
{
    // Escape closes the file-open panel as its Cancel button does; the lists
    // and buttons inside it pass the key up to here.
    if (event->key() == Qt::Key_Escape && Panel2->isVisible()) {
        btnCancelClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmIport_Vendor_Cheque::buildSavedPanel()
{
    Panel4 = named<QFrame>("Panel4", this);
    Panel4->setFrameShape(QFrame::Panel);
    Panel4->setAutoFillBackground(true);
    Label5 = named<QLabel>("Label5", QStringLiteral("บันทึกข้อมูลเรียบร้อยแล้ว"), Panel4);
    QFont f = Label5->font();
    f.setPixelSize(19);
    Label5->setFont(f);
    Label5->setStyleSheet(QStringLiteral("color: maroon;"));
    Button2 = named<QPushButton>("Button2", QStringLiteral("OK"), Panel4);
    auto* v = new QVBoxLayout(Panel4);
    v->addWidget(Label5, 1, Qt::AlignCenter);
    v->addWidget(Button2, 0, Qt::AlignCenter);
    Panel4->setGeometry(64, 182, 613, 325);
}

void TfrmIport_Vendor_Cheque::DriveComboBox1Change(int index)
{
    const QString drive = DriveComboBox1->itemData(index).toString();
    if (!DirectoryListBox1->directory().startsWith(drive, Qt::CaseInsensitive))
        DirectoryListBox1->setDirectory(drive);
}

void TfrmIport_Vendor_Cheque::DirectoryListBox1Change(const QString& path)
{
    FileListBox1->setDirectory(path);
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        if (path.startsWith(DriveComboBox1->itemData(i).toString(), Qt::CaseInsensitive)) {
            DriveComboBox1->setCurrentIndex(i);
            break;
        }
    }
}

void TfrmIport_Vendor_Cheque::FilterComboBox1Change(int index)
{
    FileListBox1->setMask(FilterComboBox1->itemData(index).toString());
}

void TfrmIport_Vendor_Cheque::FormCreate()
{
    l_no->setText(QStringLiteral("0"));
    Panel2->hide();
    Panel4->hide();
}

void TfrmIport_Vendor_Cheque::BitBtn1Click()
{
    guarded(this, [&] {
        if (StagingFlag(ADOQuery1).isBusy()) {
            Messages::warning(this, StagingFlag::busyMessage());
            return;
        }
        // Files may have arrived since the panel was last shown.
        FileListBox1->reload();
        placeOpenPanel();
        Panel2->show();
        Panel2->raise();
        FileListBox1->setFocus();
    });
}

void TfrmIport_Vendor_Cheque::btnCancelClick()
{
    Panel2->hide();
}

void TfrmIport_Vendor_Cheque::BitBtn2Click()
{
    ChildWindows::exit(this);
}

void TfrmIport_Vendor_Cheque::btnClear_TempClick()
{
    guarded(this, [&] {
        if (!Messages::confirm(this, QStringLiteral("ยืนยันการลบข้อมูล Temp")))
            return;
        if (StagingFlag(ADOQuery1).clearStagingArea() == StagingFlag::Clear::SaveRunning) {
            Messages::warning(this, StagingFlag::saveRunningMessage());
            return;
        }
        Messages::information(this, StagingFlag::clearedMessage());
    });
}

void TfrmIport_Vendor_Cheque::btnOpenClick()
{
    Panel2->hide();
    guarded(this, [&] {
        const QString path = FileListBox1->filePath();
        if (path.isEmpty()) {
            showRefusedRead(QString());
            Messages::warning(this, QStringLiteral("ยังไม่ได้เลือกแฟ้มข้อมูล"));
            return;
        }
        int lines = 0;
        {
            WaitCursor wait;
            try {
                lines = readChequeSheet(path, StringGrid1->grid(), &m_summary);
            } catch (...) {
                showRefusedRead(QFileInfo(path).fileName());
                throw;
            }
            StringGrid1->refresh();
            StringGrid1->scrollToStart();
        }
        m_sheetRead = true;
        SummaryPanel->showSummary(m_summary);
        showReadFile(QFileInfo(path).fileName(), lines);
        // Once a sheet is read the panel shows without its title strip.
        Panel3->hide();
        if (lines == 0)
            Messages::warning(this, SharedTexts::nothingFound());
    });
}

void TfrmIport_Vendor_Cheque::showReadFile(const QString& name, int lines)
{
    m_gridFile = name;
    LF_Name->setText(QStringLiteral("แฟ้มข้อมูลที่เปิด : %1 (อ่านได้ %2 บรรทัด)").arg(name).arg(lines));
    GridNote->clear();
    GridNote->hide();
}

void TfrmIport_Vendor_Cheque::showRefusedRead(const QString& refusedName)
{
    // The lines of the file read before are still there and can still be
    // saved: say so beside them, so that nobody takes them for the new file.
    if (m_gridFile.isEmpty())
        return;
    QString note = QStringLiteral("ตารางด้านล่างยังเป็นข้อมูลจากแฟ้มเดิม : %1").arg(m_gridFile);
    if (!refusedName.isEmpty())
        note += QStringLiteral(" (แฟ้ม %1 อ่านไม่ได้)").arg(refusedName);
    GridNote->setText(note);
    GridNote->show();
}

void TfrmIport_Vendor_Cheque::btnExp_Excel1Click()
{
    guarded(this, [&] {
        GridExport::Result result;
        {
            WaitCursor wait;
            result = GridExport::run(StringGrid1->grid(), GridExport::Variant::Import, DocumentOpener::current());
        }
        if (!result.opened)
            Messages::warning(this, GridExport::notOpenedMessage(result.path));
    });
}

void TfrmIport_Vendor_Cheque::showProgress(int row)
{
    // Painted at once, without handing control to the event loop: the window
    // must take no input while the save runs.
    l_no->setText(QString::number(row));
    ProgressBar1->setValue(row);
    l_no->repaint();
    ProgressBar1->repaint();
}

void TfrmIport_Vendor_Cheque::Button1Click()
{
    guarded(this, [&] {
        if (!m_sheetRead) {
            Messages::warning(this, ChequeSave::notReadMessage());
            return;
        }
        std::optional<WaitCursor> wait;
        SaveProgress progress(m_db, {[&](int rows) {
                                         wait.emplace();
                                         // A bar whose range is 0..0 turns into a busy indicator
                                         // that never stops; a grid without lines keeps an empty bar.
                                         ProgressBar1->setRange(0, std::max(rows, 1));
                                     },
                                     [&](int row) { showProgress(row); }});
        ChequeSave::Hooks hooks = progress.hooks();
        hooks.confirm = [this] { return Messages::confirm(this, ChequeSave::confirmMessage()); };
        hooks.confirmFirst = [this](const QString& question) { return Messages::confirm(this, question); };

        const ChequeSave::Result result = ChequeSave(ADOQuery1, ADOQuery2).run(StringGrid1->grid(), hooks, {&m_summary, m_loginUserName, QString()});
        wait.reset();
        if (!result.notice.isEmpty())
            Messages::plain(this, result.notice);
        if (result.outcome == ChequeSave::Outcome::Failed && progress.currentRow() > 0) {
            // The counter keeps the row the save stopped at; the bar shows
            // that none of the rows was kept.
            l_no->setText(QString::number(progress.currentRow()));
            ProgressBar1->setValue(0);
        }
        if (!result.message.isEmpty()) {
            const bool saved = result.outcome == ChequeSave::Outcome::Saved;
            Messages::plain(this, result.message, saved ? Messages::Kind::Information : Messages::Kind::Warning);
        }
    });
}
