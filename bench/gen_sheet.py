#!/usr/bin/python3
"""Writes a synthetic SAP vendor-cheque sheet (.xls) for the benchmarks.

usage: gen_sheet.py ROWS OUT.xls [--seed N]
       gen_sheet.py ROWS OUT.xlsx [--seed N]     the same sheet as .xlsx (python3-xlsxwriter)
       gen_sheet.py ROWS OUT.ods [--seed N]      ... as OpenDocument, written here as a spreadsheet program does
       gen_sheet.py ROWS OUT.xml [--seed N]      ... as XML Spreadsheet 2003

ROWS is the number of sheet rows including the five heading rows (at most
65,536, the limit of an Excel 97-2003 sheet), so ROWS - 5 payment lines.
Cheques have 1 to 12 invoice lines, vendors have Thai names, and the lines are
spread over several profit centres.
"""
import argparse
import random

import xlwt

PROFIT_CENTRES = [
    ("P1010", "สำนักงานใหญ่"), ("P2020", "ฝ่ายบัญชีและการเงิน"), ("P3030", "สาขาเชียงใหม่"),
    ("P4040", "สาขาขอนแก่น"), ("P5050", "สาขาหาดใหญ่"), ("P6060", "ฝ่ายจัดซื้อ"),
    ("P7070", "ฝ่ายบริหารทรัพย์สิน"), ("P8080", "สาขาชลบุรี"),
]
PREFIXES = ["บริษัท", "ห้างหุ้นส่วนจำกัด", "ร้าน", "บริษัท"]
WORDS = ["สยาม", "ไทยรุ่งเรือง", "เจริญพาณิชย์", "ก่อสร้าง", "วัสดุภัณฑ์", "การพิมพ์", "อุปกรณ์สำนักงาน",
         "ขนส่ง", "เทคโนโลยี", "บริการ", "อาหาร", "เกษตรภัณฑ์", "ยานยนต์", "ไฟฟ้า", "ศรีสุข", "มั่นคง"]
SUFFIXES = [" จำกัด", " จำกัด (มหาชน)", "", " จำกัด"]
DESCRIPTIONS = ["ค่าวัสดุสำนักงาน", "ค่าซ่อมบำรุง", "ค่าบริการขนส่ง", "ค่าจ้างเหมา", "ค่าเช่าอาคาร",
                "ค่าอุปกรณ์คอมพิวเตอร์", "ค่าน้ำมันเชื้อเพลิง", "ค่าพิมพ์เอกสาร"]


def vendor_name(rng):
    return rng.choice(PREFIXES) + " " + rng.choice(WORDS) + rng.choice(WORDS) + rng.choice(SUFFIXES)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("rows", type=int)
    ap.add_argument("out")
    ap.add_argument("--seed", type=int, default=2569)
    # Amount columns T, U, V as text (as SAP writes them), as numbers, or as
    # formulas without stored results (xlwt: ROUND(total,2), ROUND(T*rate,2), T-U).
    ap.add_argument("--amounts", choices=["text", "numbers", "formulas"], default="text")
    args = ap.parse_args()
    if not 6 <= args.rows <= 65536:
        ap.error("rows must be between 6 and 65536")
    rng = random.Random(args.seed)

    cells = {}  # (row, col) 0-based -> text

    class Sheet:
        def write(self, r, c, v):
            cells[(r, c)] = v

    ws = Sheet()
    ws.write(0, 0, "รายงานการจ่ายเช็คเจ้าหนี้")
    ws.write(2, 0, "Company Code 1000")
    headers = ["", "", "Profit Center Code", "Profit Center", "Deka Creat", "Deka Recei", "Payment Method",
               "Deka Number", "Clearing Document", "Clearing Date", "Check No.", "Vendor", "Vendor Name",
               "Delivery Mode", "Tax Number", "Status", "Pstng Date", "DocumentNo", "Description",
               "Total Amou", "WHT Amount", "To Be Paid", "Fund", "Reference", "Reference(Invoice_No)",
               "เจ้าหนี้ผู้มีสิทธิรับเงิน (ตามหน้าเช็ค)"]
    for c, h in enumerate(headers):
        ws.write(4, c, h)

    r = 5
    cheque = 100000
    doc = 5100000000
    lines_total = args.rows - 5
    while r - 5 < lines_total:
        cheque += 1
        lines = min(rng.randint(1, 12), lines_total - (r - 5))
        pc_code, pc_name = rng.choice(PROFIT_CENTRES)
        day, month, year = rng.randint(1, 28), rng.randint(1, 12), rng.choice([2024, 2025, 2026])
        clearing = "%02d.%02d.%d" % (day, month, year)
        created = "%02d.%02d.%d" % (max(1, day - 3), month, year)
        vendor_no = str(rng.randint(2000000, 2999999))
        name = vendor_name(rng)
        tax = "%013d" % rng.randint(10 ** 12, 10 ** 13 - 1)
        deka = "DK%08d" % rng.randint(0, 99999999)
        clear_doc = str(2000000000 + cheque)
        for _ in range(lines):
            doc += 1
            total = round(rng.uniform(100, 250000), 2)
            wht = round(total * rng.choice([0, 0.01, 0.03]), 2)
            row = ["", "", pc_code, pc_name, created, clearing, rng.choice(["C", "K"]), deka, clear_doc, clearing,
                   str(cheque), vendor_no, name, rng.choice(["1", "2"]), tax, "P", created, str(doc),
                   rng.choice(DESCRIPTIONS), "%.2f" % total, "%.2f" % wht, "%.2f" % (total - wht),
                   "F%03d" % rng.randint(1, 40), "KZ", "INV%07d" % rng.randint(0, 9999999), name]
            if args.amounts == "numbers":
                row[19], row[20], row[21] = total, wht, round(total - wht, 2)
            elif args.amounts == "formulas":
                import xlwt
                row[19] = xlwt.Formula("ROUND(%r,2)" % total)
                row[20] = xlwt.Formula("ROUND(T%d*%r,2)" % (r + 1, wht / total if total else 0))
                row[21] = xlwt.Formula("T%d-U%d" % (r + 1, r + 1))
            for c in range(2, 26):
                ws.write(r, c, row[c])
            r += 1
    save(cells, args.out)


def rows_of(cells):
    """{row: [(col, text), ...]} of the non-empty cells, in order."""
    rows = {}
    for (r, c), v in sorted(cells.items()):
        if v != "":
            rows.setdefault(r, []).append((c, v))
    return rows


def save_ods(cells, out):
    import zipfile
    from xml.sax.saxutils import escape
    parts = ['<?xml version="1.0" encoding="UTF-8"?>\n<office:document-content '
             'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
             'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
             'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3">'
             '<office:body><office:spreadsheet><table:table table:name="Sheet1">']
    last = -1
    for r, row in rows_of(cells).items():
        if r > last + 1:
            parts.append('<table:table-row table:number-rows-repeated="%d"><table:table-cell/></table:table-row>'
                         % (r - last - 1))
        parts.append("<table:table-row>")
        col = 0
        for c, v in row:
            if c > col:
                parts.append('<table:table-cell table:number-columns-repeated="%d"/>' % (c - col))
            parts.append('<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>'
                         % escape(v))
            col = c + 1
        parts.append("</table:table-row>")
        last = r
    parts.append("</table:table></office:spreadsheet></office:body></office:document-content>")
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n<manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.3">'
                '<manifest:file-entry manifest:full-path="/" '
                'manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>')
    with zipfile.ZipFile(out, "w") as z:
        z.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet", zipfile.ZIP_STORED)
        z.writestr("content.xml", "".join(parts), zipfile.ZIP_DEFLATED)
        z.writestr("META-INF/manifest.xml", manifest, zipfile.ZIP_DEFLATED)


def save_xml2003(cells, out):
    from xml.sax.saxutils import escape
    parts = ['<?xml version="1.0" encoding="UTF-8"?>\n<?mso-application progid="Excel.Sheet"?>\n'
             '<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet" '
             'xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet">\n'
             '<Worksheet ss:Name="Sheet1"><Table>\n']
    for r, row in rows_of(cells).items():
        parts.append('<Row ss:Index="%d">' % (r + 1))
        for c, v in row:
            parts.append('<Cell ss:Index="%d"><Data ss:Type="String">%s</Data></Cell>' % (c + 1, escape(v)))
        parts.append("</Row>\n")
    parts.append("</Table></Worksheet></Workbook>\n")
    with open(out, "w", encoding="utf-8") as f:
        f.write("".join(parts))


def save(cells, out):
    if out.endswith(".ods"):
        save_ods(cells, out)
        return
    if out.endswith(".xml"):
        save_xml2003(cells, out)
        return
    if out.endswith(".xlsx"):
        # python3-xlsxwriter writes a shared-string table, as a spreadsheet
        # program saves one (this openpyxl writes every text inline).
        import xlsxwriter
        wb = xlsxwriter.Workbook(out)
        ws = wb.add_worksheet("Sheet1")
        for (r, c), v in sorted(cells.items()):
            if v != "":
                ws.write_string(r, c, v)
        wb.close()
        return
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("Sheet1")
    for (r, c), v in cells.items():
        ws.write(r, c, v)
    wb.save(out)


if __name__ == "__main__":
    main()
