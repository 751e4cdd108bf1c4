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

    QFrame* btnExp_Excel;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QGroupBox* GroupBox3;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton4;
    QLineEdit* edtCheck_No;
    QLineEdit* edtDeka_Number;
    QLineEdit* edtVendor_Name;
    QPushButton* btnShow_data;
    QPushButton* btnExit1;
    StringGrid* StringGrid1;
    QLabel* Label4;
    QLineEdit* edtSum_money;
    QLabel* Label7;
    QPushButton* Button1;

public slots:
    void FormCreate();
    void btnShow_dataClick();
    void btnExit1Click();
    void Button1Click();

private:
    Query ADOQuery1;
};
