#!/usr/bin/env bash
# Builds the benchmark program, makes its inputs once (kept in build/bench-data),
# runs every figure beside the limit it is measured against, and prints a table.
# Each figure is the median of REPEAT runs (default 3; saves run once each),
# every run its own process so that its peak memory is its own.
# ONLY=read runs the read figures alone.
set -euo pipefail
cd "$(dirname "$0")/.."
REPEAT=${REPEAT:-3}
scripts/deps.sh
scripts/build.sh cheque-bench >/dev/null
B=build/bench/cheque-bench
D=build/bench-data
mkdir -p "$D"
export QT_QPA_PLATFORM=offscreen

[ -f "$D/sheet-65536.xls" ] || /usr/bin/python3 bench/gen_sheet.py 65536 "$D/sheet-65536.xls"
[ -f "$D/sheet-10005.xls" ] || /usr/bin/python3 bench/gen_sheet.py 10005 "$D/sheet-10005.xls"
if [ ! -f "$D/sheet-65536.xlsx" ]; then
  # The same sheet as .xlsx: python3-xlsxwriter, a benchmark-only package.
  if ! /usr/bin/python3 -c 'import xlsxwriter' 2>/dev/null; then
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends python3-xlsxwriter >/dev/null
  fi
  /usr/bin/python3 bench/gen_sheet.py 65536 "$D/sheet-65536.xlsx"
fi
# The same sheet as OpenDocument and as XML Spreadsheet 2003, written by the script.
[ -f "$D/sheet-65536.ods" ] || /usr/bin/python3 bench/gen_sheet.py 65536 "$D/sheet-65536.ods"
[ -f "$D/sheet-65536.xml" ] || /usr/bin/python3 bench/gen_sheet.py 65536 "$D/sheet-65536.xml"
# The same sheet with its amounts as plain numbers and as formulas that must be
# calculated (python3-xlwt writes no recalculation record, so none is trusted).
[ -f "$D/sheet-65536-numbers.xls" ] || /usr/bin/python3 bench/gen_sheet.py 65536 "$D/sheet-65536-numbers.xls" --amounts numbers
[ -f "$D/sheet-65536-formulas.xls" ] || /usr/bin/python3 bench/gen_sheet.py 65536 "$D/sheet-65536-formulas.xls" --amounts formulas
if [ "${ONLY:-}" != read ] && [ ! -f "$D/report-home/.done" ]; then
  rm -rf "$D/report-home"
  "$B" gen-db "$D/report-home" 1000000 >/dev/null
  touch "$D/report-home/.done"
fi

# run N ARGS...: median seconds, peak kB of that run, detail of that run
run() {
  local n=$1; shift
  local out=()
  for _ in $(seq "$n"); do
    out+=("$("$B" "$@" 2>/dev/null | grep '^RESULT' | cut -d' ' -f2-)")
  done
  printf '%s\n' "${out[@]}" | sort -g | sed -n "$(( (n + 1) / 2 ))p"
}
secs() { cut -d' ' -f1 <<<"$1"; }
mb() { awk '{printf "%.0f", $2 / 1024}' <<<"$1"; }
detail() { cut -d' ' -f3- <<<"$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

rows=()
row() { rows+=("| $1 | $2 | $3 | $4 | $5 | $6 |"); }

r=$(run "$REPEAT" read "$D/sheet-65536.xls"); f=$(run "$REPEAT" read-stream "$D/sheet-65536.xls")
row "read 65,536-row sheet into the import grid" "$(secs "$r") s" "libgsf alone reading the workbook stream $(secs "$f") s" \
    "$(ratio "$(secs "$r")" "$(secs "$f")")" "$(mb "$r") (libgsf $(mb "$f"))" "$(detail "$r")"
x=$(run "$REPEAT" read "$D/sheet-65536.xlsx"); xf=$(run "$REPEAT" read-xlsx-floor "$D/sheet-65536.xlsx")
row "read the same sheet saved as .xlsx" "$(secs "$x") s" \
    "1.5 s, and 2x libgsf inflating the sheet part + one QXmlStreamReader pass $(secs "$xf") s; peak 2x the .xls read" \
    "$(ratio "$(secs "$x")" "$(secs "$xf")")" "$(mb "$x") (floor $(mb "$xf"), .xls $(mb "$r"))" "$(detail "$x")"
for form in ods xml; do
  o=$(run "$REPEAT" read "$D/sheet-65536.$form")
  row "read the same sheet saved as .$form" "$(secs "$o") s" "the .xls read $(secs "$r") s" \
      "$(ratio "$(secs "$o")" "$(secs "$r")")" "$(mb "$o") (.xls $(mb "$r"))" "$(detail "$o")"
done
# The read as the import window makes it: the summary beside the grid and the
# file's SHA-256, against the read alone (limit +5 %).
rs=$(run "$REPEAT" read-summary "$D/sheet-65536.xls")
row "read 65,536-row sheet with its summary and SHA-256" "$(secs "$rs") s" "read alone $(secs "$r") s, target 1.05x" \
    "$(ratio "$(secs "$rs")" "$(secs "$r")")" "$(mb "$rs")" "$(detail "$rs")"
n=$(run "$REPEAT" read "$D/sheet-65536-numbers.xls"); fm=$(run "$REPEAT" read "$D/sheet-65536-formulas.xls")
row "read 65,536-row sheet whose T, U, V are formulas to calculate" "$(secs "$fm") s" \
    "the same sheet with plain numbers $(secs "$n") s, target 2x" \
    "$(ratio "$(secs "$fm")" "$(secs "$n")")" "$(mb "$fm") (numbers $(mb "$n"))" "$(detail "$fm")"
# The same read by an earlier build of the program, when OLD_BENCH names its
# cheque-bench (for comparing two readers in one run).
if [ -n "${OLD_BENCH:-}" ]; then
  o=$(B=$OLD_BENCH; run "$REPEAT" read "$D/sheet-65536.xls")
  row "read 65,536-row sheet, earlier build ($OLD_BENCH)" "$(secs "$o") s" "this build $(secs "$r") s" \
      "$(ratio "$(secs "$r")" "$(secs "$o")")" "$(mb "$o")" "$(detail "$o")"
fi

if [ "${ONLY:-}" = read ]; then
  echo "| figure | measured | limit | ratio | peak MB | detail |"
  echo "|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  exit 0
fi

# The save's floor: the same statements straight on SQLite in one transaction,
# on a database in the state the program's save found (bench/BenchSave.cpp).
for sheet in 10005 65536; do
  s=$(run 1 save "$D/save-home-$sheet" "$D/sheet-$sheet.xls" --fresh --statements "$D/statements-fresh.txt")
  q=$(run 1 sqlite-alone-save "$D/alone.sqlite" "$D/sheet-$sheet.xls" "$D/statements-fresh.txt" --fresh)
  limit="SQLite alone $(secs "$q") s, one transaction"
  [ "$sheet" = 65536 ] && limit="$limit; target 1.5x and 3 s"
  row "save $(( sheet - 5 )) rows into an empty database" "$(secs "$s") s" "$limit" \
      "$(ratio "$(secs "$s")" "$(secs "$q")")" "$(mb "$s")" "$(detail "$s")"
  if [ "$sheet" = 65536 ]; then
    # The filled database as the re-import finds it, for the floor to start from.
    cp "$(find "$D/save-home-$sheet" -name PL_Cheque_Vendor.sqlite)" "$D/alone.sqlite"
    rm -f "$D/alone.sqlite-wal" "$D/alone.sqlite-shm"
    s=$(run 1 save "$D/save-home-$sheet" "$D/sheet-$sheet.xls" --statements "$D/statements-again.txt")
    q=$(run 1 sqlite-alone-save "$D/alone.sqlite" "$D/sheet-$sheet.xls" "$D/statements-again.txt")
    row "re-import the same sheet into the filled database" "$(secs "$s") s" \
        "SQLite alone $(secs "$q") s, one transaction; target 1.5x and 3 s" \
        "$(ratio "$(secs "$s")" "$(secs "$q")")" "$(mb "$s")" "$(detail "$s")"
  fi
done
rm -f "$D/alone.sqlite"*

r=$(run "$REPEAT" report "$D/report-home" "" --twice); a=$(run "$REPEAT" report-alone "$D/report-home")
row "report \"All\" over 1,000,000 invoice lines" "$(secs "$r") s" \
    "SQLite alone $(secs "$a") s; target 2.5 s, 500 MB, 2x" \
    "$(ratio "$(secs "$r")" "$(secs "$a")")" "$(mb "$r") (alone $(mb "$a"))" "$(detail "$r")"
r=$(run "$REPEAT" report "$D/report-home" "ศรีสุข"); a=$(run "$REPEAT" report-alone "$D/report-home" "ศรีสุข")
row "report by vendor name (\"ศรีสุข\") over the same" "$(secs "$r") s" \
    "SQLite alone $(secs "$a") s; before 1.018 s" \
    "$(ratio "$(secs "$r")" "$(secs "$a")")" "$(mb "$r") (alone $(mb "$a"))" "$(detail "$r")"

e=$(run "$REPEAT" export 100000 "$D/export.xlsx"); x=$(run "$REPEAT" xlsx-alone 100000 "$D/alone.xlsx")
row "export 100,000 x 25 report grid to .xlsx" "$(secs "$e") s" "libxlsxwriter alone $(secs "$x") s, target 2x" \
    "$(ratio "$(secs "$e")" "$(secs "$x")")" "$(mb "$e") (alone $(mb "$x"))" "$(detail "$e")"

echo "| figure | measured | limit | ratio | peak MB | detail |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
