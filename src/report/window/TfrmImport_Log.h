#pragma once

#include "Query.h"

#include <QWidget>

class Connection;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class StringGrid;

// The ledger of imports: every save that committed, newest first, chosen by
// part of the file or login name and a date range; the grid exports like the
// report's.
class TfrmImport_Log : public QWidget {
    Q_OBJECT
public:
    explicit TfrmImport_Log(Connection& db, QWidget* parent = nullptr);

    // Controls; each one's objectName() is its member name.
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* edtSearch = nullptr;   // part of the file name or login name
    QCheckBox* chkDates = nullptr;    // the date range applies
    QDateEdit* dtFrom = nullptr;
    QLabel* Label2 = nullptr;
    QDateEdit* dtTo = nullptr;
    QPushButton* btnShow_data = nullptr;
    QPushButton* btnExit1 = nullptr;
    StringGrid* StringGrid1 = nullptr;
    QLabel* l_count = nullptr;
    QPushButton* Button1 = nullptr;   // Export To Excel

private slots:
    void FormCreate();
    void btnShow_dataClick();
    void btnExit1Click();
    void Button1Click();
    void chkDatesToggle(bool on);

private:
    Query ADOQuery1;
};
