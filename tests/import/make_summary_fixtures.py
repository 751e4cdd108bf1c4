#!/usr/bin/python3
"""Writes the SAP cheque workbooks (.xls) that the read-summary and ledger
tests read: lines taken and rows passed over, a totals row that agrees, one
that is a satang off, none at all, cells the save refuses, and long cells.

usage: make_summary_fixtures.py [OUT_DIR]     (default: the folder of this script)

The workbooks are committed together with this script.
"""
import os
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "fixtures"))
import make_fixtures as mf  # noqa: E402

OUT = sys.argv[1] if len(sys.argv) > 1 else HERE

# Three lines of two cheques, then three rows the read passes over: a bank
# transfer without a check number, a line without a profit centre, a subtotal
# without either.
LINES = [
    mf.base_line(K="70000001", R="5100007001", T="1070.00", U="10.00", V="1060.00", Y="SUM-1"),
    mf.base_line(K="70000001", R="5100007002", T="500.50", U="5.05", V="495.45", Y="SUM-2"),
    mf.base_line(K="70000002", R="5100007003", T="2000.00", U="20.00", V="1980.00", Y="SUM-3"),
    mf.base_line(K=None, R="5100007004", T="300.00", U="3.00", V="297.00", G="T"),
    mf.base_line(C=None, K="70000003", R="5100007005", T="100.00", U="1.00", V="99.00"),
    mf.base_line(C=None, K=None, R=None, T="0.01", U="0.00", V="0.01"),
]


def write(name, rows, totals_row=None, totals=None):
    wb, ws = mf.new_sheet()
    for i, line in enumerate(rows):
        mf.write_line(ws, 6 + i, line)
    if totals_row:
        # The sheet's own totals: numbers, in a row whose column E is empty.
        ws.write(totals_row - 1, mf.col("S"), "รวม")
        for letter, value in zip("TUV", totals):
            ws.write(totals_row - 1, mf.col(letter), value)
    wb.save(os.path.join(OUT, name))


def main():
    write("summary_reconciles.xls", LINES, 12, (3970.51, 39.05, 3931.46))
    # The totals one row further down, and one satang more WHT than the lines.
    write("summary_off_by_satang.xls", LINES, 13, (3970.51, 39.06, 3931.46))
    write("summary_no_totals.xls", LINES[:3])
    # Cells the save refuses: an amount with a thousands separator, a check
    # number longer than its column holds.
    write("summary_refused.xls", [
        LINES[0],
        mf.base_line(K="70000004", R="5100007006", T="1,070.00", U="10.00", V="1060.00"),
        mf.base_line(K="7" * 446, R="5100007007", T="1.00", U="0.00", V="1.00"),
    ])
    # Long cells that the columns now hold: a check number and clearing date
    # past 100 characters, a profit-centre code past 40, a long vendor name.
    write("summary_long_cells.xls", [
        mf.base_line(K="8" * 120, J="15.05.2010" + " ลงวันที่" * 20, C="P" * 60, M="บริษัท " * 200,
                     R="5100007008", T="10.00", U="0.00", V="10.00"),
    ])


if __name__ == "__main__":
    main()
