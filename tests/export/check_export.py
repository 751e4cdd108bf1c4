#!/usr/bin/python3
"""Reads an exported workbook with openpyxl, independently of the program, and
prints every way it differs from what the export must give for the grids that
GridExportTest.cpp builds. Prints nothing and exits 0 when all is well.

Usage: check_export.py import|report|empty-report WORKBOOK.xlsx
"""
import datetime
import sys

import openpyxl
from openpyxl.utils import get_column_letter
from openpyxl.utils.escape import unescape

DARK_BLUE = "FF0C058F"    # RGB(12, 5, 143)
LIGHT_BLUE = "FF9BCDE6"   # RGB(155, 205, 230)
WHITE = "FFFFFFFF"

IMPORT_HEADERS = [
    "No. ", "Cheque_PK ", "Profit Center Code", "Profit Center", "Deka Creat", "Deka Recei",
    "Payment Method", "Deka Number", "Clearing Document", "Clearing Date", "Check No.", "Vendor",
    "Vendor Name", "Delivery Mode", "Tax Number", "Status", "Pstng Date", "DocumentNo",
    "Description", "Total Amou", "WHT Amount", "To Be Paid", "Fund", "Reference",
    "Reference(Invoice_No)", "เจ้าหนี้ผู้มีสิทธิรับเงิน (ตามหน้าเช็ค)",
]
REPORT_HEADERS = [
    "No. ", "Cheque_PK ", "Profit Center Code", "Deka Creat", "Deka Recei", "Payment Method",
    "Deka Number", "Clearing Document", "Clearing Date", "Check No.", "Vendor", "Vendor Name",
    "Delivery Mode", "Tax Number", "Status", "Total Money", "Total WHT", "Total To Be Paid",
    "Pstng Date", "DocumentNo", "Description", "Total Amou", "WHT Amount", "To Be Paid", "Fund",
]
IMPORT_WIDTHS = {"A": 5.5, "B": 30, "C": 16, "D": 15, "E": 22}
REPORT_WIDTHS = {"A": 5, "B": 12, "C": 7, "D": 10, "E": 13, "F": 14, "G": 16, "H": 10, "I": 13,
                 "J": 15, "K": 12, "L": 10, "M": 10, "N": 41, "O": 41}

failures = []


def fail(message):
    failures.append(message)


def font_colour(cell):
    c = cell.font.color
    return c.rgb if c is not None and c.type == "rgb" else None


def fill_colour(cell):
    return cell.fill.fgColor.rgb if cell.fill.fill_type == "solid" else None


def borders(cell):
    b = cell.border
    return {side for side in ("left", "right", "top", "bottom")
            if getattr(b, side).style is not None}


def expect(what, actual, wanted):
    if actual != wanted:
        fail("%s: %r, expected %r" % (what, actual, wanted))


def plain_text(g, c):
    return "r%dc%d" % (g, c)


def check_cells(ws, expected_values):
    """expected_values: {(row, column): value}; None means no value."""
    for (row, col), wanted in expected_values.items():
        cell = ws.cell(row=row, column=col)
        value = cell.value
        if isinstance(value, str):
            value = unescape(value)
        if isinstance(wanted, datetime.datetime):
            expect("%s is a date" % cell.coordinate, cell.is_date, True)
        expect("%s value" % cell.coordinate, value, wanted)
        if isinstance(wanted, str):
            expect("%s kept as text" % cell.coordinate, cell.data_type, "s")


def check_formats(ws, last_row, last_col, want):
    """want(row, col) -> (font size, font colour, fill, alignment, borders)."""
    for row in range(1, last_row + 1):
        for col in range(1, last_col + 1):
            cell = ws.cell(row=row, column=col)
            got = (cell.font.sz, font_colour(cell), fill_colour(cell), cell.alignment.horizontal,
                   borders(cell))
            expect("%s size, colour, fill, alignment, borders" % cell.coordinate, got,
                   want(row, col))


def check_page(ws, right_header):
    expect("left header", ws.oddHeader.left.text, "Page &P From &N")
    expect("right header", ws.oddHeader.right.text, right_header)
    expect("centre header", ws.oddHeader.center.text, None)
    expect("left footer", ws.oddFooter.left.text, "Develop By RV.PL.ZA")
    expect("right footer", ws.oddFooter.right.text, "&D &T")
    m = ws.page_margins
    for name, points in (("left", 70), ("right", 20), ("top", 70), ("bottom", 45),
                         ("header", 20), ("footer", 20)):
        inches = getattr(m, name)
        if abs(inches - points / 72) > 1e-6:
            fail("%s margin %r in, expected %r pt" % (name, inches, points))
    ps = ws.page_setup
    expect("orientation", ps.orientation, "portrait")
    expect("paper size", str(ps.paperSize), "9")
    if ps.pageOrder not in (None, "downThenOver"):
        fail("page order %r" % ps.pageOrder)
    if ps.useFirstPageNumber or ps.firstPageNumber not in (None, 1):
        fail("first page number %r, not automatic" % ps.firstPageNumber)
    if ps.draft:
        fail("draft printing is on")


def check_widths(ws, widths):
    dims = ws.column_dimensions
    for letter in (get_column_letter(c) for c in range(1, 27)):
        stored = dims[letter].width if letter in dims else None
        if letter in widths:
            # The file stores the width with the cell padding of the default
            # font: 5 pixels on 7-pixel characters.
            shown = (stored * 7 - 5) / 7 if stored else None
            if shown is None or abs(shown - widths[letter]) > 0.15:
                fail("column %s width %r (stored %r), expected %r"
                     % (letter, shown, stored, widths[letter]))
        elif stored not in (None, 13.0) and dims[letter].customWidth:
            fail("column %s has width %r, expected the default" % (letter, stored))


def check_import(ws):
    # 26 x 11 grid: title rows 1-3, headers row 4, data rows 5-14.
    expect("last row", ws.max_row, 14)
    expect("last column", ws.max_column, 26)
    values = {(1, 1): "Rever Ador Ozad ", (2, 1): None, (3, 1): None, (1, 2): None}
    for c in range(26):
        values[(4, c + 1)] = IMPORT_HEADERS[c]
    for g in range(1, 11):
        for c in range(26):
            values[(g + 4, c + 1)] = plain_text(g, c)
    values.update({
        (5, 1): 1,
        (5, 2): "2010/512",
        (5, 5): datetime.datetime(2010, 5, 15),
        (5, 10): "15.05.2010",
        (5, 15): 123456789,
        (5, 18): "0012",
        (5, 19): None,
        (5, 20): 1500.5,
        (5, 21): 1234.5,
        (5, 22): -15,
        (5, 23): "=1+2",
        (5, 26): "บริษัท ทดสอบ จำกัด",
        (6, 13): "a\x01b",
        (6, 14): "_x0041_",
        (14, 18): "0012",
    })
    check_cells(ws, values)
    expect("E5 number format", ws["E5"].number_format in ("mm-dd-yy", "m/d/yyyy", "d/m/yyyy"), True)
    expect("U5 number format", ws["U5"].number_format, "#,##0.00")
    expect("T5 number format", ws["T5"].number_format, "General")
    expect("O5 number format", ws["O5"].number_format, "General")
    expect("S5 is a white blank", (ws["S5"].value, fill_colour(ws["S5"])), (None, WHITE))
    if ws["W5"].data_type == "f":
        fail("W5 became a formula")

    def want(row, col):
        inside = col <= 21
        if row == 1:
            return (16.0 if col == 1 else 11.0, DARK_BLUE if col == 1 else None, None,
                    "centerContinuous" if inside else None, set())
        if row == 2:
            return (14.0 if col == 1 else 11.0, DARK_BLUE if col == 1 else None, None,
                    "centerContinuous" if inside else None, set())
        if row == 3:
            return (14.0 if col == 1 else 11.0, DARK_BLUE if col == 1 else None, None, None, set())
        if row == 4:
            if not inside:
                return (12.0, None, None, None, set())
            return (12.0, DARK_BLUE, LIGHT_BLUE, "center", {"left", "right", "top", "bottom"})
        if not inside:
            return (12.0, None, WHITE, None, set())
        b = {"left", "right"}
        if row == 5:
            b.add("top")
        if row in (13, 14):
            b.add("bottom")
        return (12.0, None, WHITE, None, b)

    check_formats(ws, 15, 27, lambda r, c: want(r, c) if r <= 14 and c <= 26
                  else (11.0, None, None, None, set()))
    for row, height in ((1, 21), (2, 18.75), (3, 18.75), (4, 15.75), (5, 15.75), (14, 15.75)):
        expect("row %d height" % row, ws.row_dimensions[row].height, height)
    check_page(ws, "(Vov001)")
    check_widths(ws, IMPORT_WIDTHS)


def report_formats(last_row, cols):
    """Header row 1, data and empty rows 2..last_row, grid columns 1..cols."""
    def want(row, col):
        if row > last_row or col > 25:
            return (11.0, None, None, None, set())
        b = {"left", "right"}
        if row in (1, 2):
            b.add("top")
        if row in (4, last_row - 1, last_row):
            b.add("bottom")
        if row == 1:
            return (12.0, DARK_BLUE, LIGHT_BLUE, "center", b)
        return (12.0, None, WHITE if col <= cols else None, None, b)
    return want


def check_report(ws):
    # 25 x 4 grid: headers row 1, data rows 2-4, empty rows 5-7.
    expect("last row", ws.max_row, 7)
    expect("last column", ws.max_column, 25)
    values = {}
    for c in range(25):
        values[(1, c + 1)] = REPORT_HEADERS[c]
        values[(2, c + 1)] = plain_text(1, c)
        values[(3, c + 1)] = plain_text(2, c) if c >= 18 else None
        values[(4, c + 1)] = plain_text(3, c)
        for row in (5, 6, 7):
            values[(row, c + 1)] = None
    values.update({
        (2, 1): 1,
        (2, 8): "1500012345",
        (2, 14): "0105536000011",
        (2, 16): 1234.5,
        (2, 17): 0,
        (2, 19): datetime.datetime(2010, 5, 15),
        (2, 25): "0012",
    })
    check_cells(ws, values)
    expect("P2 number format", ws["P2"].number_format, "#,##0.00")
    check_formats(ws, 8, 26, report_formats(7, 25))
    check_page(ws, "(Divo-RU)")
    check_widths(ws, REPORT_WIDTHS)


def check_empty_report(ws):
    # The report window's 5 x 5 grid before any search: empty headers, data
    # rows 2-5, empty rows 6-8; the header colours and the borders still reach Y.
    expect("last row", ws.max_row, 8)
    expect("last column", ws.max_column, 25)
    check_cells(ws, {(r, c): None for r in range(1, 9) for c in range(1, 26)})
    check_formats(ws, 9, 26, report_formats(8, 5))
    check_page(ws, "(Divo-RU)")
    check_widths(ws, REPORT_WIDTHS)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("import", "report", "empty-report"):
        print(__doc__)
        return 2
    wb = openpyxl.load_workbook(sys.argv[2])
    expect("sheet names", wb.sheetnames, ["Cheque"])
    ws = wb["Cheque"] if "Cheque" in wb.sheetnames else wb.active
    {"import": check_import, "report": check_report, "empty-report": check_empty_report}[
        sys.argv[1]](ws)
    for f in failures[:60]:
        print(f)
    if len(failures) > 60:
        print("... and %d more" % (len(failures) - 60))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
