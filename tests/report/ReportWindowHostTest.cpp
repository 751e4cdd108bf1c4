// The report window as the main window hosts it: wait cursor and exit button.
#include "ChildWindows.h"
#include "Connection.h"
#include "ForwardingProvider.h"
#include "ModalAnswer.h"
#include "TestDatabase.h"
#include "StringGrid.h"
#include "TextGrid.h"
#include "TfrmRep_ChequVendor.h"

#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// The build's own provider, noting the cursor shown while each SELECT runs.
class CursorWatch : public ForwardingProvider {
public:
    explicit CursorWatch(std::vector<Qt::CursorShape>& seen) : ForwardingProvider(createProvider()), m_seen(seen) {}
    ResultSet select(const QString& sql, const std::vector<SqlParam>& params) override
    {
        note();
        return ForwardingProvider::select(sql, params);
    }
    void selectEach(const QString& sql, const std::vector<SqlParam>& params,
                    const std::function<void(const RowView&)>& row) override
    {
        note();
        ForwardingProvider::selectEach(sql, params, row);
    }

private:
    void note()
    {
        const QCursor* c = QApplication::overrideCursor();
        m_seen.push_back(c ? c->shape() : Qt::ArrowCursor);
    }

    std::vector<Qt::CursorShape>& m_seen;
};

// The build's provider, with the report's text columns Cheque_PK, Vendor_no
// and Pstng_Date handed over as numbers and a date-time, as an ODBC driver may
// hand over a column whose type it maps differently.
class TypedColumns : public ForwardingProvider {
public:
    TypedColumns() : ForwardingProvider(createProvider()) {}
    void selectEach(const QString& sql, const std::vector<SqlParam>& params,
                    const std::function<void(const RowView&)>& row) override
    {
        const ResultSet text = ForwardingProvider::select(sql, params);
        std::vector<QString> names;
        for (int c = 0; c < text.columnCount(); ++c)
            names.push_back(text.columnName(c));
        ResultSet typed(names);
        for (size_t r = 0; r < text.rowCount(); ++r) {
            typed.beginRow();
            for (int c = 0; c < text.columnCount(); ++c) {
                if ((names[c] == "Vendor_no" || names[c] == "Cheque_PK") && text.kind(r, c) == ResultSet::Kind::Text)
                    typed.addInteger(text.text(r, c).toLongLong());
                else if (names[c] == "Pstng_Date" && text.kind(r, c) == ResultSet::Kind::Text)
                    typed.addDateTime(QStringLiteral("2026-02-28T00:00:00"));
                else if (text.kind(r, c) == ResultSet::Kind::Text)
                    typed.addText(text.text(r, c));
                else if (text.kind(r, c) == ResultSet::Kind::Real)
                    typed.addReal(text.real(r, c));
                else if (text.kind(r, c) == ResultSet::Kind::Integer)
                    typed.addInteger(text.integer(r, c));
                else
                    typed.addNull();
            }
        }
        forEachRow(typed, row);
    }
};

TEST(ReportWindowHost, ANumberOrDateInATextColumnIsShownAsTheQueryReadsIt)
{
    TestDatabase db;
    db.exec("INSERT INTO TSQ_Cheque_Main (Cheque_PK, Vendor_no, Sum_To_Be_Paid) VALUES ('1', '104455', 5)");
    db.exec("INSERT INTO TSQ_Cheque_Detail (Cheque_PK, Pstng_Date, To_Be_Paid) VALUES ('1', '28.02.2026', 5)");
    db.exec("INSERT INTO TSQ_Cheque_Main (Cheque_PK, Vendor_no, Sum_To_Be_Paid) VALUES ('2', '104456', 7)");
    db.exec("INSERT INTO TSQ_Cheque_Detail (Cheque_PK, Pstng_Date, To_Be_Paid) VALUES ('2', '28.02.2026', 7)");
    Connection typed(std::make_unique<TypedColumns>());
    typed.setConnectionString(Connection::fixedConnectionString());
    typed.open();
    TfrmRep_ChequVendor w(typed);
    w.btnShow_data->click();

    const TextGrid& grid = w.StringGrid1->grid();
    ASSERT_EQ(grid.rowCount(), 3);
    int vendor = -1, posting = -1;
    for (int c = 0; c < grid.colCount(); ++c) {
        if (grid.cell(c, 0).trimmed() == "Vendor")
            vendor = c;
        if (grid.cell(c, 0).trimmed() == "Pstng Date")
            posting = c;
    }
    ASSERT_GE(vendor, 0);
    ASSERT_GE(posting, 0);
    EXPECT_EQ(grid.cell(vendor, 1), "104455");
    EXPECT_EQ(grid.cell(vendor, 2), "104456");  // its own cheque: the keys differ
    EXPECT_FALSE(grid.cell(posting, 1).isEmpty());
    EXPECT_EQ(w.edtSum_money->text(), "12.00");
}

TEST(ReportWindowHost, WaitCursorShowsWhileTheQueryRuns)
{
    TestDatabase db;
    std::vector<Qt::CursorShape> seen;
    Connection watched(std::make_unique<CursorWatch>(seen));
    watched.setConnectionString(Connection::fixedConnectionString());
    watched.open();
    TfrmRep_ChequVendor w(watched);

    ModalAnswer answer({QMessageBox::Ok});  // an empty catalogue: "not found"
    answer.run([&] { w.btnShow_data->click(); });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(answer.texts.size(), 1);
}

TEST(ReportWindowHost, ExitButtonHidesTheChildWindow)
{
    TestDatabase db;
    QMainWindow main;
    auto* area = new QMdiArea;
    main.setCentralWidget(area);
    main.show();
    auto* w = new TfrmRep_ChequVendor(db.connection());
    ChildWindows::show(area, w);
    ASSERT_TRUE(w->isVisible());

    // A report of some thousand lines, then the exit: the lines go with it.
    for (int i = 0; i < 2000; ++i) {
        const QString key = QStringLiteral("2026/%1").arg(100000 + i);
        db.exec("INSERT INTO TSQ_Cheque_Main (Cheque_PK, Vendor_Name, Sum_To_Be_Paid) VALUES ('" + key
                + "', 'ร้าน ศรีสุข', 100)");
        db.exec("INSERT INTO TSQ_Cheque_Detail (Cheque_PK, Description, Total_Amount) VALUES ('" + key
                + "', 'ค่าบริการขนส่ง', 100)");
    }
    w->btnShow_data->click();
    ASSERT_EQ(w->StringGrid1->grid().rowCount(), 2001);
    const size_t filled = w->StringGrid1->grid().memoryBytes();

    w->btnExit1->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(area->subWindowList().isEmpty());
    EXPECT_TRUE(main.isVisible());
    EXPECT_LT(w->StringGrid1->grid().memoryBytes(), filled / 2);
    EXPECT_EQ(w->StringGrid1->grid().rowCount(), 5);
}

}
