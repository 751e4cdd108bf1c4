#include "ImportLogQuery.h"
#include "InstalledOpener.h"
#include "ModalAnswer.h"
#include "QStringPrint.h"
#include "RecordingOpener.h"
#include "StringGrid.h"
#include "TestDatabase.h"
#include "TextGrid.h"
#include "TfrmImport_Log.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <gtest/gtest.h>

// The ledger window through its controls, on ledger rows of a real embedded
// database.
namespace {

using L = ImportLogQuery::Column;

class ImportLogWindow : public ::testing::Test {
protected:
    ImportLogWindow()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        add("2026-12-01 09:15:00.000", "somchai", "summary_a.xls", "aaaa", 3570.5, "yes");
        add("2026-12-05 14:00:30.250", "malee", "cheques_0553.xls", "bbbb", 100, "no");
        add("2026-11-20 08:00:00.000", "o'neil", "old_a.xls", "cccc", 0.01, "none");
        w.show();
    }
    void add(const char* when, const QString& login, const QString& file, const QString& sha, double total,
             const char* reconciled)
    {
        auto lit = [](QString s) { return "'" + s.replace("'", "''") + "'"; };
        db.exec(QStringLiteral("INSERT INTO TSQ_Import_Log VALUES ('%1', %2, 'PC-01', %3, 9728, %4, 3, 1, 2, 0, 3, 0, "
                               "%5, 35.05, 3535.45, '%6')")
                    .arg(QLatin1String(when), lit(login), lit(file), lit(sha))
                    .arg(total)
                    .arg(QLatin1String(reconciled)));
    }
    QStringList show()
    {
        ModalAnswer a({QMessageBox::Ok});
        a.run([&] { w.btnShow_data->click(); });
        return a.texts;
    }
    QStringList column(int c)
    {
        QStringList out;
        const TextGrid& g = w.StringGrid1->grid();
        for (int r = 1; r < g.rowCount(); ++r)
            out << g.cell(c, r);
        return out;
    }

    TestDatabase db;
    TfrmImport_Log w{db.connection()};
};

TEST_F(ImportLogWindow, ListsEverySaveNewestFirstWithItsFigures)
{
    EXPECT_TRUE(show().isEmpty());
    const TextGrid& g = w.StringGrid1->grid();
    EXPECT_EQ(g.colCount(), int(ImportLogQuery::kColumnCount));
    EXPECT_EQ(g.cell(L::FileName, 0), ImportLogQuery::header(L::FileName));
    EXPECT_EQ(column(L::ImportDate),
              (QStringList{"05/12/2026 14:00:30", "01/12/2026 09:15:00", "20/11/2026 08:00:00"}));
    EXPECT_EQ(column(L::No), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(column(L::Login), (QStringList{"malee", "somchai", "o'neil"}));
    EXPECT_EQ(column(L::SumTotal), (QStringList{"100.00", "3,570.50", "0.01"}));
    EXPECT_EQ(column(L::Reconciled), (QStringList{"ไม่ตรง", "ตรง", "ไม่มีแถวยอดรวม"}));
    EXPECT_EQ(g.cell(L::Sha256, 2), "'aaaa");
    EXPECT_EQ(g.cell(L::FileSize, 2), "9728");
    EXPECT_EQ(g.cell(L::ChequesNew, 2) + "/" + g.cell(L::InvoiceLinesAdded, 2), "2/3");
    EXPECT_EQ(w.l_count->text(), "3 ครั้ง");
}

TEST_F(ImportLogWindow, SearchesByFileOrLoginNameAndByDateRange)
{
    w.edtSearch->setText("_a.xls");  // the underscore acts as the database's wildcard
    EXPECT_TRUE(show().isEmpty());
    EXPECT_EQ(column(L::FileName), (QStringList{"summary_a.xls", "old_a.xls"}));
    w.edtSearch->setText("MALEE");  // names compare without regard to case
    EXPECT_TRUE(show().isEmpty());
    EXPECT_EQ(column(L::Login), QStringList{"malee"});
    w.edtSearch->setText("o'ne");  // a quote neither breaks the statement nor widens it
    EXPECT_TRUE(show().isEmpty());
    EXPECT_EQ(column(L::Login), QStringList{"o'neil"});

    w.edtSearch->clear();
    w.chkDates->setChecked(true);
    EXPECT_TRUE(w.dtFrom->isEnabled());
    w.dtFrom->setDate(QDate(2026, 12, 1));
    w.dtTo->setDate(QDate(2026, 12, 4));  // the whole last day counts
    EXPECT_TRUE(show().isEmpty());
    EXPECT_EQ(column(L::Login), QStringList{"somchai"});

    w.dtFrom->setDate(QDate(2027, 1, 1));
    w.dtTo->setDate(QDate(2027, 1, 31));
    const QStringList texts = show();
    EXPECT_EQ(texts, QStringList{QStringLiteral("ไม่พบข้อมูลที่ต้องการ")});
    EXPECT_EQ(w.StringGrid1->grid().rowCount(), 2);
    EXPECT_EQ(column(L::Login), QStringList{""});
    EXPECT_EQ(w.l_count->text(), "0 ครั้ง");
    // Unchecked, the dates no longer apply.
    w.chkDates->setChecked(false);
    EXPECT_FALSE(w.dtTo->isEnabled());
    EXPECT_TRUE(show().isEmpty());
    EXPECT_EQ(column(L::Login).size(), 3);
}

TEST_F(ImportLogWindow, ExportsItsGridToAFormattedWorkbook)
{
    EXPECT_TRUE(show().isEmpty());
    RecordingOpener opener;
    InstalledOpener installed(opener);
    ModalAnswer a;
    a.run([&] { w.Button1->click(); });
    EXPECT_TRUE(a.texts.isEmpty());
    ASSERT_EQ(opener.opened.size(), 1);
    // Read back by an independent reader: headers in row 1, the newest save in row 2.
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import openpyxl,sys\nws=openpyxl.load_workbook(sys.argv[1]).active\n"
                             "print(ws.title, ws.cell(1,5).value, ws.cell(2,5).value, ws.cell(2,7).value, sep='|')"),
              opener.opened[0]});
    ASSERT_TRUE(py.waitForFinished(60000));
    EXPECT_EQ(QString::fromUtf8(py.readAllStandardOutput()).trimmed(),
              QStringLiteral("Cheque|แฟ้ม|cheques_0553.xls|bbbb"));
}

}
