#!/usr/bin/env bash
# Compares the report grid of this build with that of an earlier commit, cell
# by cell, on the benchmark database (1,000,000 invoice lines, made by
# bench/run.sh): "All", and by vendor name. The earlier commit is checked out
# beside this one and only its report, with bench/report-dump, is built.
#
#   bench/compare-report.sh [COMMIT]     default 12a9ee2 (the report before it streamed)
set -euo pipefail
cd "$(dirname "$0")/.."
BEFORE=${1:-12a9ee2}
D=build/bench-data
[ -f "$D/report-home/.done" ] || { echo "no benchmark database: run bench/run.sh first" >&2; exit 2; }
scripts/build.sh cheque-report-dump >/dev/null

old=build-report-before
if [ ! -d "$old/src" ]; then
  rm -rf "$old"
  git worktree add --detach "$old/src" "$BEFORE" >/dev/null
fi
git -C "$old/src" checkout -q --detach "$BEFORE"
mkdir -p "$old/src/bench/report-dump"
cp bench/report-dump/ReportDump.cpp "$old/src/bench/report-dump/"
grep -q cheque-report-dump "$old/src/bench/CMakeLists.txt" || cat >>"$old/src/bench/CMakeLists.txt" <<'CM'
add_executable(cheque-report-dump report-dump/ReportDump.cpp)
target_link_libraries(cheque-report-dump PRIVATE report data)
CM
[ -f "$old/build/CMakeCache.txt" ] || cmake -S "$old/src" -B "$old/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build "$old/build" --target cheque-report-dump -j"$(nproc)" >/dev/null

status=0
for vendor in "" "ศรีสุข"; do
  label=${vendor:-All}
  "$old/build/bench/cheque-report-dump" "$D/report-home" build/report-before.tsv ${vendor:+"$vendor"} >/dev/null
  build/bench/cheque-report-dump "$D/report-home" build/report-after.tsv ${vendor:+"$vendor"} >/dev/null
  rows=$(($(wc -l <build/report-after.tsv) - 1))
  if cmp -s build/report-before.tsv build/report-after.tsv; then
    echo "$label: the same, $rows grid rows x 25 cells and the total ($(tail -1 build/report-after.tsv | cut -f2))"
  else
    echo "$label: DIFFERENT, $(diff build/report-before.tsv build/report-after.tsv | grep -c '^[<>]') lines differ; first ones:"
    diff build/report-before.tsv build/report-after.tsv | head -6
    status=1
  fi
done
rm -f build/report-before.tsv build/report-after.tsv
exit $status
