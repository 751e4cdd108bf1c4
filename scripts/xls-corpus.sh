#!/usr/bin/env bash
# Runs every file of a folder (default: the shared corpus) through the .xls
# reader built with AddressSanitizer and UBSan, one process per file, and
# counts what became of them: read, refused with a message, or anything else
# (a sanitizer report, a crash, a hang past 60 s, output that is neither),
# which must be 0. Then times each file in the ordinary build and reports the
# slowest read and the largest peak memory beyond the program's own, per byte of file.
#
#   scripts/xls-corpus.sh [FOLDER]
#
# The sanitized build lives in build-asan/ (CMake option CHEQUE_SANITIZE).
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=${1:-../shared/corpus/xls}
scripts/deps.sh
if [ ! -f build-asan/CMakeCache.txt ]; then
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHEQUE_SANITIZE=ON -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build build-asan --target xls-read -j"$(nproc)" >/dev/null
scripts/build.sh xls-read

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:exitcode=86
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=87
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# What the process takes for a small workbook (5.6 kB, one sheet): the
# libraries' own share, against which each file's peak is set.
/usr/bin/time -f '%M' -o "$out/mem" build/fuzz/xls-read tests/fixtures/cheques_no_lines.xls >/dev/null 2>&1
base=$(tail -1 "$out/mem")
read=0 refused=0 other=0 slowest=0 slowest_file="" worst_ratio=0 worst_file=""
while IFS= read -r -d '' f; do
  rc=0
  timeout 60 build-asan/fuzz/xls-read "$f" >"$out/stdout" 2>"$out/stderr" || rc=$?
  kind=$(cut -f1 "$out/stdout")
  if [ $rc -eq 0 ] && [ ! -s "$out/stderr" ] && { [ "$kind" = read ] || [ "$kind" = refused ]; }; then
    if [ "$kind" = read ]; then read=$((read + 1)); else refused=$((refused + 1)); fi
  else
    other=$((other + 1))
    echo "OTHER (exit $rc): $f"
    head -20 "$out/stderr"
  fi
  # the ordinary build: time and peak memory of the same read
  /usr/bin/time -f '%M' -o "$out/mem" timeout 10 build/fuzz/xls-read "$f" >"$out/plain" 2>/dev/null || true
  ms=$(awk -F'\t' '{print ($1 == "read") ? $3 : $2}' "$out/plain")
  kb=$(tail -1 "$out/mem")
  size=$(stat -c %s "$f")
  if [ -n "$ms" ] && [ "$ms" -gt "$slowest" ]; then slowest=$ms; slowest_file=$f; fi
  ratio=$(awk -v k="$kb" -v b="$base" -v s="$size" 'BEGIN { printf "%.1f", ((k - b) * 1024) / s }')
  if awk -v a="$ratio" -v b="$worst_ratio" 'BEGIN { exit !(a > b) }'; then worst_ratio=$ratio; worst_file="$f ($kb kB peak, $size bytes)"; fi
done < <(find "$SRC" -type f ! -name '*.tsv' ! -name '*.md' -print0 | sort -z)

echo "sanitized build: read $read, refused with a message $refused, anything else $other"
echo "ordinary build: slowest $slowest ms ($slowest_file)"
echo "largest peak memory above a small workbook's read ($base kB), per byte of file: $worst_ratio ($worst_file)"
[ "$other" -eq 0 ]
