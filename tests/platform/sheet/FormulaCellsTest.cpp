// The pass every reader of a typed form runs when its cells are in: which
// stored results stand, and what the calculated ones become in the cell table.
#include "FormulaCells.h"
#include "QStringPrint.h"
#include "SheetCells.h"
#include "Workbook.h"

#include <gtest/gtest.h>

namespace {

QString read(const SheetCells& cells, int row, int col)
{
    QString text;
    try {
        cells.readCell(row, col, text, QStringLiteral("book.xlsx"));
    } catch (const Workbook::Error& e) {
        return QStringLiteral("!") + QString::fromUtf8(e.what());
    }
    return text;
}

TEST(FormulaCells, StoredResultsStandUnlessTheFileSaysOtherwise)
{
    for (const bool stale : {false, true}) {
        SheetCells cells;
        cells.addNumber(6, 20, 0);  // a placeholder result
        cells.addFormula(6, 20, u"1000+70", true);
        cells.addNumber(6, 21, 7);
        cells.addFormula(6, 22, u"T6+U6", false);  // no stored result
        cells.storedResultsStale = stale;
        cells.finish();
        FormulaCells::settle(cells);
        EXPECT_EQ(read(cells, 6, 20), stale ? QStringLiteral("1070") : QStringLiteral("0"));
        // Calculated from what T6 shows: its stored result unless that is set aside.
        EXPECT_EQ(read(cells, 6, 22), stale ? QStringLiteral("1077") : QStringLiteral("7"));
        EXPECT_EQ(read(cells, 6, 21), QStringLiteral("7"));
    }
}

TEST(FormulaCells, ResultsTakeTheCellsFormatAndReplaceThePlaceholder)
{
    SheetCells cells;
    cells.addFormula(6, 5, u"40301", false, CellText::DateKind::Date);
    cells.addText(6, 6, u"stale");
    cells.addFormula(6, 6, u"\"\"", true);
    cells.addNumber(6, 7, 40000, CellText::DateKind::Date);  // placeholder in a date cell
    cells.addFormula(6, 7, u"E6+1", true);
    cells.addFormula(6, 8, u"1/0", false);
    cells.addFormula(6, 9, u"E6>1", false);
    cells.storedResultsStale = true;
    cells.finish();
    FormulaCells::settle(cells);
    EXPECT_EQ(read(cells, 6, 5), QStringLiteral("03.05.2010"));
    EXPECT_EQ(read(cells, 6, 6), QString());
    EXPECT_EQ(read(cells, 6, 7), QStringLiteral("04.05.2010"));
    const QString div = read(cells, 6, 8);
    EXPECT_TRUE(div.contains(QStringLiteral("H6")) && div.contains(QStringLiteral("#DIV/0!"))) << div.toStdString();
    EXPECT_EQ(read(cells, 6, 9), QStringLiteral("TRUE"));
    EXPECT_EQ(cells.rowCount(), 6);
    EXPECT_EQ(cells.colCount(), 9);
}

TEST(FormulaCells, EachFormsSpellingIsToldOrDeclared)
{
    SheetCells cells;
    cells.addNumber(1, 1, 2.5);
    cells.addFormula(1, 2, u"RC[-1]*2", false);             // XML Spreadsheet 2003
    cells.addFormula(1, 3, u"ROUND([.A1];0)", false);       // .ods, its "of:=" taken off
    cells.addFormula(1, 4, u"of:=[.A1]&\"x\"", false);
    cells.addFormula(1, 5, u"ROUND(1.5;0)", false);         // .ods without a reference
    cells.addFormula(1, 6, u"A1*2", false);
    cells.finish();
    FormulaCells::settle(cells);
    EXPECT_EQ(read(cells, 1, 2), QStringLiteral("5"));
    EXPECT_EQ(read(cells, 1, 3), QStringLiteral("3"));
    EXPECT_EQ(read(cells, 1, 4), QStringLiteral("2.5x"));
    EXPECT_EQ(read(cells, 1, 5), QStringLiteral("2"));
    EXPECT_EQ(read(cells, 1, 6), QStringLiteral("5"));

    // Declared R1C1: "C1" is column 1 of the formula's own row, not cell C1.
    SheetCells declared;
    declared.formulaSyntax = SheetCells::FormulaSyntax::R1C1;
    declared.addNumber(2, 1, 4);
    declared.addNumber(1, 3, 100);
    declared.addFormula(2, 2, u"RC1+1", false);
    declared.finish();
    FormulaCells::settle(declared);
    EXPECT_EQ(read(declared, 2, 2), QStringLiteral("5"));
}

TEST(FormulaCells, WhatCannotBeCalculatedFailsTheCellWithWhatToDo)
{
    SheetCells cells;
    cells.addFormula(2, 1, u"TODAY()", false);
    cells.addFormula(6, 20, u"A2+1", false);
    cells.addText(6, 3, u"P1010");
    cells.finish();
    FormulaCells::settle(cells);
    const QString today = read(cells, 2, 1);
    EXPECT_TRUE(today.contains(QStringLiteral("A2")) && today.contains(QStringLiteral("TODAY"))) << today.toStdString();
    EXPECT_TRUE(today.contains(QStringLiteral("book.xlsx")));
    EXPECT_TRUE(today.contains(QStringLiteral("บันทึกหนึ่งครั้ง")));
    // A formula that needs it fails too, naming the cell read and the one in the way.
    const QString total = read(cells, 6, 20);
    EXPECT_TRUE(total.contains(QStringLiteral("T6")) && total.contains(QStringLiteral("A2"))) << total.toStdString();
    EXPECT_EQ(read(cells, 6, 3), QStringLiteral("P1010"));
}

TEST(FormulaCells, ProgramsThatCalculateAreKnownByName)
{
    for (const char16_t* yes : {u"Microsoft Excel", u"LibreOffice/7.4.7.2$Linux_X86_64 LibreOffice_project/40$Build-2",
                                u"MicrosoftOffice/16.0 MicrosoftExcel/16.0", u"Gnumeric", u"", u"  "})
        EXPECT_TRUE(FormulaCells::calculatingApplication(yes)) << QString::fromUtf16(yes).toStdString();
    for (const char16_t* no : {u"SAP NetWeaver", u"PhpSpreadsheet", u"openpyxl", u"Apache POI"})
        EXPECT_FALSE(FormulaCells::calculatingApplication(no)) << QString::fromUtf16(no).toStdString();
}

}
