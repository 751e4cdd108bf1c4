#!/usr/bin/python3
"""Writes the extra SAP cheque workbooks (.xls) that the import tests read.

usage: make_import_fixtures.py [OUT_DIR]     (default: the folder of this script)

Builds on the shared fixture script (tests/fixtures/make_fixtures.py) for the
sheet layout. The workbooks are committed together with this script.
"""
import os
import sys

sys.dont_write_bytecode = True  # nothing left behind in the shared fixture folder
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "fixtures"))
import make_fixtures as mf  # noqa: E402

OUT = sys.argv[1] if len(sys.argv) > 1 else HERE


def write(name, rows):
    wb, ws = mf.new_sheet()
    for i, line in enumerate(rows):
        mf.write_line(ws, 6 + i, line)
    wb.save(os.path.join(OUT, name))


def header_rules():
    """One cheque over three rows whose header columns differ from row to row,
    and a second cheque that shares the first one's profit-centre code."""
    first = dict(K="50000001", J="01.06.2010", C="P9001", D="ศูนย์ทดสอบ", M="ผู้ขายรายแรก",
                 O="1111111111111", X="KZ", Z="ผู้รับเงินรายแรก")
    write("import_header_rules.xls", [
        mf.base_line(**first, R="5100005001", T="100.00", U="1.00", V="99.00", Y="HR-1"),
        mf.base_line(**dict(first, D="ชื่ออื่น", M="ผู้ขายรายสอง", O="2222222222222", X="ZZ",
                            Z="ผู้รับเงินรายสอง"),
                     R="5100005002", T="200.00", U="2.00", V="198.00", Y="HR-2"),
        mf.base_line(**dict(first, O="3333333333333"), R="5100005003", T="300.00", U="3.00",
                     V="297.00", Y="HR-1"),
        mf.base_line(K="50000002", J="01.06.2010", C="P9001", D="ชื่อที่สาม", R="5100005101",
                     T="50.00", U="0.50", V="49.50", Y="HR-9"),
    ])
    # The same cheque later: new tax number and vendor name, one line already
    # stored (5100005002) and one new line.
    write("import_header_rules_later.xls", [
        mf.base_line(**dict(first, M="ผู้ขายเปลี่ยนชื่อ", O="4444444444444"), R="5100005002",
                     T="200.00", U="2.00", V="198.00", Y="HR-2"),
        mf.base_line(**dict(first, M="ผู้ขายเปลี่ยนชื่อ", O="5555555555555"), R="5100005004",
                     T="400.00", U="4.00", V="396.00", Y="HR-4"),
    ])


def entities():
    """Invoice numbers that the database's XML concatenation escapes. Cheque
    60000001: twenty numbers of 8 characters, 179 characters joined, but 259 as
    escaped XML. Cheque 60000002: a number that already holds an entity's text."""
    rows = [mf.base_line(K="60000001", J="02.06.2010", R="51000060%02d" % i, T="10.00", U="0.00",
                         V="10.00", Y="R&D-%04d" % (i + 1)) for i in range(20)]
    rows.append(mf.base_line(K="60000002", J="02.06.2010", R="5100006101", T="10.00", U="0.00",
                             V="10.00", Y="X&amp;Y<1>"))
    write("import_entities.xls", rows)


def main():
    header_rules()
    entities()


if __name__ == "__main__":
    main()
