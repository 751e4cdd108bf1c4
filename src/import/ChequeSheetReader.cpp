#include "ChequeSheetReader.h"

#include "WorkbookFile.h"
#include "ColumnLimits.h"
#include "ImportGridLayout.h"
#include "SheetMessages.h"
#include "SheetSummary.h"
#include "TextGrid.h"
#include "Trim.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <array>
#include <cstdint>
#include <charconv>
#include <memory>
#include <openssl/evp.h>
#include <thread>

namespace {

// Sheet rows 1-5 hold titles and headings; payment lines start here.
constexpr int kFirstLineRow = 6;
// Sheet columns (1-based) with a role of their own.
constexpr int kColProfitCenter = 3;   // C: must be filled for a line to count
constexpr int kColEndMarker = 5;      // E: the first empty one ends the lines
constexpr int kColClearingDate = 10;  // J: year part of the cheque key
constexpr int kColCheckNo = 11;       // K: must be filled; number part of the key
constexpr int kColTaxNumber = 15;     // O
constexpr int kColTotal = 20;         // T, U, V: the three amounts
constexpr int kColWht = 21;
constexpr int kColToBePaid = 22;
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

// The cells of a line that are keys or searched in the database, with
// their limits; a longer one is named before the save.
struct LimitedCell {
    int gridColumn;
    int limit;
};
std::array<LimitedCell, 4> limitedCells()
{
    using L = ImportGridLayout;
    const QString main = QStringLiteral("TSQ_Cheque_Main");
    return {{{L::ChequePk, ColumnLimits::length(main, QStringLiteral("Cheque_PK"))},
             {L::ProfitCenterCode, ColumnLimits::length(main, QStringLiteral("Profit_Center_Code"))},
             {L::DekaNumber, ColumnLimits::length(main, QStringLiteral("Deka_Number"))},
             {L::CheckNo, ColumnLimits::length(main, QStringLiteral("Check_No"))}}};
}

// The three amounts of a row, in satang; a text that is not a number is
// handed to `bad` with its column and counts as 0.
template <typename Bad>
SheetSummary::Amounts amountsOf(const QString& total, const QString& wht, const QString& toBePaid, Bad&& bad)
{
    SheetSummary::Amounts a;
    const QString* texts[3] = {&total, &wht, &toBePaid};
    qint64* sums[3] = {&a.total, &a.wht, &a.toBePaid};
    for (int i = 0; i < 3; ++i) {
        if (const auto v = SheetSummary::parseSatang(*texts[i]))
            *sums[i] = *v;
        else
            bad(kColTotal + i, *texts[i]);
    }
    return a;
}

// The sheet's own totals: numbers in T, U and V of the row that ended the
// read or of the row right after it. A row with a check number is a payment
// line left below the end, not a totals row.
void findTotals(Workbook& book, int endRow, SheetSummary& s)
{
    QString t, u, v;
    for (int r : {endRow, endRow + 1}) {
        book.readCell(r, kColCheckNo, t);
        if (!t.isEmpty())
            continue;
        book.readCell(r, kColTotal, t);
        book.readCell(r, kColWht, u);
        book.readCell(r, kColToBePaid, v);
        const auto a = SheetSummary::parseSatang(t);
        const auto b = SheetSummary::parseSatang(u);
        const auto c = SheetSummary::parseSatang(v);
        if (a && b && c) {
            s.totalsRow = r;
            s.totals = {*a, *b, *c};
            return;
        }
    }
}

QByteArray sha256(const QByteArray& bytes)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes.constData(), static_cast<size_t>(bytes.size()), md, &size, EVP_sha256(), nullptr) == 1)
        return QByteArray(reinterpret_cast<const char*>(md), static_cast<qsizetype>(size));
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

int readInto(Workbook& book, TextGrid& grid, SheetSummary* summary)
{
    // One buffer per sheet column, reused row after row.
    std::array<QString, kLastCol + 1> cell;
    QString number;
    QString key;
    QString line;

    const auto limits = limitedCells();
    QSet<QString> chequeKeys;
    QString lastKey;

    int g = 1;
    int r = kFirstLineRow;
    for (;; ++r) {
        book.readCell(r, kColEndMarker, cell[kColEndMarker]);
        if (cell[kColEndMarker].isEmpty())
            break;
        book.readCell(r, kColCheckNo, cell[kColCheckNo]);
        book.readCell(r, kColProfitCenter, cell[kColProfitCenter]);
        if (cell[kColCheckNo].isEmpty() || cell[kColProfitCenter].isEmpty()) {
            if (summary) {
                for (int c : {kColTotal, kColWht, kColToBePaid}) {
                    book.readCell(r, c, cell[c]);
                    Trim::trimInPlace(cell[c]);
                }
                const auto reason = cell[kColCheckNo].isEmpty()
                                        ? (cell[kColProfitCenter].isEmpty()
                                               ? SheetSummary::Reason::NoCheckNoNorProfitCentre
                                               : SheetSummary::Reason::NoCheckNo)
                                        : SheetSummary::Reason::NoProfitCentre;
                const auto a = amountsOf(cell[kColTotal], cell[kColWht], cell[kColToBePaid], [](int, const QString&) {});
                summary->passedOver.push_back({r, reason, a});
                summary->passed += a;
            }
            continue;
        }
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
        if (summary) {
            // The cells are trimmed now, as the grid holds them.
            summary->taken += amountsOf(cell[kColTotal], cell[kColWht], cell[kColToBePaid],
                                        [&](int col, const QString& text) {
                                            summary->badAmounts.push_back({r, col, text});
                                        });
            // Lines of one cheque come one after the other; the set sees each
            // key once per run of lines. Compared as the database compares keys.
            if (key != lastKey) {
                lastKey = key;
                QString folded = key;
                while (folded.endsWith(u' '))
                    folded.chop(1);
                chequeKeys.insert(folded.toCaseFolded());
            }
            for (const LimitedCell& lc : limits) {
                const qsizetype length = ends[lc.gridColumn] - ends[lc.gridColumn - 1];
                if (lc.limit > 0 && length > lc.limit)
                    summary->tooLong.push_back({r, lc.gridColumn, int(length), lc.limit});
            }
        }
        // The grid grows with the lines found, never by what the file declares.
        if (g >= grid.rowCount())
            grid.setRowCount(std::max(2 * grid.rowCount(), 64));
        grid.setRowText(g, line, ends.data());
        ++g;
    }
    if (summary) {
        summary->linesTaken = g - 1;
        summary->cheques = static_cast<int>(chequeKeys.size());
        findTotals(book, r, *summary);
    }
    return g - 1;
}

}

int readChequeSheet(Workbook& book, TextGrid& grid, SheetSummary* summary)
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

        SheetSummary found;
        const int lines = readInto(book, fresh, summary ? &found : nullptr);
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
        if (summary) {
            found.fileName = summary->fileName;
            found.fileSize = summary->fileSize;
            found.sha256 = summary->sha256;
            *summary = std::move(found);
        }
        return lines;
    } catch (const Workbook::Error& e) {
        book.close();
        throw SheetReadError(e.what());
    } catch (const std::bad_alloc&) {
        book.close();
        throw SheetReadError(QStringLiteral("หน่วยความจำไม่พอสำหรับอ่านแฟ้มนี้").toStdString());
    }
}

int readChequeSheet(const QString& path, TextGrid& grid, SheetSummary* summary)
{
    // The caller's summary changes only with a read that succeeded, as the grid.
    SheetSummary found;
    QByteArray bytes;
    try {
        // Read once: the same bytes are hashed and parsed.
        bytes = SheetMessages::readWholeFile(path);
    } catch (const Workbook::Error& e) {
        throw SheetReadError(e.what());
    } catch (const std::bad_alloc&) {
        throw SheetReadError(QStringLiteral("หน่วยความจำไม่พอสำหรับอ่านแฟ้มนี้").toStdString());
    }

    // The hash of a large file costs about as much as its parse; it is made
    // on the other core meanwhile, from the same bytes, which neither side
    // changes. The guard waits for it however the parse ends.
    QByteArray digest;
    std::thread hasher;
    if (summary) {
        found.fileName = QFileInfo(path).fileName();
        found.fileSize = bytes.size();
        hasher = std::thread([&bytes, &digest] {
            try {
                digest = sha256(bytes);
            } catch (...) {
                digest.clear();  // no hash: the file is then not told apart from others
            }
        });
    }
    struct Join {
        std::thread& t;
        ~Join()
        {
            if (t.joinable())
                t.join();
        }
    } join{hasher};

    std::unique_ptr<Workbook> book;
    try {
        book = WorkbookFile::openData(bytes, path);
    } catch (const Workbook::Error& e) {
        throw SheetReadError(e.what());
    } catch (const std::bad_alloc&) {
        throw SheetReadError(QStringLiteral("หน่วยความจำไม่พอสำหรับอ่านแฟ้มนี้").toStdString());
    }
    const int lines = readChequeSheet(*book, grid, summary ? &found : nullptr);
    if (summary) {
        hasher.join();
        found.sha256 = QString::fromLatin1(digest.toHex());
        *summary = std::move(found);
    }
    return lines;
}
