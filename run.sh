#!/usr/bin/env bash
# Installs what is missing, builds, creates the embedded database with a first
# user when there is none, and starts the program.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh cheque-vendor cheque-admin

admin=build/tools/cheque-admin
db=$("$admin" path)
if [ ! -f "$db" ]; then
  "$admin" create
  echo "First user (level 9), keep this password:"
  "$admin" add-user admin 9 --generate
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: the program starts on a virtual display (xvfb-run) that nobody can see,"
  echo "and waits there until you press Ctrl+C. To use it, run ./run.sh from a desktop"
  echo "session or over 'ssh -X'; README.md says how to take a picture of the virtual display."
  exec xvfb-run -a -s '-screen 0 1280x800x24' build/cheque-vendor "$@"
fi
exec build/cheque-vendor "$@"
