#!/usr/bin/env python3
"""Checks that every statement the test suite sent to the database is T-SQL
that SQL Server would accept, by parsing each with sqlfluff's tsql dialect.

The statements come from the CHEQUE_SQL_LOG folder, where every test program
appends the distinct statements it ran, separated by a line "GO". Statements
that differ only in their literal values are parsed once (plus once more when
a value holds a doubled quote), since sqlfluff is slow to start and parse.

Scripts given after the folder (the SQL Server catalogue script) are parsed
whole in the same run.

Usage: check_statements.py LOG_FOLDER [SCRIPT...]
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

LITERAL = re.compile(r"'(?:[^']|'')*'")
NUMBER = re.compile(r"(?<![\w.])\d+(?:\.\d+)?(?![\w.])")
BATCH = 150  # files per sqlfluff run


def read_statements(files):
    found = []
    for path in files:
        with open(path, encoding="utf-8", newline="") as f:
            text = f.read()
        current = []
        for line in text.split("\r\n"):
            if line == "GO":
                stmt = "\r\n".join(current)
                if stmt.strip():
                    found.append(stmt)
                current = []
            else:
                current.append(line)
    return found


def shape(stmt):
    return NUMBER.sub("0", LITERAL.sub("'?'", stmt))


def has_doubled_quote(stmt):
    return any("''" in lit[1:-1] for lit in LITERAL.findall(stmt))


def choose(statements):
    chosen, plain, quoted = [], set(), set()
    for s in dict.fromkeys(statements):
        k = shape(s)
        if k not in plain:
            plain.add(k)
            chosen.append(s)
        elif has_doubled_quote(s) and k not in quoted:
            quoted.add(k)
            chosen.append(s)
    return chosen


def unparsable(statements):
    bad = []
    with tempfile.TemporaryDirectory() as tmp:
        for start in range(0, len(statements), BATCH):
            chunk = statements[start:start + BATCH]
            folder = os.path.join(tmp, str(start))
            os.mkdir(folder)
            for i, s in enumerate(chunk):
                with open(os.path.join(folder, "%04d.sql" % i), "w", encoding="utf-8", newline="") as f:
                    f.write(s + "\r\n")
            run = subprocess.run(["sqlfluff", "parse", "--dialect", "tsql", "--format", "json", folder],
                                 capture_output=True, text=True)
            try:
                results = json.loads(run.stdout)
            except ValueError:
                sys.exit("sqlfluff gave no readable result:\n" + run.stdout[-2000:] + run.stderr[-2000:])
            if len(results) != len(chunk):
                sys.exit("sqlfluff parsed %d of %d statements:\n%s" % (len(results), len(chunk), run.stderr[-2000:]))
            for r in results:
                index = int(os.path.basename(r["filepath"])[:4])
                if "unparsable" in json.dumps(r["segments"]):
                    bad.append(chunk[index])
    return bad


def main():
    log = sys.argv[1]
    scripts = []
    for path in sys.argv[2:]:
        with open(path, encoding="utf-8", newline="") as f:
            scripts.append(f.read())
    last = os.path.join(log, "last")
    files = sorted(os.path.join(log, f) for f in os.listdir(log) if f.endswith(".sql"))
    if files:
        # This run's statements replace the previous run's.
        shutil.rmtree(last, ignore_errors=True)
        os.makedirs(last)
        for f in files:
            shutil.move(f, last)
    elif os.path.isdir(last):
        print("No new statements: checking the previous run's again.")
    files = sorted(os.path.join(last, f) for f in os.listdir(last)) if os.path.isdir(last) else []

    statements = read_statements(files)
    if not statements:
        sys.exit("No statements were logged in %s: run the whole test suite first." % log)
    chosen = choose(statements)
    bad = unparsable(chosen + scripts)
    print("%d distinct statements, %d shapes parsed, %d unparsable." % (len(set(statements)), len(chosen), len(bad)))
    if scripts:
        print("%d scripts parsed with them." % len(scripts))
    for s in bad:
        print("---- sqlfluff cannot parse as T-SQL:\n" + s.replace("\r\n", "\n"))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
