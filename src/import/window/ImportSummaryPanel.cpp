#include "ImportSummaryPanel.h"

#include "AmountFormat.h"
#include "ImportGridLayout.h"
#include "NamedWidget.h"
#include "SheetSummary.h"

#include <QLabel>
#include <QListWidget>
#include <algorithm>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QString sums(const SheetSummary::Amounts& a, const AmountFormat& money)
{
    return QStringLiteral("Total %1  WHT %2  To Be Paid %3")
        .arg(SheetSummary::formatSatang(a.total, money), SheetSummary::formatSatang(a.wht, money),
             SheetSummary::formatSatang(a.toBePaid, money));
}

void addCapped(QListWidget* list, const QStringList& items, size_t total)
{
    list->addItems(items);
    const auto shown = static_cast<size_t>(items.size());
    if (total > shown)
        list->addItem(QStringLiteral("... และอีก %1 รายการ").arg(total - shown));
}

}  // namespace

ImportSummaryPanel::ImportSummaryPanel(QWidget* parent) : QGroupBox(QStringLiteral("สรุปผลการอ่านแฟ้ม"), parent)
{
    setObjectName(QStringLiteral("ImportSummaryPanel"));
    lblLines = named<QLabel>("lblLines", this);
    lblPassed = named<QLabel>("lblPassed", this);
    lstPassed = named<QListWidget>("lstPassed", this);
    lblTotals = named<QLabel>("lblTotals", this);
    lblRefusals = named<QLabel>("lblRefusals", this);
    lstRefusals = named<QListWidget>("lstRefusals", this);
    lblFile = named<QLabel>("lblFile", this);
    for (QLabel* l : {lblLines, lblPassed, lblTotals, lblRefusals, lblFile}) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // A wrapped label asks for a width of many characters; here it takes
        // the box's width and wraps within it.
        l->setMinimumWidth(1);
    }
    // The summary scrolls within its own box, so a long one never makes the
    // window taller than the screen and pushes the save button out of sight.
    auto* inner = new QWidget;
    auto* v = new QVBoxLayout(inner);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(lblLines);
    v->addWidget(lblTotals);
    v->addWidget(lblPassed);
    v->addWidget(lstPassed, 1);
    v->addWidget(lblRefusals);
    v->addWidget(lstRefusals, 1);
    v->addWidget(lblFile);
    for (QListWidget* l : {lstPassed, lstRefusals})
        l->setMinimumHeight(l->fontMetrics().height() * 4);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("SummaryScroll"));
    scroll->setWidget(inner);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(scroll);
    // Wide enough for a line of two large amounts; longer lines wrap.
    setMinimumWidth(std::max(260, fontMetrics().horizontalAdvance(QStringLiteral("Total 999,999,999.99  WHT 999,999,999.99")) + 48));
    clearSummary();
}

void ImportSummaryPanel::clearSummary()
{
    lblLines->setText(QStringLiteral("ยังไม่ได้อ่านแฟ้มข้อมูล"));
    for (QLabel* l : {lblPassed, lblTotals, lblRefusals, lblFile})
        l->clear();
    lstPassed->clear();
    lstRefusals->clear();
    lstPassed->hide();
    lstRefusals->hide();
}

void ImportSummaryPanel::showSummary(const SheetSummary& s)
{
    const AmountFormat money;
    lblLines->setText(QStringLiteral("นำเข้า %1 บรรทัด เป็นเช็ค %2 ฉบับ\n%3")
                          .arg(s.linesTaken)
                          .arg(s.cheques)
                          .arg(sums(s.taken, money)));

    lstPassed->clear();
    if (s.passedOver.empty()) {
        lblPassed->setText(QStringLiteral("ไม่มีแถวที่ข้าม"));
        lstPassed->hide();
    } else {
        lblPassed->setText(QStringLiteral("ข้าม %1 แถว (ไม่นำเข้า)\n%2")
                               .arg(s.passedOver.size())
                               .arg(sums(s.passed, money)));
        QStringList items;
        for (size_t i = 0; i < s.passedOver.size() && i < size_t(kListedRows); ++i) {
            const auto& p = s.passedOver[i];
            items << QStringLiteral("แถว %1: %2, %3")
                         .arg(p.sheetRow)
                         .arg(SheetSummary::reasonText(p.reason), sums(p.amounts, money));
        }
        addCapped(lstPassed, items, s.passedOver.size());
        lstPassed->show();
    }

    switch (s.reconciled()) {
    case SheetSummary::Reconciled::NoTotalsRow:
        lblTotals->setText(QStringLiteral("ไม่พบแถวยอดรวมในแฟ้ม จึงตรวจยอดไม่ได้"));
        break;
    case SheetSummary::Reconciled::Yes:
        lblTotals->setText(QStringLiteral("ยอดรวมตรงกับแถวยอดรวมของแฟ้ม (แถว %1)\n%2")
                               .arg(s.totalsRow)
                               .arg(sums(s.totals, money)));
        break;
    case SheetSummary::Reconciled::No:
        lblTotals->setText(QStringLiteral("ยอดรวมไม่ตรงกับแถวยอดรวมของแฟ้ม (แถว %1)\n%2\nผลต่าง %3")
                               .arg(s.totalsRow)
                               .arg(sums(s.totals, money), sums(s.difference(), money)));
        break;
    }
    lblTotals->setStyleSheet(s.reconciled() == SheetSummary::Reconciled::No ? QStringLiteral("color: maroon;")
                                                                             : QString());

    lstRefusals->clear();
    const size_t refusals = s.badAmounts.size() + s.tooLong.size();
    if (refusals == 0) {
        lblRefusals->setText(QStringLiteral("ไม่มีข้อมูลที่บันทึกไม่ได้"));
        lstRefusals->hide();
    } else {
        lblRefusals->setText(QStringLiteral("บันทึกไม่ได้จนกว่าจะแก้ไข %1 รายการ").arg(refusals));
        lblRefusals->setStyleSheet(QStringLiteral("color: maroon;"));
        QStringList items;
        for (const auto& b : s.badAmounts) {
            if (items.size() >= kListedRows)
                break;
            items << QStringLiteral("แถว %1 คอลัมน์ %2 (%3): จำนวนเงินไม่ใช่ตัวเลข \"%4\"")
                         .arg(b.sheetRow)
                         .arg(SheetSummary::columnLetter(b.sheetColumn),
                              ImportGridLayout::header(b.sheetColumn - 1), b.text);
        }
        for (const auto& t : s.tooLong) {
            if (items.size() >= kListedRows)
                break;
            const int sheetColumn = ImportGridLayout::sheetColumn(t.gridColumn);
            items << QStringLiteral("แถว %1 คอลัมน์ %2 (%3): ยาว %4 ตัวอักษร เก็บได้ไม่เกิน %5")
                         .arg(t.sheetRow)
                         .arg(sheetColumn > 0 ? SheetSummary::columnLetter(sheetColumn) : QStringLiteral("J+K"),
                              ImportGridLayout::header(t.gridColumn).trimmed())
                         .arg(t.length)
                         .arg(t.limit);
        }
        addCapped(lstRefusals, items, refusals);
        lstRefusals->show();
    }
    if (refusals == 0)
        lblRefusals->setStyleSheet(QString());

    lblFile->setText(s.fileName.isEmpty()
                         ? QString()
                         : QStringLiteral("แฟ้ม %1 ขนาด %2 ไบต์\nSHA-256 %3")
                               .arg(s.fileName, QLocale().toString(s.fileSize), s.sha256));
}
