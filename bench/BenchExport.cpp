// The export figure: a report grid of ROWS x 25 written as the export writes
// it, against libxlsxwriter alone writing the same cells with the same formats.
#include "BenchUtil.h"

#include "GridExport.h"
#include "TextGrid.h"

#include <QFile>
#include <QLocale>
#include <stdexcept>
#include <vector>
#include <xlsxwriter.h>

namespace {

const char* kHeaders[25] = {"No. ", "Cheque_PK ", "Profit Center Code", "Deka Creat", "Deka Recei",
    "Payment Method", "Deka Number", "Clearing Document", "Clearing Date", "Check No.", "Vendor",
    "Vendor Name", "Delivery Mode", "Tax Number", "Status", "Total Money", "Total WHT",
    "Total To Be Paid", "Pstng Date", "DocumentNo", "Description", "Total Amou", "WHT Amount",
    "To Be Paid", "Fund"};

// A filled report grid: cheques of five lines, cheque columns on the first.
TextGrid reportGrid(int rows)
{
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    TextGrid g;
    g.setColCount(25);
    g.setRowCount(rows + 1);
    for (int c = 0; c < 25; ++c)
        g.setCell(c, 0, QString::fromUtf8(kHeaders[c]));
    for (int r = 1; r <= rows; ++r) {
        const int cheque = (r - 1) / 5;
        const QString amount = en.toString(1234.5 + r, 'f', 2);
        if ((r - 1) % 5 == 0) {
            const QString cells[18] = {QString::number(r), QStringLiteral("2026/%1").arg(100000 + cheque),
                QStringLiteral("P1010"), QStringLiteral("01.05.2026"), QStringLiteral("03.05.2026"),
                QStringLiteral("C"), QStringLiteral("DK%1").arg(10000000 + cheque),
                QStringLiteral("'%1").arg(2000000000 + cheque), QStringLiteral("05.05.2026"),
                QString::number(100000 + cheque), QString::number(2000000 + cheque),
                QStringLiteral("บริษัท สยามเจริญพาณิชย์ จำกัด"), QStringLiteral("1"),
                QStringLiteral("'0105536000123"), QStringLiteral("P"), amount, en.toString(37.04, 'f', 2),
                amount};
            for (int c = 0; c < 18; ++c)
                g.setCell(c, r, cells[c]);
        }
        const QString line[7] = {QStringLiteral("01.05.2026"), QStringLiteral("'%1").arg(5100000000LL + r),
            QStringLiteral("ค่าวัสดุสำนักงาน"), amount, en.toString(12.35, 'f', 2), amount,
            QStringLiteral("'F001")};
        for (int c = 0; c < 7; ++c)
            g.setCell(18 + c, r, line[c]);
    }
    return g;
}

}

// export ROWS OUT.xlsx
int benchExport(const QStringList& args)
{
    if (args.size() != 2)
        throw std::runtime_error("export ROWS OUT.xlsx");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const TextGrid grid = reportGrid(args[0].toInt());
    QFile::remove(args[1]);
    QElapsedTimer t;
    t.start();
    GridExport::write(grid, GridExport::Variant::Report, args[1]);
    printFigure(t.nsecsElapsed() / 1e9, QStringLiteral("%1 x 25 cells").arg(args[0]));
    return 0;
}

// xlsx-alone ROWS OUT.xlsx: the same sheet written straight with libxlsxwriter,
// the cell types decided beforehand, so only the writing is timed.
int benchXlsxAlone(const QStringList& args)
{
    if (args.size() != 2)
        throw std::runtime_error("xlsx-alone ROWS OUT.xlsx");
    const int rows = args[0].toInt();
    const TextGrid grid = reportGrid(rows);
    struct Cell { bool number; double value; QByteArray text; };
    std::vector<Cell> cells;
    cells.reserve(static_cast<size_t>(rows + 1) * 25);
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c < 25; ++c) {
            QString s = grid.cell(c, r);
            bool ok = false;
            const double v = en.toDouble(s, &ok);
            if (s.startsWith('\''))
                s.remove(0, 1);
            cells.push_back({ok && r > 0, v, s.toUtf8()});
        }
    QFile::remove(args[1]);

    QElapsedTimer t;
    t.start();
    lxw_workbook_options opt{};
    opt.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(args[1].toUtf8().constData(), &opt);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Cheque");
    auto dataFormat = [&](bool top, bool bottom, const char* num) {
        lxw_format* f = workbook_add_format(wb);
        format_set_font_size(f, 12);
        format_set_bg_color(f, 0xFFFFFF);
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_left(f, LXW_BORDER_THIN);
        format_set_right(f, LXW_BORDER_THIN);
        if (top)
            format_set_top(f, LXW_BORDER_THIN);
        if (bottom)
            format_set_bottom(f, LXW_BORDER_THIN);
        if (num)
            format_set_num_format(f, num);
        return f;
    };
    lxw_format* header = workbook_add_format(wb);
    format_set_font_size(header, 12);
    format_set_font_color(header, 0x0C058F);
    format_set_bg_color(header, 0x9BCDE6);
    format_set_pattern(header, LXW_PATTERN_SOLID);
    format_set_align(header, LXW_ALIGN_CENTER);
    format_set_border(header, LXW_BORDER_THIN);
    lxw_format* body[2][2] = {{dataFormat(false, false, nullptr), dataFormat(false, false, "#,##0.00")},
                              {dataFormat(true, false, nullptr), dataFormat(true, false, "#,##0.00")}};
    lxw_format* rowFormat = workbook_add_format(wb);
    format_set_font_size(rowFormat, 12);
    const double widths[15] = {5, 12, 7, 10, 13, 14, 16, 10, 13, 15, 12, 10, 10, 41, 41};
    for (int c = 0; c < 15; ++c)
        worksheet_set_column(ws, c, c, widths[c], nullptr);
    worksheet_set_header(ws, "&LPage &P From &N&R(Divo-RU)");
    worksheet_set_footer(ws, "&LDevelop By RV.PL.ZA&R&D &T");
    worksheet_set_margins(ws, 70 / 72.0, 20 / 72.0, 70 / 72.0, 45 / 72.0);
    worksheet_set_portrait(ws);
    worksheet_set_paper(ws, 9);
    size_t i = 0;
    for (int r = 0; r <= rows + 3; ++r) {
        worksheet_set_row(ws, r, 15.75, rowFormat);
        for (int c = 0; c < 25; ++c) {
            if (r > rows) {
                worksheet_write_blank(ws, r, c, body[0][0]);
                continue;
            }
            const Cell& cell = cells[i++];
            lxw_format* f = r == 0 ? header : body[r == 1][cell.number];
            if (cell.number)
                worksheet_write_number(ws, r, c, cell.value, f);
            else if (cell.text.isEmpty())
                worksheet_write_blank(ws, r, c, f);
            else
                worksheet_write_string(ws, r, c, cell.text.constData(), f);
        }
    }
    if (workbook_close(wb) != LXW_NO_ERROR)
        throw std::runtime_error("workbook_close failed");
    printFigure(t.nsecsElapsed() / 1e9, QStringLiteral("%1 x 25 cells").arg(rows));
    return 0;
}
