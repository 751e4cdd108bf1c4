#include "TfrmMainChequeVendor.h"

#include "ChildWindows.h"
#include "Connection.h"
#include "EnterAsTab.h"
#include "ErrorGuard.h"
#include "Messages.h"
#include "MenuAccess.h"
#include "NamedWidget.h"
#include "PasswordBox.h"
#include "ProgramIcon.h"
#include "ServerDate.h"
#include "StartupQueries.h"
#include "StatusPanel.h"
#include "TfrmChangePassword.h"
#include "TfrmImport_Log.h"
#include "TfrmIport_Vendor_Cheque.h"
#include "TfrmRep_ChequVendor.h"
#include "UserAccounts.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QColor Navy(0, 0, 128);

QMenu* topMenu(QMenuBar* bar, const char* name, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    // The item in the menu bar is the menu's action: give it the name too, so
    // every menu item is a QAction of its own name.
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* namedAction(QAction* action, const char* name)
{
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}

TfrmMainChequeVendor::TfrmMainChequeVendor(Connection& db, QWidget* parent)
    : QMainWindow(parent), m_db(db), ADOQuery1(db)
{
    buildUi();
    FormCreate();
}

void TfrmMainChequeVendor::buildUi()
{
    setObjectName(QStringLiteral("frmMainChequeVendor"));
    setWindowTitle(QStringLiteral("frmMainChequeVendor"));
    setWindowIcon(ProgramIcon::icon());
    setWindowState(Qt::WindowMaximized);

    // The login panel stands over the middle of the child-window area; once it
    // is hidden the area is free for the child windows.
    auto* client = new QWidget(this);
    auto* clientLayout = new QGridLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    m_mdi = named<QMdiArea>("MdiArea", client);
    clientLayout->addWidget(m_mdi, 0, 0);
    buildLoginPanel(client);
    clientLayout->addWidget(Panel1, 0, 0, Qt::AlignCenter);
    Panel1->raise();
    setCentralWidget(client);

    buildMenus();
    buildStatusBar();
}

void TfrmMainChequeVendor::buildLoginPanel(QWidget* host)
{
    Panel1 = named<QFrame>("Panel1", host);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setAutoFillBackground(true);

    GroupBox1 = named<QGroupBox>("GroupBox1", Panel1);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(16, 16, 16, 16);
    panelLayout->addWidget(GroupBox1);

    Label1 = named<QLabel>("Label1", QStringLiteral("ใส่ชื่อ"), GroupBox1);
    Label2 = named<QLabel>("Label2", QStringLiteral("รหัสผ่าน"), GroupBox1);
    for (QLabel* label : {Label1, Label2}) {
        QFont f = label->font();
        f.setPointSizeF(f.pointSizeF() * 1.4);
        label->setFont(f);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, Navy);
        label->setPalette(p);
    }
    Label3 = named<QLabel>("Label3", QStringLiteral("S.Ver.2.0"), GroupBox1);
    {
        QFont f = Label3->font();
        f.setPointSizeF(f.pointSizeF() * 0.8);
        Label3->setFont(f);
    }

    edtName = named<QLineEdit>("edtName", GroupBox1);
    edtPassword = named<QLineEdit>("edtPassword", GroupBox1);
    PasswordBox::apply(edtPassword);
    for (QLineEdit* box : {edtName, edtPassword})
        box->setMinimumWidth(box->fontMetrics().averageCharWidth() * 26);

    btnOK = named<QPushButton>("btnOK", style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"),
                               GroupBox1);
    btnCancel = named<QPushButton>("btnCancel", style()->standardIcon(QStyle::SP_DialogCancelButton),
                                   QStringLiteral("Cancel"), GroupBox1);
    // A focused button is pressed by Enter, so the login needs no mouse.
    btnOK->setAutoDefault(true);
    btnCancel->setAutoDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* grid = new QGridLayout(GroupBox1);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtName, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(edtPassword, 1, 1);
    grid->addLayout(buttons, 2, 1);
    grid->addWidget(Label3, 3, 0, 1, 2, Qt::AlignRight | Qt::AlignBottom);

    setTabOrder(edtName, edtPassword);
    setTabOrder(edtPassword, btnOK);
    setTabOrder(btnOK, btnCancel);

    EnterAsTab::install({edtName, edtPassword});
    // The first box of the tab order is where typing starts.
    edtName->setFocus();
    connect(btnOK, &QPushButton::clicked, this, &TfrmMainChequeVendor::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmMainChequeVendor::btnCancelClick);
}

void TfrmMainChequeVendor::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    N2 = topMenu(bar, "N2", QStringLiteral("นำข้อมูลเข้าระบบ"));
    N3 = namedAction(N2->addAction(QStringLiteral("1. Import ข้อมูลจาก SAP  เช็คเจ้าหนี้")), "N3");
    N7 = topMenu(bar, "N7", QStringLiteral("รายงาน"));
    N9 = namedAction(N7->addAction(QStringLiteral("รายงานเช็คจ่าย เจ้าหนี้")), "N9");
    N10 = namedAction(N7->addAction(QStringLiteral("ประวัติการนำเข้าข้อมูล")), "N10");
    System1 = topMenu(bar, "System1", QStringLiteral("ระบบ(System)"));
    N1 = namedAction(System1->addAction(QStringLiteral("เปลี่ยนรหัสผ่าน")), "N1");
    // Shown to the highest levels only; it has no action of its own.
    Administrator1 = namedAction(bar->addAction(QStringLiteral("Administrator")), "Administrator1");
    NExit = namedAction(bar->addAction(QStringLiteral("ออกจากระบบ")), "NExit");

    connect(N3, &QAction::triggered, this, &TfrmMainChequeVendor::N3Click);
    connect(N9, &QAction::triggered, this, &TfrmMainChequeVendor::N9Click);
    connect(N10, &QAction::triggered, this, &TfrmMainChequeVendor::N10Click);
    connect(N1, &QAction::triggered, this, &TfrmMainChequeVendor::N1Click);
    connect(NExit, &QAction::triggered, this, &TfrmMainChequeVendor::NExitClick);
}

void TfrmMainChequeVendor::buildStatusBar()
{
    StatusBar1 = named<QStatusBar>("StatusBar1", this);
    setStatusBar(StatusBar1);
    struct PanelSpec {
        const char* name;
        const char* text;
        int width;
    };
    const PanelSpec panels[5] = {{"StatusPanel0", "Date", 200},
                                 {"StatusPanel1", "User Name", 200},
                                 {"StatusPanel2", "IP Address", 250},
                                 {"StatusPanel3", "Remark", 200},
                                 {"StatusPanel4", "V", 50}};
    for (int i = 0; i < 5; ++i) {
        // A width to start from; a longer text widens its panel, and a narrow
        // window narrows them all rather than growing past the screen.
        auto* label =
            named<StatusPanel>(panels[i].name, QString::fromLatin1(panels[i].text), panels[i].width, StatusBar1);
        StatusBar1->addWidget(label);
        StatusPanels[i] = label;
    }
}

void TfrmMainChequeVendor::setStatusText(int panel, const QString& text)
{
    StatusPanels[panel]->setText(text);
}

void TfrmMainChequeVendor::FormCreate()
{
    edtName->clear();
    edtPassword->clear();

    // The one place where a failure is caught here: without the database the
    // program cannot do anything.
    try {
        m_db.setConnectionString(Connection::fixedConnectionString());
        m_db.open();
        setStatusText(3, QStringLiteral("Server IT:PL_Cheque_Vendor(") + m_db.serverShortName() + u')');
    } catch (...) {
        Messages::warning(this, QStringLiteral("ไม่สามารถติดต่อฐานข้อมูลได้"));
        requestEnd();
        return;
    }

    // Logged out: nothing but the login panel.
    StatusBar1->hide();
    for (QAction* item : {N2->menuAction(), N7->menuAction(), System1->menuAction(), Administrator1, NExit})
        item->setVisible(false);
    menuBar()->hide();

    guarded(this, [&] {
        const QDate serverDate = StartupQueries::serverDate(ADOQuery1).date();
        m_loginValues.ServerDateText = ServerDate::buddhistText(serverDate, ServerDate::regionalSeparator());

        edtName->clear();
        edtPassword->clear();

        const QString version = StartupQueries::versionText(ADOQuery1);
        if (!StartupQueries::versionAccepted(version)) {
            Messages::warning(this, StartupQueries::invalidVersionMessage(version));
            requestEnd();
        }
        setStatusText(4, QStringLiteral("V.") + version);
    });
}

void TfrmMainChequeVendor::requestEnd()
{
    m_endRequested = true;
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TfrmMainChequeVendor::btnOKClick()
{
    guarded(this, [&] {
        // Taken exactly as typed: neither box is trimmed.
        const QString name = edtName->text();
        const QString password = edtPassword->text();
        const UserAccounts::LoginResult result = UserAccounts::checkLogin(ADOQuery1, name, password);
        switch (result.outcome) {
        case UserAccounts::LoginOutcome::EmptyName:
            Messages::warning(this, QStringLiteral("กรุณาใส่ชื่อผู้ใช้ด้วย"));
            edtName->setFocus();
            return;
        case UserAccounts::LoginOutcome::EmptyPassword:
            Messages::warning(this, QStringLiteral("กรุณาใส่รหัสผ่านด้วย"));
            edtPassword->setFocus();
            return;
        case UserAccounts::LoginOutcome::UnknownName:
            Messages::warning(this, QStringLiteral("ไม่พบชื่อผู้ใช้ในระบบ กรุณาใส่ชื่อใหม่"));
            edtName->setFocus();
            return;
        case UserAccounts::LoginOutcome::WrongPassword:
            Messages::warning(this, QStringLiteral("รหัสผ่านไม่ถูกต้อง กรุณาใส่รหัสผ่านใหม่"));
            edtPassword->setFocus();
            return;
        case UserAccounts::LoginOutcome::Accepted:
            break;
        }

        setStatusText(1, QStringLiteral("ผู้ใช้งาน :") + name);
        m_loginValues.LoginUserName = name;
        m_loginValues.LoginUserLevel = result.level;
        const MenuAccess menus = MenuAccess::forLevel(result.level);
        N2->menuAction()->setVisible(menus.importMenu);
        N7->menuAction()->setVisible(menus.reportMenu);
        N10->setVisible(menus.importLog);
        Administrator1->setVisible(menus.administrator);
        NExit->setVisible(menus.exitItem);
        System1->menuAction()->setVisible(menus.systemMenu);
        menuBar()->show();
        Panel1->hide();
        setStatusText(2, QStringLiteral("Date : ") + m_loginValues.ServerDateText);
        StatusBar1->show();
    });
}

void TfrmMainChequeVendor::btnCancelClick()
{
    guarded(this, [&] { requestEnd(); });
}

void TfrmMainChequeVendor::NExitClick()
{
    guarded(this, [&] { requestEnd(); });
}

void TfrmMainChequeVendor::showChild(QWidget* w)
{
    ChildWindows::show(m_mdi, w);
}

void TfrmMainChequeVendor::N3Click()
{
    guarded(this, [&] {
        auto* form = new TfrmIport_Vendor_Cheque(m_db, this);
        form->setLoginUserName(m_loginValues.LoginUserName);
        showChild(form);
    });
}

void TfrmMainChequeVendor::N9Click()
{
    guarded(this, [&] { showChild(new TfrmRep_ChequVendor(m_db, this)); });
}

void TfrmMainChequeVendor::N10Click()
{
    guarded(this, [&] { showChild(new TfrmImport_Log(m_db, this)); });
}

void TfrmMainChequeVendor::N1Click()
{
    guarded(this, [&] {
        auto* form = new TfrmChangePassword(m_db, m_loginValues, this);
        connect(form, &TfrmChangePassword::programEndRequested, this, &TfrmMainChequeVendor::requestEnd);
        showChild(form);
    });
}
