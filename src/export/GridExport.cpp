#include "GridExport.h"

#include "CellRange.h"
#include "ColumnLetters.h"
#include "DocumentOpener.h"
#include "SheetModel.h"
#include "SheetWriter.h"
#include "TextGrid.h"
#include "TypedInput.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <stdexcept>
#include <utility>
#include <vector>

namespace GridExport {

namespace {

// Windows colour values: red + 256 x green + 65536 x blue.
constexpr int kDarkBlue = 9372940;    // RGB(12, 5, 143)
constexpr int kLightBlue = 15125915;  // RGB(155, 205, 230)
constexpr int kWhite = 16777215;

struct Parameters {
    bool titleRows;
    int headerRow;
    QString lastLetter;      // right end of the coloured and bordered block
    int emptyRowsAfter;      // rows written empty after the grid's last row
    int headerBlockRows;     // rows of the bordered header block
    QString rightHeader;
    std::vector<std::pair<QString, double>> widths;
};

const Parameters& parameters(Variant variant)
{
    static const Parameters import{
        true, 4, QStringLiteral("U"), 0, 1, QStringLiteral("(Vov001)"),
        {{"A", 5.5}, {"B", 30}, {"C", 16}, {"D", 15}, {"E", 22}}};
    static const Parameters report{
        false, 1, QStringLiteral("Y"), 3, 4, QStringLiteral("(Divo-RU)"),
        {{"A", 5}, {"B", 12}, {"C", 7}, {"D", 10}, {"E", 13}, {"F", 14}, {"G", 16}, {"H", 10},
         {"I", 13}, {"J", 15}, {"K", 12}, {"L", 10}, {"M", 10}, {"N", 41}, {"O", 41}}};
    return variant == Variant::Import ? import : report;
}

CellRange range(const QString& address)
{
    return CellRange::parse(address);
}

// "A<top>:<last><bottom>", the blocks' addresses.
CellRange range(int top, const QString& lastLetter, int bottom)
{
    return range(u'A' + QString::number(top) + u':' + lastLetter + QString::number(bottom));
}

}

SheetModel layout(const TextGrid& grid, Variant variant)
{
    const Parameters& p = parameters(variant);
    const QString L = p.lastLetter;
    const int H = p.headerRow;
    const int R = grid.rowCount();

    SheetModel sheet;
    sheet.setName(QStringLiteral("Cheque"));

    if (p.titleRows) {
        sheet.setAlignment(range("A1:" + L + "1"), SheetModel::Align::CenterAcross);
        sheet.setText(1, 1, QStringLiteral("Rever Ador Ozad "));
        sheet.setFontColour(CellRange::cell(1, 1), kDarkBlue);
        sheet.setFontSize(CellRange::cell(1, 1), 16);
        sheet.setAlignment(range("A2:" + L + "2"), SheetModel::Align::CenterAcross);
        for (int row : {2, 3}) {
            sheet.setFontColour(CellRange::cell(row, 1), kDarkBlue);
            sheet.setFontSize(CellRange::cell(row, 1), 14);
        }
    }

    // Header row: every grid column is written, also right of the coloured block.
    const CellRange header = range(H, L, H);
    sheet.setFontSize(CellRange::rows(H, H), 12);
    sheet.setFontColour(header, kDarkBlue);
    sheet.setFill(header, kLightBlue);
    sheet.setAlignment(header, SheetModel::Align::Center);
    sheet.placeGridRows(grid, 0, std::min(R, 1), H);

    // Data rows, then the empty rows some layouts add; each written cell white,
    // each of these rows in 12 points.
    const int dataRows = std::max(R - 1, 0) + p.emptyRowsAfter;
    const int E = H + dataRows;  // the last data row: R + 3 in both layouts
    if (dataRows > 0) {
        sheet.placeGridRows(grid, 1, dataRows, H + 1);
        if (grid.colCount() > 0)
            sheet.setFill(CellRange::cells(H + 1, 1, E, grid.colCount()), kWhite);
        sheet.setFontSize(CellRange::rows(H + 1, E), 12);
    }

    XlsxWriter::PageSetup& page = sheet.pageSetup();
    page.leftHeader = QStringLiteral("Page &P From &N");
    page.rightHeader = p.rightHeader;
    page.leftFooter = QStringLiteral("Develop By RV.PL.ZA");
    page.rightFooter = QStringLiteral("&D &T");
    page.leftMargin = 70;
    page.rightMargin = 20;
    page.topMargin = 70;
    page.bottomMargin = 45;
    page.headerMargin = 20;
    page.footerMargin = 20;
    page.portrait = true;
    page.firstPageNumber = 0;  // automatic
    page.paperSize = 9;        // A4
    page.overThenDown = false;

    using Edge = SheetModel::Edge;
    const CellRange headerBlock = range(H, L, H + p.headerBlockRows - 1);
    for (Edge e : {Edge::Left, Edge::Right, Edge::InsideVertical, Edge::Top, Edge::Bottom})
        sheet.setBorder(headerBlock, e);

    // The data block is framed, split by vertical lines only, with one more
    // line under its last-but-one row. With no data rows the addresses turn
    // round (A5:U4 is A4:U5), as the spreadsheet program reads them.
    const CellRange dataBlock = range(H + 1, L, E);
    for (Edge e : {Edge::Left, Edge::Right, Edge::InsideVertical, Edge::Top, Edge::Bottom})
        sheet.setBorder(dataBlock, e);
    sheet.setBorder(range(H + 1, L, E - 1), Edge::Bottom);

    for (const auto& [letters, width] : p.widths)
        sheet.setColumnWidth(ColumnLetters::number(letters), width);
    return sheet;
}

void write(const TextGrid& grid, Variant variant, const QString& filePath)
{
    SheetWriter::write(layout(grid, variant), filePath, TypedInput::Conventions::of(QLocale()));
}

Result runInFolder(const TextGrid& grid, Variant variant, DocumentOpener& opener,
                   const QString& folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("Cheque.xlsx"));
    write(grid, variant, path);
    return Result{path, opener.open(path)};
}

Result run(const TextGrid& grid, Variant variant, DocumentOpener& opener)
{
    // A folder of its own, so that exports never overwrite one another and the
    // spreadsheet program can still read the file after this returns.
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/cheque-export-XXXXXX"));
    if (!dir.isValid())
        throw std::runtime_error("Cannot create a temporary folder for the workbook: "
                                 + dir.errorString().toStdString());
    Result result = runInFolder(grid, variant, opener, dir.path());  // a failure removes `dir`
    dir.setAutoRemove(false);
    return result;
}

QString notOpenedMessage(const QString& path)
{
    return QStringLiteral("ไม่พบโปรแกรมสำหรับเปิดแฟ้ม กรุณาเปิดแฟ้มนี้เอง:\n")
           + QDir::toNativeSeparators(path);
}

}
