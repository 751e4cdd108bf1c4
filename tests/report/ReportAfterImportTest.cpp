// A SAP sheet read and saved by the import, then listed by the report.
#include "ChequeSave.h"
#include "ChequeSheetReader.h"
#include "Query.h"
#include "StringGrid.h"
#include "TestDatabase.h"
#include "TestEnv.h"
#include "TextGrid.h"
#include "TfrmRep_ChequVendor.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(ReportAfterImport, ListsTheSavedChequesWithTheirLines)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TestDatabase db;
    TextGrid sheet;
    ASSERT_EQ(readChequeSheet(TestEnv::fixture("cheques_typical.xls"), sheet), 15);
    Query a(db.connection());
    Query b(db.connection());
    ChequeSave::Hooks hooks;
    hooks.confirm = [] { return true; };
    ASSERT_EQ(ChequeSave(a, b).run(sheet, hooks).outcome, ChequeSave::Outcome::Saved);

    TfrmRep_ChequVendor w(db.connection());
    w.btnShow_data->click();
    const TextGrid& g = w.StringGrid1->grid();
    ASSERT_EQ(g.rowCount(), db.count("TSQ_Cheque_Detail") + 1);

    QStringList keys;
    for (int r = 1; r < g.rowCount(); ++r) {
        if (g.cell(1, r).isEmpty())
            continue;
        keys << g.cell(1, r);
        EXPECT_EQ(g.cell(0, r), QString::number(r));
        EXPECT_EQ(g.cell(17, r), QLocale().toString(db.scalar("SELECT Sum_To_Be_Paid FROM TSQ_Cheque_Main WHERE Cheque_PK = '"
                                                              + g.cell(1, r) + "'").toDouble(), 'f', 2));
    }
    EXPECT_EQ(keys, (QStringList{"2010/10000501", "2010/10000502", "2010/10000503", "2010/10000504"}));
    EXPECT_EQ(w.edtSum_money->text(),
              QLocale().toString(db.scalar("SELECT SUM(Sum_To_Be_Paid) FROM TSQ_Cheque_Main").toDouble(), 'f', 2));
}
