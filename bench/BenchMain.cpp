// cheque-bench: one benchmark figure per run, printed as a RESULT line that
// bench/run.sh collects into a table. Never run by ctest.
#include "BenchUtil.h"

#include "AppIdentity.h"
#include "ChequeSheetReader.h"
#include "EmbeddedProvider.h"
#include "Connection.h"
#include "Query.h"
#include "ReportQuery.h"
#include "SheetSummary.h"
#include "StringGrid.h"
#include "TextGrid.h"
#include "TfrmRep_ChequVendor.h"
#include "TsqlAdapter.h"
#include "ZipArchive.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QXmlStreamReader>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <sqlite3.h>
#include <cstdio>
#include <stdexcept>

void generateDatabase(const QString& path, long lines);
int benchSave(const QStringList& args);
int benchSqliteAloneSave(const QStringList& args);
int benchExport(const QStringList& args);
int benchXlsxAlone(const QStringList& args);

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: cheque-bench read FILE | read-summary FILE | read-stream FILE.xls | read-xlsx-floor FILE.xlsx\n"
                 "       | gen-db DATAHOME LINES\n"
                 "       | report DATAHOME [VENDOR|\"\" [--twice]] | report-alone DATAHOME [VENDOR]\n"
                 "       | save DATAHOME FILE.xls [--fresh] [--statements OUT]\n"
                 "       | sqlite-alone-save DBFILE FILE.xls STATEMENTS\n"
                 "       | export ROWS OUT.xlsx | xlsx-alone ROWS OUT.xlsx\n");
    return 2;
}

int benchRead(const QString& file)
{
    TextGrid grid;
    QElapsedTimer t;
    t.start();
    const int lines = readChequeSheet(file, grid);
    printFigure(t.nsecsElapsed() / 1e9, QStringLiteral("%1 lines").arg(lines));
    return 0;
}

// The read as the import window makes it: with the summary beside the grid
// (sums, passed-over rows, totals row) and the file's SHA-256.
int benchReadSummary(const QString& file)
{
    TextGrid grid;
    SheetSummary summary;
    QElapsedTimer t;
    t.start();
    const int lines = readChequeSheet(file, grid, &summary);
    printFigure(t.nsecsElapsed() / 1e9,
                QStringLiteral("%1 lines, %2 cheques, sha256 %3").arg(lines).arg(summary.cheques).arg(summary.sha256.left(12)));
    return 0;
}

// The floor for the read: libgsf alone opening the file's container and
// reading its workbook stream's bytes, which the reader must do before it
// parses a single record.
int benchReadStream(const QString& file)
{
    QElapsedTimer t;
    t.start();
    GError* err = nullptr;
    GsfInput* input = gsf_input_stdio_new(QFile::encodeName(file).constData(), &err);
    GsfInfile* ole = input ? gsf_infile_msole_new(input, &err) : nullptr;
    GsfInput* stream = ole ? gsf_infile_child_by_name(ole, "Workbook") : nullptr;
    if (!stream)
        throw std::runtime_error("no workbook stream");
    const gsf_off_t size = gsf_input_size(stream);
    std::vector<guint8> bytes(static_cast<size_t>(size));
    if (!gsf_input_read(stream, bytes.size(), bytes.data()))
        throw std::runtime_error("workbook stream cut short");
    g_object_unref(stream);
    g_object_unref(ole);
    g_object_unref(input);
    printFigure(t.nsecsElapsed() / 1e9, QStringLiteral("%1 bytes of workbook stream").arg(size));
    return 0;
}

// The floor for the .xlsx read: libgsf inflating the sheet part and one bare
// QXmlStreamReader token pass over it, which any reader of the sheet must do.
int benchReadXlsxFloor(const QString& file, const QString& part)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot open the file");
    QElapsedTimer t;
    t.start();
    const QByteArray bytes = f.readAll();
    ZipArchive zip(bytes);
    std::unique_ptr<ZipArchive::Part> sheet = zip.open(part);
    QXmlStreamReader xml(sheet.get());
    long long tokens = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        ++tokens;
    }
    if (xml.hasError())
        throw std::runtime_error(xml.errorString().toStdString());
    printFigure(t.nsecsElapsed() / 1e9, QStringLiteral("%1 XML tokens").arg(tokens));
    return 0;
}

// Closes any message box the window shows, so a run never waits for a person.
void dismissBoxes()
{
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->reject();
    QTimer::singleShot(5, [] { dismissBoxes(); });
}

// "Show data" through the report window, then how long the grid takes to paint
// at five scroll positions (a stall would show as a slow paint).
// The floor of the report: SQLite alone, on the file opened as the program
// opens it, preparing the report's statement as the embedded database
// receives it and stepping every row, reading every column as text.
int benchReportAlone(const QString& vendor)
{
    Connection unopened;
    Query q(unopened);
    ReportSelection chosen;
    if (!vendor.isEmpty())
        chosen = {ReportSelection::Mode::VendorName, vendor};
    ReportQuery::prepare(q, chosen);
    const QByteArray sql = TsqlAdapter::translate(q.sql()).sql.toUtf8();
    std::vector<QByteArray> values;
    for (const SqlParam& p : q.params())
        values.push_back(p.value.toUtf8());

    QElapsedTimer t;
    t.start();
    sqlite3* db = EmbeddedProvider::openFile(AppIdentity::embeddedDatabasePath("PL_Cheque_Vendor"));
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    for (size_t i = 0; i < values.size(); ++i)
        sqlite3_bind_text(st, static_cast<int>(i) + 1, values[i].constData(), static_cast<int>(values[i].size()),
                          SQLITE_STATIC);
    const int cols = sqlite3_column_count(st);
    long rows = 0;
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < cols; ++c) {
            sqlite3_column_text(st, c);
            bytes += static_cast<size_t>(sqlite3_column_bytes(st, c));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    printFigure(t.nsecsElapsed() / 1e9, QStringLiteral("%1 rows, %2 MB of text").arg(rows).arg(bytes >> 20));
    return 0;
}

int benchReport(const QString& vendor, bool twice)
{
    Connection db;
    db.setConnectionString(Connection::fixedConnectionString());
    db.open();
    TfrmRep_ChequVendor w(db);
    w.resize(1280, 800);
    w.show();
    if (!vendor.isEmpty()) {
        w.findChild<QRadioButton*>("RadioButton4")->setChecked(true);
        w.findChild<QLineEdit*>("edtVendor_Name")->setText(vendor);
    }
    auto* grid = w.findChild<StringGrid*>("StringGrid1");
    QTimer::singleShot(0, [] { dismissBoxes(); });
    QElapsedTimer t;
    t.start();
    w.findChild<QAbstractButton*>("btnShow_data")->click();
    const double secs = t.nsecsElapsed() / 1e9;

    double worstPaint = 0;
    QScrollBar* bar = grid->verticalScrollBar();
    for (int step = 0; step <= 4; ++step) {
        bar->setValue(bar->maximum() * step / 4);
        QElapsedTimer p;
        p.start();
        grid->viewport()->grab();
        worstPaint = std::max(worstPaint, p.nsecsElapsed() / 1e6);
    }
    // After the paints too: they take their own buffers, the same on every run.
    const long firstPeak = peakRssKb();
    QString again;
    if (twice) {
        // The same run again on the filled grid: it must not need more memory.
        QElapsedTimer t2;
        t2.start();
        w.findChild<QAbstractButton*>("btnShow_data")->click();
        again = QStringLiteral(", second run %1 s, peak after the first %2 MB, after the second %3 MB")
                    .arg(t2.nsecsElapsed() / 1e9, 0, 'f', 3).arg(firstPeak / 1024).arg(peakRssKb() / 1024);
    }
    printFigure(secs, QStringLiteral("%1 grid rows, slowest paint while scrolling %2 ms%3")
                          .arg(grid->grid().rowCount() - 1).arg(worstPaint, 0, 'f', 1).arg(again));
    return 0;
}

}

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty())
        return usage();
    const QString cmd = args.takeFirst();
    // The commands that use the program's own connection find their database
    // in DATAHOME, as the program finds it in the user's data folder.
    if ((cmd == "report" || cmd == "report-alone" || cmd == "save" || cmd == "gen-db") && !args.isEmpty())
        qputenv("XDG_DATA_HOME", QDir(args.takeFirst()).absolutePath().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppIdentity::apply();
    try {
        if (cmd == "read" && args.size() == 1)
            return benchRead(args[0]);
        if (cmd == "read-summary" && args.size() == 1)
            return benchReadSummary(args[0]);
        if (cmd == "read-stream" && args.size() == 1)
            return benchReadStream(args[0]);
        if (cmd == "read-xlsx-floor" && args.size() == 1)
            return benchReadXlsxFloor(args[0], QStringLiteral("xl/worksheets/sheet1.xml"));
        if (cmd == "gen-db" && args.size() == 1) {
            const QString path = AppIdentity::embeddedDatabasePath("PL_Cheque_Vendor");
            QDir().mkpath(QFileInfo(path).absolutePath());
            QElapsedTimer t;
            t.start();
            generateDatabase(path, args[0].toLong());
            printFigure(t.nsecsElapsed() / 1e9, QStringLiteral("generated"));
            return 0;
        }
        if (cmd == "report" && args.size() <= 2)
            return benchReport(args.value(0), args.value(1) == "--twice");
        if (cmd == "report-alone" && args.size() <= 1)
            return benchReportAlone(args.value(0));
        if (cmd == "save")
            return benchSave(args);
        if (cmd == "sqlite-alone-save")
            return benchSqliteAloneSave(args);
        if (cmd == "export")
            return benchExport(args);
        if (cmd == "xlsx-alone")
            return benchXlsxAlone(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cheque-bench %s: %s\n", qPrintable(cmd), e.what());
        return 1;
    }
    return usage();
}
