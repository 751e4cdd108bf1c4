#!/usr/bin/env bash
# Fuzzes one reader's target with afl++ (installed here if missing, never by deps.sh).
#
#   scripts/fuzz.sh TARGET [MINUTES]     MINUTES defaults to 30
#
# TARGET is a fuzz/ executable (xls-read, or another reader's target). Builds it
# with afl++'s compiler, AddressSanitizer and UBSan into build-afl/, seeds it
# with the test files of its form (FUZZ_SEEDS: a space-separated list of globs,
# else the seeds below), and runs one afl-fuzz for MINUTES. Any input that takes
# longer than 2 s counts as a hang. Findings stay in build-afl/findings-TARGET;
# the script ends non-zero if there is a crash or a hang.
set -euo pipefail
cd "$(dirname "$0")/.."
TARGET=${1:?usage: scripts/fuzz.sh TARGET [MINUTES]}
MINUTES=${2:-30}
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
AFL_USE_ASAN=1 AFL_USE_UBSAN=1 AFL_QUIET=1 cmake --build $B --target "$TARGET" -j"$(nproc)" >/dev/null

if [ "$TARGET" = xml-scan ] && [ -z "${FUZZ_SEEDS:-}" ]; then
  # The XML parts of the test workbooks, taken out of their ZIPs.
  rm -rf $B/xml-parts && mkdir -p $B/xml-parts
  python3 - $B/xml-parts tests/fixtures/xlsx/*.xlsx tests/fixtures/forms/*.xlsx tests/fixtures/ods/*.ods <<'PY'
import sys, zipfile, os
out = sys.argv[1]
for n, path in enumerate(sys.argv[2:]):
    try:
        z = zipfile.ZipFile(path)
        for m, name in enumerate(z.namelist()):
            if name.endswith(('.xml', '.rels')):
                open(os.path.join(out, f"{n}-{m}.xml"), 'wb').write(z.read(name)[:65536])
    except Exception:
        pass
PY
  FUZZ_SEEDS="$B/xml-parts/*"
fi
if [ -z "${FUZZ_SEEDS:-}" ]; then
  case "$TARGET" in
    xls-read) FUZZ_SEEDS="tests/fixtures/*.xls tests/fixtures/corpus/*.xls" ;;
    xlsx-read) FUZZ_SEEDS="tests/fixtures/forms/*.xlsx tests/fixtures/xlsx/*.xlsx" ;;
    ods-read) FUZZ_SEEDS="tests/fixtures/forms/*.ods tests/fixtures/forms/*.fods tests/fixtures/ods/*.ods" ;;
    xml2003-read) FUZZ_SEEDS="tests/fixtures/forms/*.xml tests/fixtures/xml2003/*" ;;
    text-read) FUZZ_SEEDS="tests/fixtures/forms/sap_tsv_* tests/fixtures/text/*" ;;
    html-read) FUZZ_SEEDS="tests/fixtures/forms/sap_html_* tests/fixtures/forms/sap_mhtml.xls tests/fixtures/forms/*.html tests/fixtures/text/*.htm*" ;;
    *) FUZZ_SEEDS="tests/fixtures/forms/*" ;;
  esac
fi
seeds=$B/seeds-$TARGET
rm -rf "$seeds" && mkdir -p "$seeds"
for f in $FUZZ_SEEDS; do
  [ -f "$f" ] && [ "$(stat -c %s "$f")" -le 65536 ] && cp "$f" "$seeds/"
done

out=$B/findings-$TARGET
resume=()
if [ -d "$out/default/queue" ] && [ -n "${RESUME:-}" ]; then resume=(-i -); else rm -rf "$out"; resume=(-i "$seeds"); fi
export AFL_SKIP_CPUFREQ=1 AFL_NO_UI=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 AFL_NO_AFFINITY=1
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=0:allocator_may_return_null=1
afl-fuzz "${resume[@]}" -o "$out" -t 2000 -m none -V $((MINUTES * 60)) -- "$B/fuzz/$TARGET"

stats=$out/default/fuzzer_stats
grep -E '^(run_time|execs_done|execs_per_sec|corpus_count|saved_crashes|saved_hangs|stability|bitmap_cvg)' "$stats"
crashes=$(awk -F: '/^saved_crashes/ {gsub(/ /, "", $2); print $2}' "$stats")
hangs=$(awk -F: '/^saved_hangs/ {gsub(/ /, "", $2); print $2}' "$stats")
echo "$TARGET: crashes: $crashes, hangs: $hangs (inputs in $out/default/crashes and hangs)"
[ "$crashes" = 0 ] && [ "$hangs" = 0 ]
