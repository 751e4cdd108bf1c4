// The save figure: a sheet read through the import window, then saved with its
// save button, as a user would; the confirmation and the final message are
// answered at once. Also reports the longest gap between two paints of the row
// counter while rows were written.
#include "BenchUtil.h"

#include "AppIdentity.h"
#include "Connection.h"
#include "DbProvider.h"
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
#include <QTimer>
#include <QWindow>
#include <stdexcept>

namespace {

// Counts the statements the save sends, for the SQLite-alone comparison.
class CountingProvider : public DbProvider {
public:
    explicit CountingProvider(std::unique_ptr<DbProvider> inner) : m_inner(std::move(inner)) {}
    void open(const ConnectionString& cs) override { m_inner->open(cs); }
    bool isOpen() const override { return m_inner->isOpen(); }
    ResultSet select(const QString& sql, const std::vector<SqlParam>& p) override
    {
        ++statements;
        return m_inner->select(sql, p);
    }
    long long execute(const QString& sql, const std::vector<SqlParam>& p) override
    {
        ++statements;
        return m_inner->execute(sql, p);
    }
    void setProgressHandler(std::function<void()> h) override { m_inner->setProgressHandler(std::move(h)); }
    long statements = 0;

private:
    std::unique_ptr<DbProvider> m_inner;
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
        if (run->confirmedNs < 0 && box->button(QMessageBox::Cancel)) {
            run->confirmedNs = run->clock.nsecsElapsed();
            run->paint->lastNs = run->confirmedNs;
            run->paint->running = true;
        } else if (run->finishedNs < 0) {
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
    w.btnOpenClick();
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
    printFigure(secs, QStringLiteral("%1 rows, %2 statements, %3 counter paints, longest gap %4 ms")
                          .arg(rows).arg(counter->statements - before).arg(paint.paints)
                          .arg(paint.worstGapNs / 1e6, 0, 'f', 0));
    return 0;
}
