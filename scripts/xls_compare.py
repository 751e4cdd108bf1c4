#!/usr/bin/python3
"""Cell-by-cell comparison of our reading of the first worksheet with LibreOffice's.

usage: xls_compare.py OUT_DIR    (made by scripts/xls-compare-lo.sh)

OUT_DIR/names.tsv maps short names to the files; OUT_DIR/ours/NAME.tsv is
`xls-read --dump`, OUT_DIR/lo/NAME-<sheet>.csv LibreOffice's first sheet.
Cells are compared where either side holds something. The same value in
another spelling counts as agreement: a date dd.mm.yyyy against LibreOffice's
MM/DD/YYYY, a number to 15 significant digits, an error by its code.
Writes OUT_DIR/differences.txt and prints the figures.
"""
import collections
import csv
import glob
import math
import os
import re
import sys

csv.field_size_limit(1 << 30)
OUT = sys.argv[1]

DATE_OURS = re.compile(r"^(\d\d)\.(\d\d)\.(\d{4})( \d\d:\d\d:\d\d)?$")
DATE_LO = re.compile(r"^(\d\d)/(\d\d)/(\d{4})( \d\d:\d\d:\d\d)?$")
TIME = re.compile(r"^\d\d:\d\d:\d\d$")
ERROR = re.compile(r"#(NULL!|DIV/0!|VALUE!|REF!|NAME\?|NUM!|N/A|GETTING_DATA|ERROR)")
LO_ERR = {"Err:502": "#NUM!", "Err:504": "#VALUE!", "Err:508": "#VALUE!", "Err:511": "#VALUE!",
          "Err:522": "#VALUE!", "Err:523": "#NUM!", "Err:532": "#DIV/0!"}


def unescape(s):
    out, i = [], 0
    while i < len(s):
        if s[i] == "\\" and i + 1 < len(s):
            out.append({"t": "\t", "n": "\n", "r": "\r", "\\": "\\"}.get(s[i + 1], s[i + 1]))
            i += 2
        else:
            out.append(s[i])
            i += 1
    return "".join(out)


def number(s):
    try:
        v = float(s)
    except ValueError:
        return None
    return v if math.isfinite(v) else None


def lo_date(s):
    m = DATE_LO.match(s)
    if not m:
        return None
    t = m.group(4) or ""
    return "%s.%s.%s%s" % (m.group(2), m.group(1), m.group(3), "" if t == " 00:00:00" else t)


PERCENT = re.compile(r"^-?[\d.]+(E[+-]?\d+)?%$")
AMPM = re.compile(r"^(?:(\d\d/\d\d/\d{4}) )?(\d\d):(\d\d):(\d\d) (AM|PM)$")


ISO = re.compile(r"^(\d{4})-(\d\d)-(\d\d)( \d\d:\d\d:\d\d)?$")
COMMA = re.compile(r"^-?\d+,\d+$")


def lo_plain(l):
    """LibreOffice's raw export still writes some values as their format shows
    them: percentages, 12-hour times, ISO dates, the format locale's decimal
    comma. They are put back into its plain spelling here."""
    m = ISO.match(l)
    if m:
        return "%s/%s/%s%s" % (m.group(2), m.group(3), m.group(1), m.group(4) or "")
    if COMMA.match(l):
        return l.replace(",", ".")
    if PERCENT.match(l):
        return repr(float(l[:-1]) / 100)
    m = AMPM.match(l)
    if m:
        h = int(m.group(2)) % 12 + (12 if m.group(5) == "PM" else 0)
        t = "%02d:%s:%s" % (h, m.group(3), m.group(4))
        return "%s %s" % (m.group(1), t) if m.group(1) else t
    return l


def shown(o):
    if o.startswith("!"):
        m = ERROR.search(o)
        return "!" + (m.group(0) if m else "") + " ..." + o[-50:]
    return o[:120]


def kind_of(o, l):
    """None when the two agree, else the kind of difference."""
    if o == l:
        return None
    l = lo_plain(l)
    if o == l:
        return None
    if o.startswith("!"):
        m = ERROR.search(o)
        code = m.group(0) if m else None
        if code and (code == l or LO_ERR.get(l) == code):
            return None
        if "เสียหาย" in o:
            return "ours: damaged cell"
        return "error code" if l.startswith("#") or l.startswith("Err:") else "ours: error, LO: value"
    if not o:
        return "ours empty"
    if not l:
        return "LO empty"
    if o in ("TRUE", "FALSE") and l == ("1" if o == "TRUE" else "0"):
        return None  # a boolean, written by LibreOffice as its number
    if DATE_OURS.match(o) or TIME.match(o):
        d = lo_date(l) if DATE_LO.match(l) else l
        if d == o:
            return None
        # LibreOffice writes the whole date-time where the cell's format
        # shows only its date or only its time.
        if d[:10] == o and DATE_OURS.match(d):
            return None
        if TIME.match(o) and d.endswith(" " + o):
            return None
        m = DATE_OURS.match(o)
        if m and DATE_LO.match(l):
            import datetime
            ours = datetime.date(int(m.group(3)), int(m.group(2)), int(m.group(1))) if m.group(1) != "00" and \
                not (m.group(1) == "29" and m.group(2) == "02" and m.group(3) == "1900") else None
            lm = DATE_LO.match(l)
            try:
                theirs = datetime.date(int(lm.group(3)), int(lm.group(1)), int(lm.group(2)))
            except ValueError:
                return "date differs"
            if theirs < datetime.date(1900, 3, 1) and (ours is None or ours - theirs == datetime.timedelta(days=1)):
                return "1900 leap-year day"
        if DATE_LO.match(l) or TIME.match(l):
            return "date differs"
        return "ours date, LO not"
    if DATE_LO.match(l):
        return "LO date, ours not"
    a, b = number(o), number(l)
    if a is not None and b is not None:
        if a == b or math.isclose(a, b, rel_tol=1e-13) or float("%.15g" % b) == a:
            return None
        return "number differs"
    if a is not None or b is not None:
        return "number vs text"
    if o.strip() == l.strip():
        return "blanks differ"
    if o.replace("\r\n", "\n").replace("\r", "\n") == l.replace("\r\n", "\n").replace("\r", "\n"):
        return "line breaks differ"
    return "text differs"


names = {}
with open(os.path.join(OUT, "names.tsv"), encoding="utf-8") as f:
    for line in f:
        n, path = line.rstrip("\n").split("\t", 1)
        names[n] = path

files = collections.Counter()
cells = 0
same = 0
kinds = collections.Counter()
per_file = collections.Counter()
examples = collections.defaultdict(list)
with open(os.path.join(OUT, "differences.txt"), "w", encoding="utf-8") as report:
    for n, path in sorted(names.items()):
        with open(os.path.join(OUT, "ours", n + ".tsv"), encoding="utf-8", errors="replace") as f:
            lines = f.read().split("\n")
            if lines and lines[-1] == "":
                lines.pop()
        lo_files = glob.glob(os.path.join(OUT, "lo", glob.escape(n) + "-*.csv")) + \
            glob.glob(os.path.join(OUT, "lo", glob.escape(n) + ".csv"))
        if lines[:1] == ["crash"]:
            files["ours crashed"] += 1
            continue
        refused = bool(lines) and lines[0].startswith("refused\t")
        if refused and not lo_files:
            files["both refuse"] += 1
            continue
        if refused:
            files["ours refuses, LO reads"] += 1
            report.write("REFUSED-BY-US %s: %s\n" % (path, lines[0][8:]))
            continue
        if not lo_files:
            files["ours reads, LO refuses"] += 1
            report.write("REFUSED-BY-LO %s\n" % path)
            continue
        files["compared"] += 1
        ours = {}
        for line in lines:
            r, c, t = line.split("\t", 2)
            ours[(int(r), int(c))] = unescape(t)
        lo = {}
        with open(lo_files[0], encoding="utf-8", errors="replace", newline="") as f:
            for r, row in enumerate(csv.reader(f), 1):
                for c, t in enumerate(row, 1):
                    if t != "":
                        lo[(r, c)] = t
        for key in sorted(set(ours) | set(lo)):
            o, l = ours.get(key, ""), lo.get(key, "")
            cells += 1
            k = kind_of(o, l)
            if k is None:
                same += 1
                continue
            kinds[k] += 1
            per_file[(k, path)] += 1
            report.write("%s\t%s\tR%dC%d\tours=%r\tLO=%r\n" % (k, path, key[0], key[1], shown(o), l[:120]))
            if len(examples[k]) < 3:
                examples[k].append("%s R%dC%d ours=%r LO=%r" % (os.path.basename(path), key[0], key[1], shown(o)[:60], l[:60]))

print("files:", ", ".join("%s %d" % kv for kv in sorted(files.items())))
print("cells compared: %d, same: %d, differ: %d (%.4f%% agree)" % (cells, same, cells - same,
                                                                    100.0 * same / max(cells, 1)))
for k, v in kinds.most_common():
    nfiles = len({p for (kk, p) in per_file if kk == k})
    print("  %-26s %7d cells in %d files" % (k, v, nfiles))
    for e in examples[k]:
        print("      e.g.", e)
