#pragma once

#include "Query.h"

#include <QWidget>

class Connection;
class DirectoryListBox;
class FileListBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class StringGrid;

// The import window: open a SAP cheque sheet into the grid, export the grid,
// save it into the database, and clear the shared staging area.
class TfrmIport_Vendor_Cheque : public QWidget {
    Q_OBJECT
public:
    explicit TfrmIport_Vendor_Cheque(Connection& db, QWidget* parent = nullptr);

    // Handlers, one per control event.
    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    void btnClear_TempClick();
    void btnCancelClick();
    void btnOpenClick();
    void btnExp_Excel1Click();
    void Button1Click();

    // Controls.
    QFrame* Panel1;
    QGroupBox* GroupBox1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* btnClear_Temp;
    QLabel* LF_Name;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label10;
    QGroupBox* GroupBox2;
    StringGrid* StringGrid1;
    QProgressBar* ProgressBar1;
    QPushButton* btnExp_Excel1;
    QLabel* Label9;
    QLabel* l_no;
    QPushButton* Button1;
    QLabel* Label1;

    QFrame* Panel2;
    QLabel* Panel3;
    QLabel* Label2;
    QComboBox* DriveComboBox1;
    QLabel* Label3;
    DirectoryListBox* DirectoryListBox1;
    FileListBox* FileListBox1;
    QLabel* Label4;
    QComboBox* FilterComboBox1;
    QPushButton* btnOpen;
    QPushButton* btnCancel;

    QFrame* Panel4;
    QLabel* Label5;
    QPushButton* Button2;

    Query ADOQuery1;
    Query ADOQuery2;

private:
    void buildMainPanel();
    void buildOpenPanel();
    void buildSavedPanel();
    void showProgress(int row);

    Connection& m_db;
    bool m_sheetRead = false;  // a sheet has been read into the grid
};
