#!/usr/bin/env bash
# Configures (once) and builds everything into ./build.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
  echo "Configuring and building (the first build takes a few minutes)..."
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# Quiet when all goes well; the whole log when it does not.
log=build/last-build.log
if ! cmake --build build -j"$(nproc)" -- --no-print-directory "$@" >"$log" 2>&1; then
  cat "$log"
  echo "Build failed (log: $log)" >&2
  exit 1
fi
