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
  set +e
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo 2>&1 | tee "$log" | configure_progress
  rc=${PIPESTATUS[0]}
  set -e
  [ "$rc" -eq 0 ] || { rm -f build/CMakeCache.txt; fail "configuring (cmake)" "$log"; }
fi

log="$logdir/build.log"
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
set +e
cmake --build build -j"$(nproc)" "${targets[@]}" -- --no-print-directory 2>&1 \
  | tee "$log" \
  | build_progress "$first"
rc=${PIPESTATUS[0]}
set -e
[ "$rc" -eq 0 ] || fail "building" "$log"
