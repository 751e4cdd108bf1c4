#include "ChequeReport.h"

#include "AmountFormat.h"
#include "Query.h"
#include "ReportGridLayout.h"
#include "ReportQuery.h"
#include "TextGrid.h"

#include <array>

ChequeReport::Outcome ChequeReport::run(Query& query, TextGrid& grid, const ReportSelection& selection)
{
    using L = ReportGridLayout;
    ReportGridLayout::setUp(grid);
    ReportQuery::prepare(query, selection);
    query.open();

    grid.clearRow(1);
    Outcome out;
    out.totalText = QStringLiteral("0.00");
    if (query.recordCount() < 1)
        return out;

    // Field positions are looked up once per run, not by name on every row.
    const auto& columns = L::columns();
    std::array<int, L::kColumns> field{};
    for (int c = 0; c < L::kColumns; ++c)
        field[c] = columns[c].field ? query.fieldIndex(QString::fromLatin1(columns[c].field)) : -1;
    const int keyField = query.fieldIndex(QStringLiteral("Cheque_PK"));
    const int paidField = query.fieldIndex(QStringLiteral("Sum_To_Be_Paid"));
    const AmountFormat amount;

    grid.setRowCount(query.recordCount() + 1);
    std::array<QString, L::kColumns> cells;
    QString previousKey;
    int r = 1;
    for (; !query.eof(); query.next(), ++r) {
        const QString key = query.fieldText(keyField);
        int first = L::kFirstLineColumn;
        // The first row always starts a cheque, even one whose key is empty.
        if (r == 1 || key != previousKey) {
            first = 0;
            previousKey = key;
            out.total += query.fieldNumber(paidField);
        }
        // A further line of the same cheque leaves the cheque columns blank.
        for (int c = 0; c < first; ++c)
            cells[c].clear();
        for (int c = first; c < L::kColumns; ++c) {
            QString& text = cells[c];
            switch (columns[c].shown) {
            case L::Shown::RowNumber:
                text = QString::number(r);
                break;
            case L::Shown::Text:
                text = field[c] == keyField ? key : query.fieldText(field[c]);
                break;
            case L::Shown::First40:
                text = query.fieldText(field[c]).left(40);
                break;
            case L::Shown::First100:
                text = query.fieldText(field[c]).left(100);
                break;
            case L::Shown::Apostrophe:
                text = QLatin1Char('\'') + query.fieldText(field[c]);
                break;
            case L::Shown::Amount:
                text = amount(query.fieldNumber(field[c]));
                break;
            }
        }
        grid.setRow(r, cells.data(), L::kColumns);
    }
    out.lines = r - 1;
    out.totalText = amount(out.total);
    return out;
}
