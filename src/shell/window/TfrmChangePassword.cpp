#include "TfrmChangePassword.h"

#include "ChildWindows.h"
#include "EnterAsTab.h"
#include "ErrorGuard.h"
#include "LoginValues.h"
#include "Messages.h"
#include "NamedWidget.h"
#include "PasswordBox.h"
#include "PasswordChange.h"
#include "ProgramIcon.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace {

QLineEdit* passwordBox(const char* name, QWidget* parent)
{
    auto* box = named<QLineEdit>(name, parent);
    box->setMaxLength(10);
    PasswordBox::apply(box);
    box->setMinimumWidth(box->fontMetrics().averageCharWidth() * 20);
    return box;
}

}

TfrmChangePassword::TfrmChangePassword(Connection& db, const LoginValues& login, QWidget* parent)
    : QWidget(parent), m_login(login), ADOQuery1(db)
{
    buildUi();
    FormCreate();
}

void TfrmChangePassword::buildUi()
{
    setObjectName(QStringLiteral("frmChangePassword"));
    setWindowTitle(QStringLiteral("frmChangePassword"));
    setWindowIcon(ProgramIcon::icon());

    // Where the window is smaller than its contents, they scroll.
    auto* scroll = named<QScrollArea>("Panel1Scroll", this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* content = new QWidget;
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    Panel1 = named<QFrame>("Panel1", content);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);

    GroupBox3 = named<QGroupBox>("GroupBox3", Panel1);
    Label5 = named<QLabel>("Label5", QStringLiteral("การเปลี่ยนแปลงรหัสผ่าน"), GroupBox3);
    Label5->setAlignment(Qt::AlignCenter);
    {
        QFont f = Label5->font();
        f.setPointSizeF(f.pointSizeF() * 1.6);
        f.setBold(true);
        Label5->setFont(f);
        QPalette p = Label5->palette();
        p.setColor(QPalette::WindowText, QColor(0, 128, 0));
        Label5->setPalette(p);
    }
    auto* titleLayout = new QVBoxLayout(GroupBox3);
    titleLayout->addWidget(Label5);

    GroupBox1 = named<QGroupBox>("GroupBox1", Panel1);
    Label2 = named<QLabel>("Label2", QStringLiteral("รหัสผ่านเดิม"), GroupBox1);
    Label3 = named<QLabel>("Label3", QStringLiteral("รหัสผ่านใหม่"), GroupBox1);
    Label4 = named<QLabel>("Label4", QStringLiteral("ยืนยันรหัสผ่านใหม่"), GroupBox1);
    edtOld_Password = passwordBox("edtOld_Password", GroupBox1);
    edtNew_Password = passwordBox("edtNew_Password", GroupBox1);
    edtConf_Password = passwordBox("edtConf_Password", GroupBox1);

    btnSave_Data = named<QPushButton>("btnSave_Data", style()->standardIcon(QStyle::SP_DialogSaveButton),
                                      QStringLiteral("บันทึกข้อมูล"), GroupBox1);
    btnExit_Form = named<QPushButton>("btnExit_Form", style()->standardIcon(QStyle::SP_ArrowBack),
                                      QStringLiteral("กลับสู่เมนูหลัก"), GroupBox1);
    // A focused button is pressed by Enter, as the Enter walk ends on the save button.
    btnSave_Data->setAutoDefault(true);
    btnExit_Form->setAutoDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnSave_Data);
    buttons->addWidget(btnExit_Form);
    buttons->addStretch();

    auto* grid = new QGridLayout(GroupBox1);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(edtOld_Password, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(edtNew_Password, 1, 1);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(edtConf_Password, 2, 1);
    grid->addLayout(buttons, 3, 1);
    grid->setColumnStretch(2, 1);

    Label1 = named<QLabel>("Label1", QStringLiteral("ออกแบบและพัฒนาโดย KO.RV.PL.ZA"), Panel1);
    {
        QFont f = Label1->font();
        f.setPointSizeF(f.pointSizeF() * 0.85);
        Label1->setFont(f);
    }

    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addWidget(GroupBox3);
    panelLayout->addWidget(GroupBox1);
    panelLayout->addStretch();
    panelLayout->addWidget(Label1);

    // The panel fills the left part of the window.
    auto* windowLayout = new QHBoxLayout(content);
    windowLayout->addWidget(Panel1);
    windowLayout->addStretch();

    setTabOrder(edtOld_Password, edtNew_Password);
    setTabOrder(edtNew_Password, edtConf_Password);
    setTabOrder(edtConf_Password, btnSave_Data);
    setTabOrder(btnSave_Data, btnExit_Form);

    // Typing starts in the first box: the window hands its focus on to it.
    setFocusProxy(edtOld_Password);
    EnterAsTab::install({edtOld_Password, edtNew_Password, edtConf_Password});
    connect(btnSave_Data, &QPushButton::clicked, this, &TfrmChangePassword::btnSave_DataClick);
    connect(btnExit_Form, &QPushButton::clicked, this, &TfrmChangePassword::btnExit_FormClick);
}

void TfrmChangePassword::FormCreate()
{
    edtOld_Password->clear();
    edtNew_Password->clear();
    edtConf_Password->clear();
}

void TfrmChangePassword::btnSave_DataClick()
{
    guarded(this, [&] {
        const PasswordChange::Result r = PasswordChange::run(
            ADOQuery1, m_login.LoginUserName, edtOld_Password->text(), edtNew_Password->text(),
            edtConf_Password->text(), [&] { return Messages::confirm(this, PasswordChange::confirmMessage()); });
        if (r.outcome == PasswordChange::Outcome::Cancelled)
            return;
        Messages::plain(this, r.message,
                        r.outcome == PasswordChange::Outcome::Changed ? Messages::Kind::Information
                                                                       : Messages::Kind::Warning);
        switch (r.outcome) {
        case PasswordChange::Outcome::WrongOldPassword:
            edtOld_Password->setFocus();
            break;
        case PasswordChange::Outcome::Mismatch:
            edtNew_Password->clear();
            edtConf_Password->clear();
            [[fallthrough]];
        case PasswordChange::Outcome::EmptyNewPassword:
            edtNew_Password->setFocus();
            break;
        case PasswordChange::Outcome::Changed:
            emit programEndRequested();
            break;
        case PasswordChange::Outcome::Cancelled:
            break;
        }
    });
}

void TfrmChangePassword::btnExit_FormClick()
{
    guarded(this, [&] { ChildWindows::exit(this); });
}
