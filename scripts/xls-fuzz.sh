#!/usr/bin/env bash
# Fuzzes the .xls reader with afl++ (installed here if missing, never by deps.sh).
#
#   scripts/xls-fuzz.sh [MINUTES]     default 30
#
# Builds fuzz/XlsReadTarget.cpp with afl++'s compiler, AddressSanitizer and
# UBSan into build-afl/, seeds it with the test workbooks, and runs one afl-fuzz
# for MINUTES. Any input that takes longer than 2 s counts as a hang. Findings
# stay in build-afl/findings; the script ends non-zero if there is a crash or a hang.
set -euo pipefail
cd "$(dirname "$0")/.."
MINUTES=${1:-30}
scripts/deps.sh
if ! command -v afl-fuzz >/dev/null || ! command -v afl-clang-fast++ >/dev/null; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends afl++ >/dev/null
fi

B=build-afl
if [ ! -f $B/CMakeCache.txt ]; then
  AFL_USE_ASAN=1 AFL_USE_UBSAN=1 CC=afl-clang-fast CXX=afl-clang-fast++ \
    cmake -S . -B $B -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
fi
AFL_USE_ASAN=1 AFL_USE_UBSAN=1 AFL_QUIET=1 cmake --build $B --target xls-read -j"$(nproc)" >/dev/null

seeds=$B/seeds
rm -rf "$seeds" && mkdir -p "$seeds"
for f in tests/fixtures/*.xls tests/fixtures/corpus/*.xls; do
  [ -f "$f" ] && [ "$(stat -c %s "$f")" -le 65536 ] && cp "$f" "$seeds/"
done

out=$B/findings
resume=()
if [ -d "$out/default/queue" ] && [ -n "${RESUME:-}" ]; then resume=(-i -); else rm -rf "$out"; resume=(-i "$seeds"); fi
export AFL_SKIP_CPUFREQ=1 AFL_NO_UI=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 AFL_NO_AFFINITY=1
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=0:allocator_may_return_null=1
afl-fuzz "${resume[@]}" -o "$out" -t 2000 -m none -V $((MINUTES * 60)) -- $B/fuzz/xls-read

stats=$out/default/fuzzer_stats
grep -E '^(run_time|execs_done|execs_per_sec|corpus_count|saved_crashes|saved_hangs|stability|bitmap_cvg)' "$stats"
crashes=$(awk -F: '/^saved_crashes/ {gsub(/ /, "", $2); print $2}' "$stats")
hangs=$(awk -F: '/^saved_hangs/ {gsub(/ /, "", $2); print $2}' "$stats")
echo "crashes: $crashes, hangs: $hangs (inputs in $out/default/crashes and hangs)"
[ "$crashes" = 0 ] && [ "$hangs" = 0 ]
