#pragma once

#include "Query.h"
#include "ReportSelection.h"

#include <QWidget>

class Connection;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class StringGrid;

// The cheque payment report: stored cheques with their invoice lines, all of
// them or selected by cheque number, payment-document number or part of the
// vendor name; the grid can be exported to a workbook.
class TfrmRep_ChequVendor : public QWidget {
    Q_OBJECT
public:
    explicit TfrmRep_ChequVendor(Connection& db, QWidget* parent = nullptr);

    // The selection the radio buttons and boxes describe now.
    ReportSelection selection() const;

    // Controls; each one's objectName() is its member name.
    QFrame* btnExp_Excel = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QLineEdit* edtCheck_No = nullptr;
    QLineEdit* edtDeka_Number = nullptr;
    QLineEdit* edtVendor_Name = nullptr;
    QPushButton* btnShow_data = nullptr;
    QPushButton* btnExit1 = nullptr;
    StringGrid* StringGrid1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* edtSum_money = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* Button1 = nullptr;

private slots:
    // Handlers, one per control event.
    void FormCreate();
    void btnShow_dataClick();
    void btnExit1Click();
    void Button1Click();
    // Shared by the three search boxes: Enter runs the search of its box.
    void edtCheck_NoReturnPressed();

protected:
    // A closed report window is never shown again (the menu opens a fresh
    // one): the lines it holds go with the closing, so that a report of a
    // million lines does not stay in memory until the program ends.
    void closeEvent(QCloseEvent* event) override;

private:
    void lookOfGrid();

    Query ADOQuery1;
};
