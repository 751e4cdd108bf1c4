#include "ChequeSheetReader.h"

#include "WorkbookFile.h"
#include "ImportGridLayout.h"
#include "TextGrid.h"
#include "Trim.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <charconv>
#include <memory>

namespace {

// Sheet rows 1-5 hold titles and headings; payment lines start here.
constexpr int kFirstLineRow = 6;
// Sheet columns (1-based) with a role of their own.
constexpr int kColProfitCenter = 3;   // C: must be filled for a line to count
constexpr int kColEndMarker = 5;      // E: the first empty one ends the lines
constexpr int kColClearingDate = 10;  // J: year part of the cheque key
constexpr int kColCheckNo = 11;       // K: must be filled; number part of the key
constexpr int kColTaxNumber = 15;     // O
constexpr int kFirstCol = 3;          // C
constexpr int kLastCol = 26;          // Z

void setDecimal(QString& s, int n)
{
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, n);
    s.resize(r.ptr - buf);
    for (qsizetype i = 0; i < s.size(); ++i)
        s[i] = QLatin1Char(buf[i]);
}

// Year and check number: the 4 characters of the clearing-date text from its
// 7th on (dd.mm.yyyy gives the year), "/", the check number. Neither piece is
// trimmed, so the key matches the one the earlier imports stored.
void buildChequeKey(QString& key, const QString& clearingDate, const QString& checkNo)
{
    key.resize(0);
    if (clearingDate.size() > 6)
        key.append(clearingDate.constData() + 6, std::min<qsizetype>(4, clearingDate.size() - 6));
    key.append(QLatin1Char('/'));
    key.append(checkNo);
}

int readInto(Workbook& book, TextGrid& grid)
{
    // One buffer per sheet column, reused row after row.
    std::array<QString, kLastCol + 1> cell;
    QString number;
    QString key;
    QString line;

    int g = 1;
    for (int r = kFirstLineRow;; ++r) {
        book.readCell(r, kColEndMarker, cell[kColEndMarker]);
        if (cell[kColEndMarker].isEmpty())
            break;
        book.readCell(r, kColCheckNo, cell[kColCheckNo]);
        book.readCell(r, kColProfitCenter, cell[kColProfitCenter]);
        if (cell[kColCheckNo].isEmpty() || cell[kColProfitCenter].isEmpty())
            continue;
        for (int c = kFirstCol; c <= kLastCol; ++c)
            if (c != kColEndMarker && c != kColCheckNo && c != kColProfitCenter)
                book.readCell(r, c, cell[c]);

        // The row is written end to end into one reused buffer and handed to
        // the grid whole.
        std::array<uint32_t, ImportGridLayout::kColumnCount> ends;
        line.resize(0);
        setDecimal(number, g);
        line.append(number);
        ends[ImportGridLayout::No] = static_cast<uint32_t>(line.size());
        buildChequeKey(key, cell[kColClearingDate], cell[kColCheckNo]);
        line.append(key);
        ends[ImportGridLayout::ChequePk] = static_cast<uint32_t>(line.size());
        for (int c = kFirstCol; c <= kLastCol; ++c) {
            QString& text = cell[c];
            const qsizetype rawLength = text.size();
            Trim::trimInPlace(text);
            // Tax numbers lose their leading zero on the way out of SAP when
            // the 10- or 13-digit number was stored as 9 or 12 characters.
            if (c == kColTaxNumber && (rawLength == 9 || rawLength == 12))
                line.append(QLatin1Char('0'));
            line.append(text);
            ends[c - 1] = static_cast<uint32_t>(line.size());
        }
        // The grid grows with the lines found, never by what the file declares.
        if (g >= grid.rowCount())
            grid.setRowCount(std::max(2 * grid.rowCount(), 64));
        grid.setRowText(g, line, ends.data());
        ++g;
    }
    return g - 1;
}

}

int readChequeSheet(Workbook& book, TextGrid& grid)
{
    try {
        // Built aside and moved in only when the whole read succeeded, so a
        // failure leaves the caller's grid as it was.
        TextGrid fresh;
        fresh.setColCount(ImportGridLayout::kColumnCount);
        // Room for the rows that hold cells below the headings, as far as a
        // small file can need; the grid grows with the lines taken and is cut
        // to them at the end.
        fresh.setRowCount(std::clamp(book.rowCount() - kFirstLineRow + 2, 2, 4096));
        for (int c = ImportGridLayout::kWidthCount; c < ImportGridLayout::kColumnCount; ++c)
            fresh.setColWidth(c, grid.colWidth(c));
        ImportGridLayout::applyHeaders(fresh);

        const int lines = readInto(book, fresh);
        book.close();

        if (lines == 0) {
            // A fixed row needs a row below it: the header row alone stays scrollable.
            fresh.setFixedRows(0);
            fresh.setRowCount(1);
        } else {
            fresh.setRowCount(lines + 1);
            fresh.setFixedRows(1);
        }
        fresh.setFixedCols(1);
        grid = std::move(fresh);
        return lines;
    } catch (const Workbook::Error& e) {
        book.close();
        throw SheetReadError(e.what());
    } catch (const std::bad_alloc&) {
        book.close();
        throw SheetReadError(QStringLiteral("หน่วยความจำไม่พอสำหรับอ่านแฟ้มนี้").toStdString());
    }
}

int readChequeSheet(const QString& path, TextGrid& grid)
{
    std::unique_ptr<Workbook> book;
    try {
        book = WorkbookFile::open(path);
    } catch (const Workbook::Error& e) {
        throw SheetReadError(e.what());
    } catch (const std::bad_alloc&) {
        throw SheetReadError(QStringLiteral("หน่วยความจำไม่พอสำหรับอ่านแฟ้มนี้").toStdString());
    }
    return readChequeSheet(*book, grid);
}
