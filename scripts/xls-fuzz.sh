#!/usr/bin/env bash
# Fuzzes the .xls reader with afl++: scripts/fuzz.sh xls-read [MINUTES] (default 30).
exec "$(dirname "$0")/fuzz.sh" xls-read "${1:-30}"
