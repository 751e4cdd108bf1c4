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
  echo "No display found: starting on a virtual one (xvfb-run)."
  exec xvfb-run -a build/cheque-vendor "$@"
fi
exec build/cheque-vendor "$@"
