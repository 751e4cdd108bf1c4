#include "SheetSummary.h"

#include "AmountFormat.h"
#include "ImportGridLayout.h"
#include "TextGrid.h"

#include <QSet>

namespace {

// Digits of a decimal(18,2) amount, the two decimals included.
constexpr int kMaxDigits = 18;

}  // namespace

SheetSummary::Reconciled SheetSummary::reconciled() const
{
    if (totalsRow == 0)
        return Reconciled::NoTotalsRow;
    return difference().isZero() ? Reconciled::Yes : Reconciled::No;
}

QString SheetSummary::reconciledWord() const
{
    switch (reconciled()) {
    case Reconciled::Yes:
        return QStringLiteral("yes");
    case Reconciled::No:
        return QStringLiteral("no");
    case Reconciled::NoTotalsRow:
        break;
    }
    return QStringLiteral("none");
}

std::optional<qint64> SheetSummary::parseSatang(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 whole = 0;
    int digits = 0;
    int significant = 0;
    int decimals = 0;
    int third = -1;     // the first digit past the satang, which rounds
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'.' && !point) {
            point = true;
            continue;
        }
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
        const int d = ch.unicode() - u'0';
        if (point && decimals >= 2) {
            if (third < 0)
                third = d;
            ++decimals;
            continue;
        }
        if (point)
            ++decimals;
        ++digits;
        // Leading zeros take no room; decimal(18,2) holds 18 digits in all.
        if (whole != 0 || d != 0) {
            if (++significant > kMaxDigits)
                return std::nullopt;
        }
        whole = whole * 10 + d;
    }
    if (digits == 0)
        return std::nullopt;
    for (int k = std::min(decimals, 2); k < 2; ++k) {
        if (whole != 0 && ++significant > kMaxDigits)
            return std::nullopt;
        whole *= 10;
    }
    if (third >= 5)
        ++whole;
    return negative ? -whole : whole;
}

QString SheetSummary::formatSatang(qint64 satang, const AmountFormat& format)
{
    // Exact in a double up to 2^53 satang, far beyond any cheque.
    return format(static_cast<double>(satang) / 100.0);
}

QString SheetSummary::decimalText(qint64 satang)
{
    const bool negative = satang < 0;
    const quint64 v = negative ? quint64(0) - quint64(satang) : quint64(satang);
    return (negative ? QStringLiteral("-") : QString()) + QString::number(v / 100) + u'.'
           + QStringLiteral("%1").arg(v % 100, 2, 10, QLatin1Char('0'));
}

QString SheetSummary::columnLetter(int sheetColumn)
{
    QString out;
    for (int n = sheetColumn; n > 0; n = (n - 1) / 26)
        out.prepend(QChar(u'A' + (n - 1) % 26));
    return out;
}

QString SheetSummary::reasonText(Reason reason)
{
    switch (reason) {
    case Reason::NoCheckNo:
        return QStringLiteral("ไม่มีเลขที่เช็ค (คอลัมน์ K)");
    case Reason::NoProfitCentre:
        return QStringLiteral("ไม่มีรหัส Profit Center (คอลัมน์ C)");
    case Reason::NoCheckNoNorProfitCentre:
        break;
    }
    return QStringLiteral("ไม่มีเลขที่เช็คและรหัส Profit Center (คอลัมน์ K และ C)");
}

SheetSummary SheetSummary::fromGrid(const TextGrid& grid)
{
    using L = ImportGridLayout;
    SheetSummary s;
    QSet<QString> keys;
    for (int r = 1; r < grid.rowCount(); ++r) {
        ++s.linesTaken;
        QString key = grid.cell(L::ChequePk, r);
        while (key.endsWith(u' '))
            key.chop(1);
        keys.insert(key.toCaseFolded());
        s.taken.total += parseSatang(grid.cell(L::TotalAmou, r)).value_or(0);
        s.taken.wht += parseSatang(grid.cell(L::WhtAmount, r)).value_or(0);
        s.taken.toBePaid += parseSatang(grid.cell(L::ToBePaid, r)).value_or(0);
    }
    s.cheques = static_cast<int>(keys.size());
    return s;
}
