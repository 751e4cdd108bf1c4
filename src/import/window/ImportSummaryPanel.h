#pragma once

#include <QGroupBox>

class QLabel;
class QListWidget;
struct SheetSummary;

// Beside the import grid: what the last read found, before anything is
// written. The lines taken and the cheques they form with their sums, the
// rows passed over and why, whether the sheet's own totals row agrees to the
// satang, the file's size and SHA-256, and every cell the save would refuse.
class ImportSummaryPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ImportSummaryPanel(QWidget* parent = nullptr);

    void showSummary(const SheetSummary& summary);
    void clearSummary();

    // At most this many rows are listed in each list; the rest are counted.
    static constexpr int kListedRows = 500;

    // Controls; each one's objectName() is its member name.
    QLabel* lblLines = nullptr;      // lines taken, cheques, their sums
    QLabel* lblPassed = nullptr;     // rows passed over, their sums
    QListWidget* lstPassed = nullptr;
    QLabel* lblTotals = nullptr;     // the sheet's totals row and whether it agrees
    QLabel* lblRefusals = nullptr;   // what the save would refuse
    QListWidget* lstRefusals = nullptr;
    QLabel* lblFile = nullptr;       // name, size, SHA-256
};
