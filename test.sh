#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
. scripts/lib.sh
log="$logdir/test.log"
cd build
set +e
ctest --output-on-failure -j"$(nproc)" "$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
set -e
if [ "$rc" -ne 0 ]; then
  {
    echo ""
    echo "Set-up failed while testing: $(grep -A50 'tests FAILED:' "$log" | tail -n +2 | sed -n 's/.* - \([^ ]*\) .*/\1/p' | paste -sd' ')"
    echo "Each failed test's output is above; the whole log: $log"
  } >&2
fi
exit "$rc"
