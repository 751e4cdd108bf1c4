// The save figure: a sheet read through the import window, then saved with its
// save button, as a user would; the confirmation and the final message are
// answered at once. Also reports the longest gap between two paints of the row
// counter while rows were written.
#include "BenchUtil.h"

#include "AppIdentity.h"
#include "ChequeSave.h"
#include "ChequeSheetReader.h"
#include "EmbeddedProvider.h"
#include "ImportGridLayout.h"
#include "TextGrid.h"
#include "Connection.h"
#include "DbProvider.h"
#include "ForwardingProvider.h"
#include "DirectoryListBox.h"
#include "EmbeddedCatalog.h"
#include "FileListBox.h"
#include "StringGrid.h"
#include "TfrmIport_Vendor_Cheque.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSet>
#include <QTimer>
#include "TsqlAdapter.h"
#include <QWindow>
#include <array>
#include <sqlite3.h>
#include <stdexcept>
#include <vector>

namespace {

// Counts the statements the save sends, for the SQLite-alone comparison.
class CountingProvider : public ForwardingProvider {
public:
    using ForwardingProvider::ForwardingProvider;
    ResultSet select(const QString& sql, const std::vector<SqlParam>& p) override
    {
        note(sql);
        return ForwardingProvider::select(sql, p);
    }
    long long execute(const QString& sql, const std::vector<SqlParam>& p) override
    {
        note(sql);
        return ForwardingProvider::execute(sql, p);
    }
    long statements = 0;
    QSet<QString> shapes;  // the distinct statements, values as "?"

private:
    // Statements of one shape share their text; its address is enough to
    // tell a new shape without hashing every statement's text.
    void note(const QString& sql)
    {
        ++statements;
        if (sql.constData() != m_last) {
            m_last = sql.constData();
            m_keep << sql;
            shapes.insert(sql);
        }
    }
    const void* m_last = nullptr;
    QStringList m_keep;  // keeps each noted text, and so its address, alive
};

class PaintClock : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && running) {
            const qint64 now = clock.nsecsElapsed();
            worstGapNs = std::max(worstGapNs, now - lastNs);
            lastNs = now;
            ++paints;
        }
        return false;
    }
    QElapsedTimer clock;
    bool running = false;
    qint64 lastNs = 0;
    qint64 worstGapNs = 0;
    long paints = 0;
};

struct SaveRun {
    QElapsedTimer clock;
    qint64 confirmedNs = -1;
    qint64 finishedNs = -1;
    QStringList texts;
    PaintClock* paint = nullptr;
};

void answer(SaveRun* run)
{
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        box && !box->property("answered").toBool()) {
        box->setProperty("answered", true);
        run->texts << box->text();
        // The clock starts at the save's own confirmation; a file saved before
        // is asked about first.
        if (run->confirmedNs < 0 && box->text() == ChequeSave::confirmMessage()) {
            run->confirmedNs = run->clock.nsecsElapsed();
            run->paint->lastNs = run->confirmedNs;
            run->paint->running = true;
        } else if (run->confirmedNs >= 0 && run->finishedNs < 0) {
            run->finishedNs = run->clock.nsecsElapsed();
            run->paint->running = false;
            // The stretch after the last paint counts too: the sums and lists
            // are written after the last row.
            run->paint->worstGapNs = std::max(run->paint->worstGapNs, run->finishedNs - run->paint->lastNs);
        }
        box->button(QMessageBox::Ok)->click();
    }
    QTimer::singleShot(1, [run] { answer(run); });
}

}

// save DATAHOME FILE.xls [--fresh]
int benchSave(const QStringList& args)
{
    if (args.isEmpty())
        throw std::runtime_error("save needs a sheet");
    const QString sheet = QFileInfo(args[0]).absoluteFilePath();
    const QString dbPath = AppIdentity::embeddedDatabasePath("PL_Cheque_Vendor");
    if (args.contains("--fresh")) {
        QDir().mkpath(QFileInfo(dbPath).absolutePath());
        QFile::remove(dbPath);
        QFile::remove(dbPath + "-wal");
        QFile::remove(dbPath + "-shm");
        EmbeddedCatalog::create(dbPath);
    }

    auto counting = std::make_unique<CountingProvider>(createProvider());
    CountingProvider* counter = counting.get();
    Connection db(std::move(counting));
    db.setConnectionString(Connection::fixedConnectionString());
    db.open();

    TfrmIport_Vendor_Cheque w(db);
    w.show();
    // Paints reach the counter only once the window is on screen.
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    w.DirectoryListBox1->setDirectory(QFileInfo(sheet).absolutePath());
    w.FileListBox1->setDirectory(QFileInfo(sheet).absolutePath());
    const auto items = w.FileListBox1->findItems(QFileInfo(sheet).fileName(), Qt::MatchExactly);
    if (items.isEmpty())
        throw std::runtime_error("sheet not listed in the file list");
    w.FileListBox1->setCurrentItem(items.first());
    w.btnOpen->click();
    const int rows = w.StringGrid1->grid().rowCount() - 1;

    PaintClock paint;
    w.l_no->installEventFilter(&paint);
    SaveRun run;
    run.paint = &paint;
    const long before = counter->statements;
    run.clock.start();
    paint.clock = run.clock;
    QTimer::singleShot(0, [&run] { answer(&run); });
    w.Button1->click();
    if (run.confirmedNs < 0 || run.finishedNs < 0 || !run.texts.last().contains(QStringLiteral("เรียบร้อย")))
        throw std::runtime_error("the save did not complete: " + run.texts.join(" | ").toStdString());
    const double secs = (run.finishedNs - run.confirmedNs) / 1e9;
    const int at = args.indexOf("--statements");
    if (at >= 0 && at + 1 < args.size()) {
        QFile out(args[at + 1]);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw std::runtime_error("cannot write the statement list");
        QStringList sqlite;
        for (const QString& s : std::as_const(counter->shapes))
            sqlite << TsqlAdapter::translate(s).sql;
        sqlite.sort();
        out.write(sqlite.join("\n----\n").toUtf8());
    }
    printFigure(secs, QStringLiteral("%1 rows, %2 statements, %3 counter paints, longest gap %4 ms")
                          .arg(rows).arg(counter->statements - before).arg(paint.paints)
                          .arg(paint.worstGapNs / 1e6, 0, 'f', 0));
    return 0;
}

namespace {

// One of the program's statements, prepared once.
struct AloneStatement {
    sqlite3_stmt* st = nullptr;
    bool used = false;
};

[[noreturn]] void aloneFail(sqlite3* db, const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void bindText(sqlite3_stmt* st, int i, const QByteArray& v)
{
    sqlite3_bind_text(st, i, v.constData(), static_cast<int>(v.size()), SQLITE_STATIC);
}

// Steps to the end; the number of rows.
int stepAll(sqlite3* db, sqlite3_stmt* st)
{
    int rows = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        ++rows;
    if (rc != SQLITE_DONE)
        aloneFail(db, "step");
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    return rows;
}

}  // namespace

// sqlite-alone-save DBFILE FILE.xls STATEMENTS [--fresh]: the floor for the save. The
// statements the program ran (as the embedded database received them, read
// from STATEMENTS, written by "save --statements") run straight on SQLite's
// API in one transaction, for the same sheet's rows with the same decisions,
// on a database file in the state the program's save found. Cell texts are
// converted before the clock starts; no result is converted to text.
int benchSqliteAloneSave(const QStringList& args)
{
    if (args.size() < 3)
        throw std::runtime_error("sqlite-alone-save needs DBFILE FILE.xls STATEMENTS");
    if (args.contains("--fresh")) {
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(args[0] + suffix);
        EmbeddedCatalog::create(args[0]);
    }
    TextGrid grid;
    readChequeSheet(args[1], grid);
    QFile list(args[2]);
    if (!list.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the statement list");
    const QStringList texts = QString::fromUtf8(list.readAll()).split("\n----\n");

    sqlite3* db = EmbeddedProvider::openFile(args[0]);
    const char* roles[] = {
        "INSERT INTO TSQ_Cheque_Temp", "Select *\r\nFROM TSQ_Cheque_Main", "UPDATE TSQ_Cheque_Main\r\nSet Tax_Number",
        "INSERT INTO TSQ_Cheque_Main", "Select *\r\nFROM TSQR_Profit_Center", "INSERT INTO TSQR_Profit_Center",
        "Select *\r\nFROM TSQ_Cheque_Detail", "INSERT INTO TSQ_Cheque_Detail", "SELECT TSQ_Cheque_Temp.Cheque_PK, Sum(",
        "UPDATE TSQ_Cheque_Main\r\nSET Sum_Total_Amount", "SELECT Main.Cheque_PK", "UPDATE TSQ_Cheque_Main\r\nSET Invoice_No",
        "Delete from TSQ_Cheque_Temp", "INSERT INTO TSQ_Import_Log"};
    enum { Temp, MainFind, Tax, MainNew, CentreFind, CentreNew, LineFind, LineNew, Sums, SumsSet, Lists, ListSet, Empty,
           LedgerNew };
    constexpr int kRoles = sizeof(roles) / sizeof(roles[0]);
    AloneStatement s[kRoles];
    int matched = 0;
    for (const QString& t : texts) {
        if (t.contains("TSQ_IsUse_Data_Temp") || t.startsWith(QLatin1String("SELECT Import_Date")))
            continue;  // the flag's statements and the ledger's look-up: outside the save's transaction
        int role = -1;
        for (int r = 0; r < kRoles; ++r)
            if (t.startsWith(QLatin1String(roles[r])))
                role = r;
        if (role < 0)
            throw std::runtime_error("a statement the floor does not know: " + t.toStdString());
        const QByteArray u = t.toUtf8();
        if (sqlite3_prepare_v3(db, u.constData(), static_cast<int>(u.size()), SQLITE_PREPARE_PERSISTENT, &s[role].st,
                               nullptr) != SQLITE_OK)
            aloneFail(db, "prepare");
        ++matched;
    }
    auto use = [&](int role) {
        if (!s[role].st)
            throw std::runtime_error(std::string("the floor needs a statement the program did not run: ") + roles[role]);
        s[role].used = true;
        return s[role].st;
    };

    using L = ImportGridLayout;
    const int rows = grid.rowCount() - 1;
    std::vector<std::array<QByteArray, L::kColumnCount>> cells(static_cast<size_t>(rows));
    std::vector<double> amount(static_cast<size_t>(rows));
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c < L::kColumnCount; ++c)
            cells[r - 1][c] = grid.cell(c, r).toUtf8();
        amount[r - 1] = grid.cell(L::TotalAmou, r).trimmed().toDouble();
    }

    QElapsedTimer t;
    t.start();
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        aloneFail(db, "begin");
    stepAll(db, use(Empty));
    for (int r = 0; r < rows; ++r) {
        const auto& c = cells[r];
        sqlite3_stmt* st = use(Temp);
        for (int i = 0; int col : {L::ChequePk, L::TotalAmou, L::WhtAmount, L::ToBePaid, L::InvoiceNo})
            bindText(st, ++i, c[col]);
        stepAll(db, st);

        st = use(MainFind);
        bindText(st, 1, c[L::ChequePk]);
        if (stepAll(db, st) >= 1) {
            st = use(Tax);
            bindText(st, 1, c[L::TaxNumber]);
            bindText(st, 2, c[L::ChequePk]);
        } else {
            st = use(MainNew);
            for (int i = 0; int col : {L::ChequePk, L::ProfitCenterCode, L::DekaCreat, L::DekaRecei, L::PaymentMethod,
                                       L::DekaNumber, L::ClearingDocument, L::ClearingDate, L::CheckNo, L::Vendor,
                                       L::VendorName, L::DeliveryMode, L::TaxNumber, L::Status, L::Reference,
                                       L::InvoiceNo, L::Payee})
                bindText(st, ++i, c[col]);
        }
        stepAll(db, st);

        st = use(CentreFind);
        bindText(st, 1, c[L::ProfitCenterCode]);
        if (stepAll(db, st) < 1) {
            st = use(CentreNew);
            bindText(st, 1, c[L::ProfitCenterCode]);
            bindText(st, 2, c[L::ProfitCenter]);
            bindText(st, 3, c[L::ProfitCenter]);
            stepAll(db, st);
        }

        st = use(LineFind);
        bindText(st, 1, c[L::ChequePk]);
        sqlite3_bind_double(st, 2, amount[r]);
        bindText(st, 3, c[L::DocumentNo]);
        if (stepAll(db, st) < 1) {
            st = use(LineNew);
            for (int i = 0; int col : {L::ChequePk, L::PstngDate, L::DocumentNo, L::Description, L::TotalAmou,
                                       L::WhtAmount, L::ToBePaid, L::Fund})
                bindText(st, ++i, c[col]);
            stepAll(db, st);
        }
    }

    const qint64 tRows = t.nsecsElapsed();
    // Sums and lists: each result row sets its cheque's header at once.
    sqlite3_stmt* sums = use(Sums);
    while (sqlite3_step(sums) == SQLITE_ROW) {
        sqlite3_stmt* st = use(SumsSet);
        for (int i = 1; i <= 3; ++i)
            sqlite3_bind_value(st, i, sqlite3_column_value(sums, i));
        sqlite3_bind_value(st, 4, sqlite3_column_value(sums, 0));
        stepAll(db, st);
    }
    sqlite3_reset(sums);
    const qint64 tSums = t.nsecsElapsed();
    sqlite3_stmt* lists = use(Lists);
    while (sqlite3_step(lists) == SQLITE_ROW) {
        sqlite3_stmt* st = use(ListSet);
        const int n = std::min(sqlite3_column_bytes(lists, 1), ChequeSave::kInvoiceListMax);
        sqlite3_bind_text(st, 1, reinterpret_cast<const char*>(sqlite3_column_text(lists, 1)), n, SQLITE_TRANSIENT);
        sqlite3_bind_value(st, 2, sqlite3_column_value(lists, 0));
        stepAll(db, st);
    }
    sqlite3_reset(lists);
    const qint64 tLists = t.nsecsElapsed();
    stepAll(db, use(Empty));
    // The save's ledger row: login, host, file, size, hash, six counts, three sums, reconciled.
    {
        sqlite3_stmt* st = use(LedgerNew);
        int i = 0;
        for (const char* text : {"bench", "bench-host", "sheet.xls"})
            sqlite3_bind_text(st, ++i, text, -1, SQLITE_STATIC);
        sqlite3_bind_int64(st, ++i, 27699200);
        sqlite3_bind_text(st, ++i, "1370fe6793410000000000000000000000000000000000000000000000000000", -1, SQLITE_STATIC);
        for (int k = 0; k < 6; ++k)
            sqlite3_bind_int(st, ++i, rows);
        for (int k = 0; k < 3; ++k)
            sqlite3_bind_double(st, ++i, 1234.5);
        sqlite3_bind_text(st, ++i, "none", -1, SQLITE_STATIC);
        stepAll(db, st);
    }
    const qint64 tEmpty = t.nsecsElapsed();
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        aloneFail(db, "commit");
    const double secs = t.nsecsElapsed() / 1e9;

    int unused = 0;
    for (auto& a : s) {
        if (a.st && !a.used)
            ++unused;
        sqlite3_finalize(a.st);
    }
    sqlite3_close_v2(db);
    if (unused)
        throw std::runtime_error("the program ran statements the floor did not");
    printFigure(secs, QStringLiteral("%1 rows, %2 distinct statements; rows %3 s, sums %4 s, lists %5 s, commit %6 s")
                          .arg(rows)
                          .arg(matched)
                          .arg(tRows / 1e9, 0, 'f', 3)
                          .arg((tSums - tRows) / 1e9, 0, 'f', 3)
                          .arg((tLists - tSums) / 1e9, 0, 'f', 3)
                          .arg(secs - tEmpty / 1e9, 0, 'f', 3));
    return 0;
}
