# Shared by the set-up scripts: logs, progress lines and the report of a failed step.
# Sourced, not run.

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
logdir="$top/build/logs"
mkdir -p "$logdir"

say() { printf '%s\n' "$*"; }

# The first error of a log with a few lines around it: compiler and linker
# errors, CMake errors, apt's "E:" lines, in that order of preference.
first_error() {
  local log=$1 n
  n=$(grep -n -m1 -E '(^|: )(fatal )?error:|undefined reference|cannot find -l|CMake Error|^dpkg: error|^E: ' "$log" | cut -d: -f1)
  if [ -z "$n" ]; then
    tail -n 15 "$log"
    return
  fi
  sed -n "$(( n > 3 ? n - 3 : 1 )),$(( n + 8 ))p" "$log"
}

# fail STEP LOG [HINT]: says which step failed, shows its first error, names the log.
fail() {
  local step=$1 log=$2
  {
    say ""
    say "Set-up failed while $step."
    say "---- first error (from $log) ----"
    first_error "$log"
    say "----"
    [ -n "${3:-}" ] && say "$3"
    say "The whole log: $log"
  } >&2
  exit 1
}
