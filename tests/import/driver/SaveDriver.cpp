// cheque-save-driver: one program instance on the embedded database of the
// user's data folder (XDG_DATA_HOME), driving the real import or report
// window through its controls, so that tests can run several instances on one
// database file at once, stop them at chosen points and kill them there.
//
//   cheque-save-driver save SHEET.xls [--stop-at POINT] [--cancel]
//   cheque-save-driver clear | gate | report
//
// Every message box shown is printed as "BOX <text>" (line breaks as \n) and
// answered with OK (the confirmation of a save with Cancel under --cancel).
// At POINT the driver prints "STOPPED <POINT>" and waits for a line on
// standard input: "go" goes on. Points of a save, in order:
//   confirmed       the user confirmed; before the flag take's transaction
//   take-open       the take's transaction holds the lock, the flag not yet set
//   taken           the flag take is committed
//   statement:N     before the N-th statement of the save's transaction
//   sums            before the per-cheque sums are selected
//   lists           before the invoice lists are selected
//   final-empty     before the staging table is emptied at the end
//   before-commit   everything written, not yet committed
//   committed       committed, the flag not yet freed
//   released        the flag freed, before the final message
// The last line is "DONE".
#include "AppIdentity.h"
#include "Connection.h"
#include "DirectoryListBox.h"
#include "EmbeddedProvider.h"
#include "FileListBox.h"
#include "ForwardingProvider.h"
#include "StringGrid.h"
#include "TextGrid.h"
#include "TfrmIport_Vendor_Cheque.h"
#include "TfrmRep_ChequVendor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

void say(const QString& line)
{
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// Counts the save's calls and stops at the one named.
class StopProvider : public ForwardingProvider {
public:
    StopProvider(QString stopAt) : ForwardingProvider(std::make_unique<EmbeddedProvider>()), m_stopAt(std::move(stopAt)) {}

    ResultSet select(const QString& sql, const std::vector<SqlParam>& p) override
    {
        counted(sql);
        return ForwardingProvider::select(sql, p);
    }
    long long execute(const QString& sql, const std::vector<SqlParam>& p) override
    {
        counted(sql);
        const long long n = ForwardingProvider::execute(sql, p);
        if (m_committed && !m_released) {
            m_released = true;
            point(QStringLiteral("released"));
        }
        return n;
    }
    bool begin(int waitMs) override
    {
        ++m_begins;
        if (m_begins == 1)
            point(QStringLiteral("confirmed"));
        const bool ok = ForwardingProvider::begin(waitMs);
        if (ok && m_begins == 1)
            point(QStringLiteral("take-open"));
        if (ok && m_begins == 2)
            m_inSave = true;
        return ok;
    }
    void commit() override
    {
        ++m_commits;
        if (m_inSave)
            point(QStringLiteral("before-commit"));
        ForwardingProvider::commit();
        if (m_commits == 1)
            point(QStringLiteral("taken"));
        if (m_inSave) {
            m_inSave = false;
            m_committed = true;
            point(QStringLiteral("committed"));
        }
    }
    void rollback() noexcept override
    {
        m_inSave = false;
        ForwardingProvider::rollback();
    }

private:
    void counted(const QString& sql)
    {
        if (!m_inSave)
            return;
        point(QStringLiteral("statement:%1").arg(++m_statements));
        if (sql.startsWith(QLatin1String("SELECT TSQ_Cheque_Temp.Cheque_PK, Sum(")))
            point(QStringLiteral("sums"));
        else if (sql.startsWith(QLatin1String("SELECT Main.Cheque_PK")))
            point(QStringLiteral("lists"));
        else if (sql.startsWith(QLatin1String("Delete from TSQ_Cheque_Temp")) && m_statements > 2)
            point(QStringLiteral("final-empty"));
    }
    void point(const QString& name)
    {
        if (name != m_stopAt)
            return;
        say(QStringLiteral("STOPPED ") + name);
        std::string line;
        std::getline(std::cin, line);
    }

    QString m_stopAt;
    int m_begins = 0;
    int m_commits = 0;
    long m_statements = 0;
    bool m_inSave = false;
    bool m_committed = false;
    bool m_released = false;
};

// Answers every message box as it appears and prints its text.
class Answerer : public QObject {
public:
    bool cancelConfirmation = false;
    void start() { QTimer::singleShot(0, this, [this] { poll(); }); }

private:
    void poll()
    {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            box && !box->property("answered").toBool()) {
            box->setProperty("answered", true);
            say(QStringLiteral("BOX ") + QString(box->text()).replace(u'\n', QStringLiteral("\\n")));
            QAbstractButton* b = box->button(cancelConfirmation && box->button(QMessageBox::Cancel)
                                                 ? QMessageBox::Cancel
                                                 : QMessageBox::Ok);
            if (b)
                b->click();
            else
                box->reject();
        }
        QTimer::singleShot(2, this, [this] { poll(); });
    }
};

int usage()
{
    std::fprintf(stderr, "usage: cheque-save-driver save SHEET.xls [--stop-at POINT] [--cancel] | clear | gate | report\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppIdentity::apply();
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString cmd = args.takeFirst();
    const int stopAt = args.indexOf("--stop-at");
    const QString point = stopAt >= 0 ? args.value(stopAt + 1) : QString();

    Connection db(std::make_unique<StopProvider>(point));
    db.setConnectionString(Connection::fixedConnectionString());
    try {
        db.open();
    } catch (const std::exception& e) {
        say(QStringLiteral("OPEN-FAILED ") + QString::fromUtf8(e.what()).replace(u'\n', QStringLiteral("\\n")));
        return 1;
    }
    Answerer answerer;
    answerer.cancelConfirmation = args.contains("--cancel");
    answerer.start();

    if (cmd == "report") {
        TfrmRep_ChequVendor w(db);
        w.show();
        QElapsedTimer t;
        t.start();
        w.btnShow_data->click();
        say(QStringLiteral("LINES %1").arg(w.StringGrid1->grid().rowCount() - 1));
        say(QStringLiteral("TOTAL ") + w.edtSum_money->text());
        say(QStringLiteral("MS %1").arg(t.elapsed()));
        say(QStringLiteral("DONE"));
        return 0;
    }

    TfrmIport_Vendor_Cheque w(db);
    w.show();
    if (cmd == "gate") {
        w.BitBtn1->click();
        say(QStringLiteral("PANEL ") + (w.Panel2->isVisible() ? "shown" : "hidden"));
    } else if (cmd == "clear") {
        w.btnClear_Temp->click();
    } else if (cmd == "save" && !args.isEmpty()) {
        const QFileInfo sheet(args[0]);
        w.DirectoryListBox1->setDirectory(sheet.absolutePath());
        const auto items = w.FileListBox1->findItems(sheet.fileName(), Qt::MatchExactly);
        if (items.isEmpty()) {
            say(QStringLiteral("NO-SHEET ") + sheet.absoluteFilePath());
            return 1;
        }
        w.FileListBox1->setCurrentItem(items.first());
        w.btnOpen->click();
        say(QStringLiteral("READ %1").arg(w.StringGrid1->grid().rowCount() - 1));
        w.Button1->click();
    } else {
        return usage();
    }
    say(QStringLiteral("DONE"));
    return 0;
}
