// One SAP sheet, written in every form the program reads (tests/fixtures/
// make_forms.py: the .xls by python3-xlwt, .xlsx by python3-openpyxl,
// python3-xlsxwriter, LibreOffice and by hand with exporters' quirks, .ods,
// flat .fods and HTML by LibreOffice, text, HTML, MHTML and XML Spreadsheet 2003 as SAP and
// report writers send them), reads as the same cells and the same grid as the
// .xls.
#include "ChequeSheetReader.h"
#include "QStringPrint.h"
#include "TestEnv.h"
#include "TextGrid.h"
#include "WorkbookFile.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

QString form(const QString& name)
{
    return TestEnv::fixture(QStringLiteral("forms/") + name);
}

// Every cell of A1 .. Z<rows>, "!" and the message where a cell fails.
QStringList cellsOf(const QString& path, int rows)
{
    QStringList out;
    std::unique_ptr<Workbook> book = WorkbookFile::open(path);
    QString text;
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= 26; ++c) {
            try {
                book->readCell(r, c, text);
            } catch (const Workbook::Error& e) {
                text = QStringLiteral("!") + QString::fromUtf8(e.what());
            }
            out << text;
        }
    return out;
}

// Where a writer changed the data on the way, not the reader: LibreOffice
// takes the .xls boolean in as the formula =TRUE() with the number 1 as its
// result, and writes that into its .ods, .fods and HTML (sdval="1", shown
// "1"), so a spreadsheet program shows 1 there too.
QString writerChanged(const QString& name, int row, int col)
{
    if ((name == QLatin1String("sap_lo.html") || name == QLatin1String("sap_lo.ods")
         || name == QLatin1String("sap_lo.fods"))
        && row == 8 && col == 23)
        return QStringLiteral("1");
    return QString();
}

QStringList formsBesideTheXls()
{
    QStringList out;
    for (const QString& name : QDir(TestEnv::fixture(QStringLiteral("forms"))).entryList(QDir::Files, QDir::Name))
        if (name != QLatin1String("sap.xls"))
            out << name;
    return out;
}

}

TEST(FormsReadAlike, EveryFormGivesTheCellsOfTheXls)
{
    const int rows = 12;
    const QStringList reference = cellsOf(form(QStringLiteral("sap.xls")), rows);
    ASSERT_EQ(reference.at(5 * 26 + 19), "1070");  // T6, a number cell
    const QStringList forms = formsBesideTheXls();
    ASSERT_GE(forms.size(), 15);
    for (const QString& name : forms) {
        SCOPED_TRACE(name.toStdString());
        QStringList got;
        try {
            got = cellsOf(form(name), rows);
        } catch (const Workbook::Error& e) {
            ADD_FAILURE() << "not read: " << e.what();
            continue;
        }
        for (int i = 0; i < reference.size(); ++i) {
            const QString changed = writerChanged(name, i / 26 + 1, i % 26 + 1);
            EXPECT_EQ(got.at(i), changed.isEmpty() ? reference.at(i) : changed)
                << "cell " << (i / 26 + 1) << "," << (i % 26 + 1);
        }
    }
}

TEST(FormsReadAlike, EveryFormGivesTheGridOfTheXls)
{
    TextGrid reference;
    ASSERT_EQ(readChequeSheet(form(QStringLiteral("sap.xls")), reference), 4);
    for (const QString& name : formsBesideTheXls()) {
        SCOPED_TRACE(name.toStdString());
        TextGrid grid;
        try {
            EXPECT_EQ(readChequeSheet(form(name), grid), 4);
        } catch (const SheetReadError& e) {
            ADD_FAILURE() << "not read: " << e.what();
            continue;
        }
        ASSERT_EQ(grid.rowCount(), reference.rowCount());
        ASSERT_EQ(grid.colCount(), reference.colCount());
        for (int r = 0; r < grid.rowCount(); ++r)
            for (int c = 0; c < grid.colCount(); ++c) {
                // Grid row 3 is sheet row 8; grid column c is sheet column c + 1.
                const QString changed = r == 3 ? writerChanged(name, 8, c + 1) : QString();
                EXPECT_EQ(grid.cell(c, r), changed.isEmpty() ? reference.cell(c, r) : changed)
                    << "grid cell " << c << "," << r;
            }
    }
}
