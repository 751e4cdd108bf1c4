#pragma once

#include "Query.h"
#include "SheetSummary.h"

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
class ImportSummaryPanel;

// The import window: open a SAP cheque sheet into the grid, export the grid,
// save it into the database, and clear the shared staging area.
class TfrmIport_Vendor_Cheque : public QWidget {
    Q_OBJECT
public:
    explicit TfrmIport_Vendor_Cheque(Connection& db, QWidget* parent = nullptr);

    // Controls; each one's objectName() is its member name.
    QFrame* Panel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* btnClear_Temp = nullptr;
    QLabel* LF_Name = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label10 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    StringGrid* StringGrid1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* btnExp_Excel1 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* l_no = nullptr;
    QLabel* GridNote = nullptr;  // beside the grid: what it still holds after a refused read
    QPushButton* Button1 = nullptr;
    QLabel* Label1 = nullptr;

    QFrame* Panel2 = nullptr;
    QLabel* Panel3 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QLabel* Label3 = nullptr;
    DirectoryListBox* DirectoryListBox1 = nullptr;
    FileListBox* FileListBox1 = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* FilterComboBox1 = nullptr;
    QPushButton* btnOpen = nullptr;
    QPushButton* btnCancel = nullptr;

    QFrame* Panel4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* Button2 = nullptr;

    // Beside the grid: what the last read found, before anything is written.
    ImportSummaryPanel* SummaryPanel = nullptr;

    // The name the user logged in with, for the ledger of imports.
    void setLoginUserName(const QString& name) { m_loginUserName = name; }

private slots:
    // Handlers, one per control event.
    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    void btnClear_TempClick();
    void btnCancelClick();
    void btnOpenClick();
    void btnExp_Excel1Click();
    void Button1Click();
    void DriveComboBox1Change(int index);
    void DirectoryListBox1Change(const QString& path);
    void FilterComboBox1Change(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMainPanel();
    void buildOpenPanel();
    void buildSavedPanel();
    void lookOfGrid();
    void showProgress(int row);
    // The file-open panel inside what shows of the window, wherever it is.
    void placeOpenPanel();
    QRect visibleArea() const;
    // LF_Name and the note beside the grid after a read and after a refusal.
    void showReadFile(const QString& name, int lines);
    void showRefusedRead(const QString& refusedName);

    Query ADOQuery1;
    Query ADOQuery2;
    Connection& m_db;
    bool m_sheetRead = false;  // a sheet has been read into the grid
    SheetSummary m_summary;    // what that read found beside the grid
    QString m_loginUserName;
    QString m_gridFile;        // the name of the file the grid holds
};
