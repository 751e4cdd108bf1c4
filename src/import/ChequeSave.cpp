#include "ChequeSave.h"

#include "ColumnLimits.h"
#include "DatabaseError.h"
#include "ImportGridLayout.h"
#include "ImportRow.h"
#include "Query.h"
#include "SaveLock.h"
#include "SaveStatements.h"
#include "SharedTexts.h"
#include "SheetSummary.h"
#include "StagingFlag.h"
#include "TextGrid.h"

#include <QSysInfo>
#include <atomic>
#include <optional>

namespace {

using L = ImportGridLayout;

// The missing ledger table is told once per program run.
std::atomic<bool> g_ledgerNoticeGiven{false};

QString foldedKey(QString key)
{
    while (key.endsWith(u' '))
        key.chop(1);
    return key.toCaseFolded();
}

}  // namespace

ChequeSave::ChequeSave(Query& queryA, Query& queryB) : m_a(queryA), m_b(queryB) {}

QString ChequeSave::confirmMessage()
{
    return SharedTexts::confirmSave();
}

QString ChequeSave::savedMessage()
{
    return QStringLiteral("ทำการบันทึกข้อมูลเรียบร้อยแล้ว");
}

QString ChequeSave::notReadMessage()
{
    return QStringLiteral("กรุณาเปิดแฟ้มข้อมูลก่อน");
}

QString ChequeSave::nothingSavedMessage()
{
    return QStringLiteral("การบันทึกไม่สำเร็จ ไม่มีข้อมูลใดจากแฟ้มนี้ถูกบันทึกลงฐานข้อมูล "
                          "สามารถบันทึกแฟ้มนี้ใหม่ได้อีกครั้ง");
}

QString ChequeSave::flagKeptMessage()
{
    return QStringLiteral("แต่สถานะการใช้ Temp ยังค้างอยู่ โปรดกดปุ่ม \"ล้างข้อมูล Temp\" ก่อนนำเข้าข้อมูลครั้งต่อไป");
}

bool ChequeSave::hasImportLayout(const TextGrid& grid)
{
    return grid.colCount() == L::kColumnCount && grid.rowCount() >= 1
           && grid.cell(L::ChequePk, 0) == L::header(L::ChequePk);
}

bool ChequeSave::isDecimalText(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    int digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch >= u'0' && ch <= u'9')
            ++digits;
        else if (ch == u'.' && !point)
            point = true;
        else
            return false;
    }
    return digits > 0;
}

QString ChequeSave::badAmountMessage(const TextGrid& grid)
{
    for (int r = 1; r < grid.rowCount(); ++r) {
        for (int c : {L::TotalAmou, L::WhtAmount, L::ToBePaid}) {
            const QString text = grid.cell(c, r);
            if (!isDecimalText(text))
                return QStringLiteral("จำนวนเงินไม่ถูกต้อง\nแถว %1 คอลัมน์ %2 : %3")
                    .arg(r)
                    .arg(grid.cell(c, 0), text);
        }
    }
    return QString();
}

QString ChequeSave::tooLongMessage(const TextGrid& grid)
{
    const QString main = QStringLiteral("TSQ_Cheque_Main");
    const struct {
        int column;
        int limit;
    } limited[] = {{L::ChequePk, ColumnLimits::length(main, QStringLiteral("Cheque_PK"))},
                   {L::ProfitCenterCode, ColumnLimits::length(main, QStringLiteral("Profit_Center_Code"))},
                   {L::DekaNumber, ColumnLimits::length(main, QStringLiteral("Deka_Number"))},
                   {L::CheckNo, ColumnLimits::length(main, QStringLiteral("Check_No"))}};
    for (int r = 1; r < grid.rowCount(); ++r) {
        for (const auto& c : limited) {
            const qsizetype length = grid.cell(c.column, r).size();
            if (c.limit > 0 && length > c.limit)
                return QStringLiteral("ข้อความยาวเกินกว่าที่ฐานข้อมูลเก็บได้\nแถว %1 คอลัมน์ %2 : ยาว %3 ตัวอักษร เก็บได้ไม่เกิน %4 ตัวอักษร")
                    .arg(r)
                    .arg(grid.cell(c.column, 0))
                    .arg(length)
                    .arg(c.limit);
        }
    }
    return QString();
}

QString ChequeSave::decodeXmlEntities(const QString& text)
{
    const qsizetype first = text.indexOf(u'&');
    if (first < 0)
        return text;
    QString out;
    out.reserve(text.size());
    out.append(QStringView(text).left(first));
    qsizetype i = first;
    while (i < text.size()) {
        const QChar ch = text[i];
        if (ch != u'&') {
            out.append(ch);
            ++i;
            continue;
        }
        const qsizetype semi = text.indexOf(u';', i + 1);
        // Entity names and references are short; a lone "&" stays as it is.
        if (semi < 0 || semi - i > 10) {
            out.append(ch);
            ++i;
            continue;
        }
        const QStringView name = QStringView(text).mid(i + 1, semi - i - 1);
        char32_t decoded = 0;
        if (name == u"amp")
            decoded = U'&';
        else if (name == u"lt")
            decoded = U'<';
        else if (name == u"gt")
            decoded = U'>';
        else if (name == u"quot")
            decoded = U'"';
        else if (name == u"apos")
            decoded = U'\'';
        else if (name.size() > 1 && name[0] == u'#') {
            bool ok = false;
            uint code = (name[1] == u'x' || name[1] == u'X') ? name.mid(2).toUInt(&ok, 16)
                                                             : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF))
                decoded = code;
        }
        if (decoded == 0) {
            out.append(ch);
            ++i;
            continue;
        }
        const char32_t cp[1] = {decoded};
        out.append(QString::fromUcs4(cp, 1));
        i = semi + 1;
    }
    return out;
}

ChequeSave::Result ChequeSave::run(const TextGrid& grid, const Hooks& hooks, const Source& source)
{
    m_notice.clear();
    Result result = runSteps(grid, hooks, source);
    // Whatever ended the save, the missing ledger is told with its outcome.
    result.notice = m_notice;
    return result;
}

ChequeSave::Result ChequeSave::run(const TextGrid& grid, const Hooks& hooks)
{
    return run(grid, hooks, Source());
}

ChequeSave::Result ChequeSave::runSteps(const TextGrid& grid, const Hooks& hooks, const Source& source)
{
    if (!hasImportLayout(grid))
        return {Outcome::NotRead, notReadMessage()};

    StagingFlag flag(m_a);
    if (flag.isBusy())
        return {Outcome::Busy, StagingFlag::busyMessage()};

    // An amount the database refuses would fail the save at its row; name the
    // cell before anything is written, so the user knows what to mend.
    const QString bad = badAmountMessage(grid);
    if (!bad.isEmpty())
        return {Outcome::BadAmount, bad};
    const QString tooLong = tooLongMessage(grid);
    if (!tooLong.isEmpty())
        return {Outcome::TooLong, tooLong};

    // The ledger row this save writes if it commits; the counts of what it
    // adds are filled in while it writes.
    const SheetSummary fromGrid = source.sheet ? SheetSummary() : SheetSummary::fromGrid(grid);
    const SheetSummary& sheet = source.sheet ? *source.sheet : fromGrid;
    ImportLedger::Row row;
    row.login = source.login.left(ColumnLimits::kKeyLength);
    row.workstation = source.workstation.isEmpty() ? QSysInfo::machineHostName() : source.workstation;
    row.fileName = sheet.fileName.left(ColumnLimits::kKeyLength);
    row.fileSize = sheet.fileSize;
    row.sha256 = sheet.sha256;
    row.linesTaken = grid.rowCount() - 1;
    row.linesPassedOver = static_cast<int>(sheet.passedOver.size());
    row.sumTotal = sheet.taken.total;
    row.sumWht = sheet.taken.wht;
    row.sumToBePaid = sheet.taken.toBePaid;
    row.reconciled = sheet.reconciledWord();

    // A catalogue without the ledger (SQL Server not yet upgraded) still saves.
    const std::optional<std::vector<ImportLedger::Row>> earlier = ImportLedger::savesOf(m_a, row.sha256);
    if (!earlier && !g_ledgerNoticeGiven.exchange(true))
        m_notice = ImportLedger::missingTableMessage();
    auto cancelled = [] { return Result{Outcome::Cancelled, QString()}; };

    if (hooks.confirmFirst) {
        if (sheet.reconciled() == SheetSummary::Reconciled::No
            && !hooks.confirmFirst(ImportLedger::notReconciledMessage(sheet)))
            return cancelled();
        if (earlier && !row.sha256.isEmpty() && !earlier->empty()
            && !hooks.confirmFirst(ImportLedger::duplicateMessage(*earlier)))
            return cancelled();
    }

    if (hooks.confirm && !hooks.confirm())
        return cancelled();

    // The take: alone in its transaction, under the save lock (SQL Server)
    // or the file's write lock (embedded), so two takers cannot both get the
    // flag, also when its row is missing.
    Connection& db = m_a.connection();
    std::optional<SaveLock> lock;
    try {
        lock.emplace(db, kTakeWaitMs);
        if (!lock->held() || !db.begin(kTakeWaitMs))
            return {Outcome::Busy, StagingFlag::busyMessage()};
        const bool took = flag.take();
        if (!took) {
            db.rollback();
            return {Outcome::Busy, StagingFlag::busyMessage()};
        }
        db.commit();
    } catch (const DatabaseError& e) {
        // The take is undone with its transaction: the flag is as it was.
        db.rollback();
        return {Outcome::Failed, nothingSavedMessage() + u'\n' + QString::fromUtf8(e.what())};
    } catch (...) {
        db.rollback();
        throw;
    }
    Result result = writeAll(grid, hooks, flag, earlier ? &row : nullptr);
    if ((result.outcome == Outcome::Saved || result.outcome == Outcome::SavedFlagKept) && earlier)
        result.ledger = row;
    return result;
}

ChequeSave::Result ChequeSave::writeAll(const TextGrid& grid, const Hooks& hooks, StagingFlag& flag,
                                        ImportLedger::Row* ledger)
{
    Connection& db = m_a.connection();
    // Frees the flag after a failure; says so when even that fails.
    auto freeAfterFailure = [&](QString message) -> Result {
        try {
            flag.release();
        } catch (const DatabaseError& e) {
            message += u'\n' + flagKeptMessage() + QStringLiteral("\n\n") + e.databaseText();
        }
        return {Outcome::Failed, message};
    };

    try {
        if (!db.begin())
            throw DatabaseError(QStringLiteral("The database is locked by another connection"),
                                DatabaseError::Kind::Busy);
        // Between the take's commit and this transaction another workstation
        // could have cleared the area, and a third taken it: then this save
        // must not go on as if the flag were its own.
        if (!flag.isBusy()) {
            db.rollback();
            return {Outcome::Failed,
                    nothingSavedMessage() + u'\n'
                        + QStringLiteral("มีเครื่องอื่นล้างข้อมูล Temp ขณะที่เริ่มบันทึก")};
        }
        // Rows a failed clear may have left must not count in the sums.
        emptyStaging();

        const int rows = grid.rowCount() - 1;
        if (hooks.started)
            hooks.started(rows);
        ImportRow row(grid);
        m_chequesSeen.clear();
        for (int r = 1; r <= rows; ++r) {
            if (hooks.rowStarted)
                hooks.rowStarted(r);
            row.moveTo(r);
            writeRow(row, ledger);
            if (hooks.rowDone)
                hooks.rowDone(r);
        }

        writeSums();
        writeInvoiceLists();
        emptyStaging();
        // In the save's transaction: the ledger lists this save if and only
        // if it commits.
        if (ledger)
            ImportLedger::write(m_a, *ledger);
        db.commit();
    } catch (const DatabaseError& e) {
        db.rollback();
        const QString message = nothingSavedMessage() + u'\n' + QString::fromUtf8(e.what());
        // Whatever this connection would write now goes to a file nobody uses.
        if (e.kind() == DatabaseError::Kind::Moved)
            return {Outcome::Failed, message};
        return freeAfterFailure(message);
    } catch (...) {
        db.rollback();
        try {
            flag.release();
        } catch (...) {
        }
        throw;
    }

    try {
        flag.release();
    } catch (const DatabaseError& e) {
        return {Outcome::SavedFlagKept,
                savedMessage() + u'\n' + flagKeptMessage() + QStringLiteral("\n\n") + QString::fromUtf8(e.what())};
    }
    return {Outcome::Saved, savedMessage()};
}

void ChequeSave::writeRow(ImportRow& row, ImportLedger::Row* ledger)
{
    namespace S = SaveStatements;
    Query& q = m_a;

    S::stagingRow(q, row);
    q.execute();

    // Cheque header: created by the first row of a key, later rows refresh the tax number.
    S::chequeLookup(q, row);
    q.open();
    const bool stored = q.recordCount() >= 1;
    // Counted once per cheque, by what its first line of this save found.
    if (ledger && !m_chequesSeen.contains(foldedKey(row.cell(L::ChequePk)))) {
        m_chequesSeen.insert(foldedKey(row.cell(L::ChequePk)));
        ++(stored ? ledger->chequesStored : ledger->chequesNew);
    }
    if (stored)
        S::taxNumberUpdate(q, row);
    else
        S::newCheque(q, row);
    q.execute();

    // Profit centre, added once.
    S::profitCentreLookup(q, row);
    q.open();
    if (q.recordCount() < 1) {
        S::newProfitCentre(q, row);
        q.execute();
    }

    // Invoice line, added once.
    S::invoiceLineLookup(q, row);
    q.open();
    if (q.recordCount() < 1) {
        S::newInvoiceLine(q, row);
        q.execute();
        if (ledger)
            ++ledger->invoiceLinesAdded;
    } else if (ledger) {
        ++ledger->invoiceLinesStored;
    }
}

void ChequeSave::writeSums()
{
    SaveStatements::sumsPerCheque(m_a);
    m_a.open();
    const QString pkField = QStringLiteral("Cheque_PK");
    const QString totalField = QStringLiteral("SumOfTotal_Amount");
    const QString whtField = QStringLiteral("SumOfWHT_Amount");
    const QString paidField = QStringLiteral("SumOfTo_Be_Paid");
    while (!m_a.eof()) {
        SaveStatements::sumsUpdate(m_b, m_a.fieldText(totalField), m_a.fieldText(whtField),
                                   m_a.fieldText(paidField), m_a.fieldText(pkField));
        m_b.execute();
        m_a.next();
    }
}

void ChequeSave::writeInvoiceLists()
{
    SaveStatements::invoiceListsPerCheque(m_a);
    m_a.open();
    const QString listField = QStringLiteral("Invoice_no");
    const QString pkField = QStringLiteral("Cheque_PK");
    while (!m_a.eof()) {
        // The XML concatenation escapes & < > and the like; store the
        // invoice numbers as they were, and cut only after decoding so an
        // entity cannot be split or eat into the 180 characters.
        QString list = decodeXmlEntities(m_a.fieldText(listField));
        if (list.size() > kInvoiceListMax) {
            qsizetype cut = kInvoiceListMax;
            if (list.at(cut - 1).isHighSurrogate())
                --cut;
            list.truncate(cut);
        }
        SaveStatements::invoiceListUpdate(m_b, list, m_a.fieldText(pkField));
        m_b.execute();
        m_a.next();
    }
}

void ChequeSave::emptyStaging()
{
    SaveStatements::stagingEmpty(m_a);
    m_a.execute();
}
