#pragma once

#include "LoginValues.h"
#include "Query.h"

#include <QMainWindow>

class Connection;
class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QPushButton;
class QStatusBar;
class QWidget;
class StatusPanel;

// frmMainChequeVendor: the frame of the program. It opens the one database
// connection, checks the database version, offers the login panel and, after
// the login, the menus the user's level allows; the import, report and password
// windows appear inside it as child windows.
//
// The creation handler (FormCreate) runs from the constructor, so a constructed
// window is either in the logged-out state or has asked the program to end
// (endRequested()); main() looks at that before running the event loop.
class TfrmMainChequeVendor : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMainChequeVendor(Connection& db, QWidget* parent = nullptr);

    Connection& connection() { return m_db; }
    const LoginValues& loginValues() const { return m_loginValues; }
    QMdiArea* mdiArea() const { return m_mdi; }
    // Something asked the program to end (failed connection, wrong version,
    // Cancel, the exit menu, a completed password change).
    bool endRequested() const { return m_endRequested; }

    // Controls; each one's objectName() is its member name.
    QFrame* Panel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* edtName = nullptr;
    QLineEdit* edtPassword = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    StatusPanel* StatusPanels[5] = {};
    QMenu* N2 = nullptr;
    QAction* N3 = nullptr;
    QMenu* N7 = nullptr;
    QAction* N9 = nullptr;
    QAction* N10 = nullptr;  // the ledger of imports, under N7
    QMenu* System1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Administrator1 = nullptr;
    QAction* NExit = nullptr;

public slots:
    // Ends the program: posts the application's quit and records the request.
    void requestEnd();

private slots:
    // Handlers, one per control event.
    void FormCreate();
    void btnOKClick();
    void btnCancelClick();
    void N3Click();
    void N9Click();
    void N10Click();
    void N1Click();
    void NExitClick();

private:
    void buildUi();
    void buildLoginPanel(QWidget* host);
    void buildMenus();
    void buildStatusBar();
    void setStatusText(int panel, const QString& text);
    void showChild(QWidget* w);

    Connection& m_db;
    Query ADOQuery1;
    LoginValues m_loginValues;
    bool m_endRequested = false;
    QMdiArea* m_mdi = nullptr;
};
