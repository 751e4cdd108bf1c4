#include "ChequeReport.h"

#include "AmountFormat.h"
#include "Query.h"
#include "ReportGridLayout.h"
#include "ReportQuery.h"
#include "TextGrid.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// A text field as it is, in the database's UTF-8; a number or a date-time a
// driver hands over for it as the query's own reader spells it.
void appendText(const Query& query, const RowView& from, int field, TextGrid::RowBuilder& row)
{
    const char* bytes;
    size_t size;
    if (from.textUtf8(field, bytes, size))
        row.appendUtf8(bytes, size);
    else if (from.kind(field) != ResultSet::Kind::Null)
        row.append(query.fieldText(field));
}

// The stored number; anything else as the query's own reader takes it.
double amountOf(const Query& query, const RowView& from, int field)
{
    switch (from.kind(field)) {
    case ResultSet::Kind::Integer:
        return static_cast<double>(from.integer(field));
    case ResultSet::Kind::Real:
        return from.real(field);
    default:
        return query.fieldNumber(field);
    }
}

}

ChequeReport::Outcome ChequeReport::run(Query& query, TextGrid& grid, const ReportSelection& selection)
{
    using L = ReportGridLayout;
    ReportGridLayout::setUp(grid);
    ReportQuery::prepare(query, selection);

    grid.clearRow(1);
    Outcome out;
    out.totalText = QStringLiteral("0.00");

    // Field positions are looked up once per run, on the first row, not by
    // name on every row.
    const auto& columns = L::columns();
    std::array<int, L::kColumns> field{};
    int keyField = -1;
    int paidField = -1;
    const AmountFormat amount;

    // The rows are written as they come, a batch of the result at a time:
    // the result is never held whole beside the grid. Each row is built in
    // one reused builder, texts taken from the database's UTF-8 as they are.
    TextGrid::RowBuilder row;
    std::string previousKey;
    QByteArray keyScratch;
    char digits[16];
    int r = 0;
    query.forEachRow([&] {
        if (r == 0) {
            for (int c = 0; c < L::kColumns; ++c)
                field[c] = columns[c].field ? query.fieldIndex(QString::fromLatin1(columns[c].field)) : -1;
            keyField = query.fieldIndex(QStringLiteral("Cheque_PK"));
            paidField = query.fieldIndex(QStringLiteral("Sum_To_Be_Paid"));
        }
        ++r;
        if (r >= grid.rowCount())
            grid.setRowCount(std::max(grid.rowCount() * 2, 1024));

        const RowView& from = query.currentRow();
        QByteArrayView key = query.fieldUtf8(keyField);
        const ResultSet::Kind keyKind = from.kind(keyField);
        if (keyKind != ResultSet::Kind::Text && keyKind != ResultSet::Kind::Null) {
            keyScratch = query.fieldText(keyField).toUtf8();  // a key handed over as a number
            key = keyScratch;
        }
        int first = L::kFirstLineColumn;
        // The first row always starts a cheque, even one whose key is empty.
        // The keys compare as exact text: equal UTF-8 is equal text.
        const std::string_view keyBytes(key.data(), static_cast<size_t>(key.size()));
        if (r == 1 || keyBytes != previousKey) {
            first = 0;
            previousKey.assign(keyBytes);
            out.total += amountOf(query, from, paidField);
        }
        // A further line of the same cheque leaves the cheque columns blank.
        row.clear();
        for (int c = 0; c < first; ++c)
            row.endCell();
        for (int c = first; c < L::kColumns; ++c) {
            switch (columns[c].shown) {
            case L::Shown::RowNumber: {
                const auto res = std::to_chars(digits, digits + sizeof digits, r);
                row.appendAscii(digits, static_cast<size_t>(res.ptr - digits));
                break;
            }
            case L::Shown::Text:
                appendText(query, from, field[c], row);
                break;
            case L::Shown::First40:
                appendText(query, from, field[c], row);
                row.truncateCell(40);
                break;
            case L::Shown::First100:
                appendText(query, from, field[c], row);
                row.truncateCell(100);
                break;
            case L::Shown::Apostrophe:
                row.append(QLatin1Char('\''));
                appendText(query, from, field[c], row);
                break;
            case L::Shown::Amount:
                amount.append(amountOf(query, from, field[c]), row);
                break;
            }
            row.endCell();
        }
        grid.setRow(r, row);
    });
    // The grid was grown ahead of the rows; it ends after the last one (and
    // keeps its one empty row when nothing was found).
    grid.setRowCount(std::max(r + 1, 2));
    out.lines = r;
    if (r > 0)
        out.totalText = amount(out.total);
    return out;
}
