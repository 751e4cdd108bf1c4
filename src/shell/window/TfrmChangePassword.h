#pragma once

#include "Query.h"

#include <QWidget>

class Connection;
struct LoginValues;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// frmChangePassword: the logged-in user replaces the stored password. After a
// change the program ends, so that the user logs in again with the new one.
class TfrmChangePassword : public QWidget {
    Q_OBJECT
public:
    // The login values are read when saving, so an instance made before the
    // login sees the name of the user who logged in later.
    TfrmChangePassword(Connection& db, const LoginValues& login, QWidget* parent = nullptr);

    // Controls; each one's objectName() is its member name.
    QFrame* Panel1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label5 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* edtOld_Password = nullptr;
    QLineEdit* edtNew_Password = nullptr;
    QLineEdit* edtConf_Password = nullptr;
    QPushButton* btnSave_Data = nullptr;
    QPushButton* btnExit_Form = nullptr;
    QLabel* Label1 = nullptr;

signals:
    // A password was changed: the program is to end.
    void programEndRequested();

private slots:
    // Handlers, one per control event.
    void FormCreate();
    void btnSave_DataClick();
    void btnExit_FormClick();

private:
    void buildUi();

    const LoginValues& m_login;
    Query ADOQuery1;
};
