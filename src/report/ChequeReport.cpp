#include "ChequeReport.h"

#include "AmountFormat.h"
#include "Query.h"
#include "ReportGridLayout.h"
#include "ReportQuery.h"
#include "TextGrid.h"

#include <algorithm>
#include <array>
#include <cstdint>

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
    // Each row is written end to end into one reused buffer and handed to the
    // grid whole: a report of a million lines reads tens of millions of cells.
    QString line;
    std::array<uint32_t, L::kColumns> ends{};
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
        line.resize(0);
        for (int c = 0; c < first; ++c)
            ends[c] = 0;
        for (int c = first; c < L::kColumns; ++c) {
            const qsizetype start = line.size();
            switch (columns[c].shown) {
            case L::Shown::RowNumber:
                line.append(QString::number(r));
                break;
            case L::Shown::Text:
                query.appendFieldText(field[c], line);
                break;
            case L::Shown::First40:
                query.appendFieldText(field[c], line);
                line.truncate(std::min(line.size(), start + 40));
                break;
            case L::Shown::First100:
                query.appendFieldText(field[c], line);
                line.truncate(std::min(line.size(), start + 100));
                break;
            case L::Shown::Apostrophe:
                line.append(QLatin1Char('\''));
                query.appendFieldText(field[c], line);
                break;
            case L::Shown::Amount:
                amount.append(query.fieldNumber(field[c]), line);
                break;
            }
            ends[c] = static_cast<uint32_t>(line.size());
        }
        grid.setRowText(r, line, ends.data());
    }
    out.lines = r - 1;
    out.totalText = amount(out.total);
    return out;
}
