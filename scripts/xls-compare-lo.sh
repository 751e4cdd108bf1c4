#!/usr/bin/env bash
# Compares the first worksheet as our readers read it with LibreOffice's reading
# of the same file, cell by cell, over a folder of workbooks (default: the
# shared .xls corpus; .xlsx/.xlsm/.xltx, .ods and XML Spreadsheet 2003 .xml
# files are taken too, e.g. ../shared/corpus/xlsx). Slow (LibreOffice converts
# every file), so not part of ctest.
#
#   scripts/xls-compare-lo.sh [FOLDER] [OUT_DIR]
#
# LibreOffice (libreoffice-calc-nogui) is installed here if missing, never by
# deps.sh. Prints the agreement figures; OUT_DIR (default build/lo-compare)
# keeps the CSVs and differences.txt, every differing cell with its kind.
# REUSE_LO=1 keeps LibreOffice's CSVs from the last run and reads our side again.
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=${1:-../shared/corpus/xls}
OUT=${2:-build/lo-compare}
scripts/deps.sh
if ! command -v soffice >/dev/null; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libreoffice-calc-nogui >/dev/null
fi
scripts/build.sh xls-read

if [ -n "${REUSE_LO:-}" ] && [ -d "$OUT/lo" ]; then
  rm -rf "$OUT/in" "$OUT/ours"
else
  rm -rf "$OUT"
fi
mkdir -p "$OUT/in" "$OUT/lo" "$OUT/ours"
# Inputs under short unique names, so LibreOffice's "<name>-<sheet>.csv" maps back.
i=0
: >"$OUT/names.tsv"
while IFS= read -r -d '' f; do
  i=$((i + 1))
  n=$(printf 'f%04d' "$i")
  # LibreOffice picks its import filter partly by the extension: keep it.
  ext=${f##*.}
  cp "$f" "$OUT/in/$n.${ext,,}"
  printf '%s\t%s\n' "$n" "$f" >>"$OUT/names.tsv"
  timeout 60 build/fuzz/xls-read --dump "$f" >"$OUT/ours/$n.tsv" 2>/dev/null || echo "crash" >"$OUT/ours/$n.tsv"
done < <(find "$SRC" -type f \( -iname '*.xls' -o -iname '*.xlt' -o -iname '*.xla' -o -iname '*.biff5' -o -iname '*.biff8' \
  -o -iname '*.xlsx' -o -iname '*.xlsm' -o -iname '*.xltx' -o -iname '*.ods' -o -iname '*.xml' \) -print0 | sort -z)

# First sheet, UTF-8, raw values (not as shown), in batches with a time limit;
# a batch that runs out of time is retried file by file.
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
convert() {
  timeout "$1" soffice -env:UserInstallation=file://"$profile" --headless \
    --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,1' \
    --outdir "$OUT/lo" "${@:2}" >/dev/null 2>&1
}
mapfile -t inputs < <(ls "$OUT"/in/*)
[ -n "${REUSE_LO:-}" ] && [ "$(ls "$OUT/lo" | wc -l)" -gt 0 ] && inputs=()
for ((k = 0; k < ${#inputs[@]}; k += 25)); do
  batch=("${inputs[@]:k:25}")
  if ! convert 600 "${batch[@]}"; then
    for f in "${batch[@]}"; do
      n=$(basename "$f"); n=${n%.*}
      ls "$OUT/lo/$n"-*.csv >/dev/null 2>&1 || convert 60 "$f" || echo "$n" >>"$OUT/lo-timeouts.txt"
    done
  fi
done

/usr/bin/python3 scripts/xls_compare.py "$OUT"
