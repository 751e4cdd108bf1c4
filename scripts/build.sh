#!/usr/bin/env bash
# Configures (once) and builds into ./build: the targets given, or everything.
# Quiet when all goes well and nothing is to be done; while compiling, a line
# per tenth of the way; on failure the first error and where the log is.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$top"

first=0
if [ ! -f build/CMakeCache.txt ]; then
  first=1
  say "Configuring the build..."
  log="$logdir/configure.log"
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log" 2>&1 \
    || { rm -f build/CMakeCache.txt; fail "configuring (cmake)" "$log"; }
fi

log="$logdir/build.log"
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
set +e
cmake --build build -j"$(nproc)" "${targets[@]}" -- --no-print-directory 2>&1 \
  | tee "$log" \
  | awk -v first="$first" '
      # "[ 42%] Building CXX object ..." : one line per tenth, and none for an
      # up-to-date build, which compiles and links nothing.
      /^\[ *[0-9]+%\] (Building|Linking)/ {
        pct = substr($0, 2, index($0, "%") - 2) + 0
        if (!started) {
          print first ? "Building (the first build takes 2 to 5 minutes on two cores)..." : "Building..."
          started = 1; shown = -10
        }
        if (pct >= shown + 10) {
          what = $0; sub(/^\[ *[0-9]+%\] /, "", what); sub(/ object .*\//, " ", what); sub(/\.o$/, "", what)
          printf "  %3d%%  %s\n", pct, what; fflush(); shown = pct - pct % 10
        }
      }'
rc=${PIPESTATUS[0]}
set -e
[ "$rc" -eq 0 ] || fail "building" "$log"
