#include "ChequeSave.h"
#include "DatabaseError.h"
#include "EmbeddedCatalog.h"
#include "EmbeddedProvider.h"
#include "StagingFlag.h"
#include "TestDatabase.h"
#include "TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <memory>

// Several real program instances on one database file: each a
// cheque-save-driver process that drives the import window, stopped at a
// chosen point of its save, let go, or killed there.
namespace {

QString sheet(const char* name)
{
    return TestEnv::fixture(QString::fromLatin1(name));
}

QString ownSheet(const char* name)
{
    return QDir(TestEnv::sourceDir()).filePath(QStringLiteral("tests/import/") + QString::fromLatin1(name));
}

// One program instance.
class Instance {
public:
    explicit Instance(QStringList args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
    {
        m_p.setProcessEnvironment(env);
        m_p.setProcessChannelMode(QProcess::SeparateChannels);
        m_p.start(QStringLiteral(CHEQUE_SAVE_DRIVER), args);
        EXPECT_TRUE(m_p.waitForStarted(10000));
    }
    ~Instance()
    {
        if (m_p.state() != QProcess::NotRunning) {
            m_p.kill();
            m_p.waitForFinished(5000);
        }
    }

    // Waits for a line that begins with prefix; false after the timeout.
    bool waitFor(const QString& prefix, int ms = 30000)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            for (; m_seen < m_lines.size(); ++m_seen)
                if (m_lines[m_seen].startsWith(prefix)) {
                    ++m_seen;
                    return true;
                }
            if (t.elapsed() > ms || (m_p.state() == QProcess::NotRunning && !m_p.bytesAvailable()))
                return false;
            m_p.waitForReadyRead(50);
            readLines();
        }
    }
    void go() { m_p.write("go\n"); }
    void kill()
    {
        m_p.kill();
        m_p.waitForFinished(10000);
    }
    // Waits for the end; every line printed.
    QStringList finish()
    {
        m_p.closeWriteChannel();
        if (m_p.state() != QProcess::NotRunning)
            EXPECT_TRUE(m_p.waitForFinished(60000));
        readLines();
        return m_lines;
    }
    // The message boxes shown, in order.
    QStringList boxes()
    {
        finish();
        QStringList out;
        for (const QString& l : std::as_const(m_lines))
            if (l.startsWith(QLatin1String("BOX ")))
                out << l.mid(4).replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        return out;
    }
    QString value(const QString& key)
    {
        finish();
        for (const QString& l : std::as_const(m_lines))
            if (l.startsWith(key + u' '))
                return l.mid(key.size() + 1);
        return QString();
    }

private:
    void readLines()
    {
        m_buffer += m_p.readAllStandardOutput();
        qsizetype nl;
        while ((nl = m_buffer.indexOf('\n')) >= 0) {
            m_lines << QString::fromUtf8(m_buffer.left(nl));
            m_buffer.remove(0, nl + 1);
        }
    }
    QProcess m_p;
    QByteArray m_buffer;
    QStringList m_lines;
    qsizetype m_seen = 0;
};

// What the file at a path holds now, read through a connection of its own
// (never one opened before the file may have been replaced).
struct Contents {
    QString integrity;
    QString flag;
    int flagRows = 0;
    int staging = 0;
    int ledger = 0;  // rows of the import ledger
    QString tables;  // every row of the cheque, line and profit-centre tables
};

QString scalar(sqlite3* db, const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    QString out;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return out;
}

Contents contentsOf(const QString& path)
{
    sqlite3* db = EmbeddedProvider::openFile(path);
    Contents c;
    c.integrity = scalar(db, "PRAGMA integrity_check");
    c.flag = scalar(db, "SELECT Is_User_Temp FROM TSQ_IsUse_Data_Temp");
    c.flagRows = scalar(db, "SELECT count(*) FROM TSQ_IsUse_Data_Temp").toInt();
    c.staging = scalar(db, "SELECT count(*) FROM TSQ_Cheque_Temp").toInt();
    c.ledger = scalar(db, "SELECT count(*) FROM TSQ_Import_Log").toInt();
    for (const char* table : {"TSQ_Cheque_Main", "TSQ_Cheque_Detail", "TSQR_Profit_Center"}) {
        const QString row = scalar(db, QStringLiteral("SELECT group_concat('quote(' || name || ')', ' || ''|'' || ') "
                                                      "FROM pragma_table_info('%1')")
                                           .arg(QLatin1String(table)));
        c.tables += QLatin1String(table) + u'\n'
                    + scalar(db, QStringLiteral("SELECT group_concat(r, char(10)) FROM (SELECT %1 AS r FROM %2 ORDER BY r)")
                                     .arg(row, QLatin1String(table)))
                    + u'\n';
    }
    sqlite3_close_v2(db);
    return c;
}

QString saved()
{
    return ChequeSave::savedMessage();
}

class SaveProcessesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TestDatabase>();
        path = db->path();
    }
    void TearDown() override { db.reset(); }

    // A save by an instance of its own, run to its end; its message boxes.
    QStringList saveAlone(const QString& file)
    {
        Instance i({"save", file});
        return i.boxes();
    }
    // What saving these sheets one after the other into an empty database leaves.
    QString tablesAfter(const QStringList& files)
    {
        emptyCheques();
        for (const QString& f : files)
            EXPECT_EQ(saveAlone(f).value(1), saved());
        const QString tables = contentsOf(path).tables;
        emptyCheques();
        return tables;
    }
    void emptyCheques()
    {
        // The ledger too: the same file saved again would be asked about first.
        db->exec("DELETE FROM TSQ_Cheque_Main; DELETE FROM TSQ_Cheque_Detail; DELETE FROM TSQR_Profit_Center; "
                 "DELETE FROM TSQ_Cheque_Temp; DELETE FROM TSQ_Import_Log; UPDATE TSQ_IsUse_Data_Temp SET Is_User_Temp = ''");
    }

    std::unique_ptr<TestDatabase> db;
    QString path;
};

}  // namespace

TEST_F(SaveProcessesTest, TwoInstancesSavingAtOnceGiveOneSaveAndOneBusyMessage)
{
    const QString a = sheet("cheques_typical.xls");
    const QString b = ownSheet("import_header_rules.xls");
    const QString onlyA = tablesAfter({a});
    const QString onlyB = tablesAfter({b});
    const QString ab = tablesAfter({a, b});
    const QString ba = tablesAfter({b, a});
    auto reset = [&](bool flagRow) {
        emptyCheques();
        if (!flagRow)
            db->exec("DELETE FROM TSQ_IsUse_Data_Temp");
    };
    auto checkAfter = [&](const QString& tables) {
        const Contents c = contentsOf(path);
        EXPECT_EQ(c.tables, tables);
        EXPECT_EQ(c.flag, "");
        EXPECT_EQ(c.flagRows, 1);
        EXPECT_EQ(c.staging, 0);
        EXPECT_EQ(c.integrity, "ok");
    };

    // Also without the flag's row: the take makes it, under the lock.
    for (const bool flagRow : {true, false}) {
        // The second user has confirmed while the first instance stands at
        // each point of its save.
        for (const char* point : {"take-open", "taken", "statement:10"}) {
            SCOPED_TRACE(QStringLiteral("flag row %1, first at %2").arg(flagRow).arg(point).toStdString());
            reset(flagRow);
            Instance second({"save", b, "--stop-at", "confirmed"});
            ASSERT_TRUE(second.waitFor("STOPPED"));
            Instance first({"save", a, "--stop-at", point});
            ASSERT_TRUE(first.waitFor("STOPPED"));
            second.go();
            EXPECT_EQ(second.boxes().value(1), StagingFlag::busyMessage());
            first.go();
            EXPECT_EQ(first.boxes().value(1), saved());
            checkAfter(onlyA);
        }
        // Both let go at the same moment: one save and one busy message when
        // they meet, two saves one after the other when they do not.
        int met = 0;
        for (int round = 0; round < 5; ++round) {
            SCOPED_TRACE(QStringLiteral("flag row %1, round %2").arg(flagRow).arg(round).toStdString());
            reset(flagRow);
            Instance first({"save", a, "--stop-at", "confirmed"});
            Instance second({"save", b, "--stop-at", "confirmed"});
            ASSERT_TRUE(first.waitFor("STOPPED"));
            ASSERT_TRUE(second.waitFor("STOPPED"));
            first.go();
            second.go();
            const QString x = first.boxes().value(1);
            const QString y = second.boxes().value(1);
            const Contents c = contentsOf(path);
            if (x == saved() && y == saved()) {
                EXPECT_TRUE(c.tables == ab || c.tables == ba);
            } else {
                ++met;
                EXPECT_TRUE((x == saved() && y == StagingFlag::busyMessage())
                            || (y == saved() && x == StagingFlag::busyMessage()))
                    << x.toStdString() << " | " << y.toStdString();
                checkAfter(x == saved() ? onlyA : onlyB);
            }
            EXPECT_EQ(c.integrity, "ok");
        }
        std::printf("free races with flag row %d: %d of 5 met, the rest ran one after the other\n", flagRow, met);
    }
}

TEST_F(SaveProcessesTest, ClearButtonRefusesWhileASaveRunsAndReadersSeeTheStateBeforeIt)
{
    const QString a = sheet("cheques_typical.xls");
    const QString b = ownSheet("import_header_rules.xls");
    const QString both = tablesAfter({b, a});
    ASSERT_EQ(saveAlone(b).value(1), saved());
    const QString before = contentsOf(path).tables;
    Instance reportBefore({"report"});
    const QString linesBefore = reportBefore.value("LINES");
    const QString totalBefore = reportBefore.value("TOTAL");

    for (const char* point : {"statement:30", "lists", "before-commit"}) {
        SCOPED_TRACE(point);
        emptyCheques();
        ASSERT_EQ(saveAlone(b).value(1), saved());
        Instance saving({"save", a, "--stop-at", point});
        ASSERT_TRUE(saving.waitFor("STOPPED"));

        // A second workstation: its clear is refused and changes nothing.
        Instance clear({"clear"});
        EXPECT_EQ(clear.boxes(), (QStringList{QStringLiteral("ยืนยันการลบข้อมูล Temp"), StagingFlag::saveRunningMessage()}));
        Instance gate({"gate"});
        EXPECT_EQ(gate.boxes(), QStringList{StagingFlag::busyMessage()});
        // The report is not held up and shows the cheques as before the save.
        Instance report({"report"});
        EXPECT_EQ(report.value("LINES"), linesBefore);
        EXPECT_EQ(report.value("TOTAL"), totalBefore);
        EXPECT_LT(report.value("MS").toInt(), 2000);
        const Contents during = contentsOf(path);
        EXPECT_EQ(during.tables, before);
        EXPECT_EQ(during.flag, "*");

        saving.go();
        EXPECT_EQ(saving.boxes().value(1), saved());
        const Contents after = contentsOf(path);
        EXPECT_EQ(after.tables, both);
        EXPECT_EQ(after.flag, "");
        EXPECT_EQ(after.staging, 0);
    }
}

TEST_F(SaveProcessesTest, SaveKilledAtAnyPointLeavesTheTablesAsTheyWereAndTheClearButtonFreesTheFlag)
{
    const QString a = sheet("cheques_typical.xls");
    const QString b = ownSheet("import_header_rules.xls");
    const QString both = tablesAfter({b, a});
    ASSERT_EQ(saveAlone(b).value(1), saved());
    const QString before = contentsOf(path).tables;

    struct Case {
        const char* point;
        bool flagTaken;  // what the kill leaves in the flag
        bool saved;      // whether the save's rows were committed
    };
    const Case cases[] = {
        {"confirmed", false, false},   {"take-open", false, false}, {"taken", true, false},
        {"statement:1", true, false},  {"statement:2", true, false}, {"statement:45", true, false},
        {"sums", true, false},         {"lists", true, false},       {"final-empty", true, false},
        {"before-commit", true, false}, {"committed", true, true},   {"released", false, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.point);
        Instance saving({"save", a, "--stop-at", k.point});
        ASSERT_TRUE(saving.waitFor("STOPPED")) << saving.finish().join(" | ").toStdString();
        saving.kill();

        const Contents c = contentsOf(path);
        EXPECT_EQ(c.integrity, "ok");
        EXPECT_EQ(c.tables, k.saved ? both : before);
        // The ledger row goes with the save's transaction: the first save's
        // row, and this one's only when it committed.
        EXPECT_EQ(c.ledger, k.saved ? 2 : 1);
        EXPECT_EQ(c.flag, k.flagTaken ? "*" : "");
        EXPECT_EQ(c.staging, 0);

        // Nobody holds the lock any more: the clear button frees the flag.
        Instance clear({"clear"});
        EXPECT_EQ(clear.boxes().value(1), StagingFlag::clearedMessage());
        EXPECT_EQ(contentsOf(path).flag, "");
        if (!k.saved) {
            EXPECT_EQ(saveAlone(a).value(1), saved());
        }
        EXPECT_EQ(contentsOf(path).tables, both);
        // Back to the state before, for the next point.
        emptyCheques();
        ASSERT_EQ(saveAlone(b).value(1), saved());
        ASSERT_EQ(contentsOf(path).tables, before);
    }
}

TEST_F(SaveProcessesTest, DatabaseFileReplacedOrDeletedWhileOpenIsNeverSavedInto)
{
    const QString a = sheet("cheques_typical.xls");
    ASSERT_EQ(saveAlone(ownSheet("import_header_rules.xls")).value(1), saved());
    // A backup, as an administrator would restore it.
    const QString backup = path + ".backup";
    QFile::remove(backup);
    db->exec(QStringLiteral("VACUUM INTO '%1'").arg(backup));
    const Contents backedUp = contentsOf(backup);
    ASSERT_EQ(backedUp.integrity, "ok");
    const QString restore = path + ".restore";

    for (const char* point : {"confirmed", "before-commit"}) {
        for (const bool deleted : {false, true}) {
            SCOPED_TRACE(QStringLiteral("%1, %2").arg(point, deleted ? "deleted" : "replaced").toStdString());
            Instance saving({"save", a, "--stop-at", point});
            ASSERT_TRUE(saving.waitFor("STOPPED"));
            QFile::remove(restore);
            ASSERT_TRUE(QFile::copy(backup, restore));
            if (deleted)
                ASSERT_TRUE(QFile::remove(path));
            else
                ASSERT_EQ(std::rename(restore.toLocal8Bit().constData(), path.toLocal8Bit().constData()), 0);
            saving.go();
            const QStringList boxes = saving.boxes();
            ASSERT_EQ(boxes.size(), 2) << boxes.join(" | ").toStdString();
            EXPECT_TRUE(boxes[1].startsWith(ChequeSave::nothingSavedMessage())) << boxes[1].toStdString();
            EXPECT_TRUE(boxes[1].contains(DatabaseError::advice(DatabaseError::Kind::Moved))) << boxes[1].toStdString();
            EXPECT_FALSE(boxes[1].contains(saved()));

            if (deleted) {
                EXPECT_FALSE(QFile::exists(path));
                ASSERT_EQ(std::rename(restore.toLocal8Bit().constData(), path.toLocal8Bit().constData()), 0);
            }
            // The restored file, with the -wal and -shm the instance used
            // still beside it, reads as the backup for everyone.
            const Contents c = contentsOf(path);
            EXPECT_EQ(c.integrity, "ok");
            EXPECT_EQ(c.tables, backedUp.tables);
            EXPECT_EQ(c.flag, backedUp.flag);
        }
    }
}

namespace {

// A small file system of its own (tmpfs, which needs root), with the
// program's database folder on it, for instances started with env().
class SmallDisk {
public:
    explicit SmallDisk(const QString& defaultPath)
    {
        if (!m_dir.isValid())
            return;
        m_mounted = mount("tmpfs", m_dir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=4m") == 0;
        m_error = errno;
        m_file = m_dir.path() + defaultPath.mid(defaultPath.indexOf(QLatin1String("/PL/")));
    }
    ~SmallDisk()
    {
        if (m_mounted)
            umount2(m_dir.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    const char* why() const { return std::strerror(m_error); }
    QString folder() const { return m_dir.path(); }
    QString file() const { return m_file; }
    QProcessEnvironment env() const
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("XDG_DATA_HOME", m_dir.path());
        return e;
    }
    bool remountReadOnly()
    {
        return mount("tmpfs", m_dir.path().toLocal8Bit().constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=4m") == 0;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    int m_error = 0;
    QString m_file;
};

}  // namespace

TEST_F(SaveProcessesTest, FullDiskStopsTheSaveWithNothingKeptAndTheSameSheetSavesOnceThereIsRoom)
{
    SmallDisk disk(path);
    if (!disk.mounted())
        GTEST_SKIP() << "a small file system cannot be mounted here (needs root): " << disk.why();
    const QProcessEnvironment env = disk.env();
    const QString file = disk.file();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
    EmbeddedCatalog::create(file);
    {
        Instance first({"save", ownSheet("import_header_rules.xls")}, env);
        ASSERT_EQ(first.boxes().value(1), saved());
    }
    const Contents before = contentsOf(file);

    // The program runs; meanwhile the disk fills up to a little room: enough
    // for the flag, not for the save.
    Instance saving({"save", sheet("cheques_typical.xls"), "--stop-at", "confirmed"}, env);
    ASSERT_TRUE(saving.waitFor("STOPPED"));
    const QString filler = QDir(disk.folder()).filePath("filler");
    {
        QFile f(filler);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        struct statvfs fs {};
        for (;;) {
            statvfs(disk.folder().toLocal8Bit().constData(), &fs);
            if (static_cast<qint64>(fs.f_bavail) * fs.f_frsize <= 24 * 1024)
                break;
            ASSERT_EQ(f.write(block), block.size());
            f.flush();
        }
    }
    saving.go();
    const QStringList boxes = saving.boxes();
    ASSERT_EQ(boxes.size(), 2) << saving.finish().join(" | ").toStdString();
    EXPECT_TRUE(boxes[1].startsWith(ChequeSave::nothingSavedMessage())) << boxes[1].toStdString();
    EXPECT_TRUE(boxes[1].contains(DatabaseError::advice(DatabaseError::Kind::DiskFull))) << boxes[1].toStdString();
    std::printf("full disk: %s\n", qPrintable(QString(boxes[1]).replace(u'\n', u' ')));

    const Contents c = contentsOf(file);
    EXPECT_EQ(c.integrity, "ok");
    EXPECT_EQ(c.tables, before.tables);
    EXPECT_EQ(c.staging, 0);
    EXPECT_EQ(c.flag, "");

    // With room again the same sheet saves.
    ASSERT_TRUE(QFile::remove(filler));
    Instance again({"save", sheet("cheques_typical.xls")}, env);
    EXPECT_EQ(again.boxes().value(1), saved());
    EXPECT_EQ(contentsOf(file).integrity, "ok");
}

TEST_F(SaveProcessesTest, ReadOnlyFileSystemIsSaidToBeReadOnly)
{
    SmallDisk disk(path);
    if (!disk.mounted())
        GTEST_SKIP() << "a small file system cannot be mounted here (needs root): " << disk.why();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(disk.file()).absolutePath()));
    EmbeddedCatalog::create(disk.file());
    ASSERT_TRUE(disk.remountReadOnly());
    Instance start({"gate"}, disk.env());
    const QString failed = start.value("OPEN-FAILED").replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    EXPECT_TRUE(failed.startsWith(DatabaseError::advice(DatabaseError::Kind::ReadOnly))) << failed.toStdString();
}
