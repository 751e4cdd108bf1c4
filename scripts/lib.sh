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

# The progress filters read line by line in the shell: mawk, the awk of a
# minimal Debian, reads a pipe in large blocks and would hold the lines back.

# apt's status lines ("pmstatus:pkg:42.5:text") -> a line per tenth of each stage.
install_progress() {
  local line kind pct stage last="" shown=-10
  while IFS= read -r line; do
    case $line in
      dlstatus:*) stage="downloading" ;;
      pmstatus:*) stage="unpacking and setting up" ;;
      *) continue ;;
    esac
    IFS=: read -r kind _ pct _ <<<"$line"
    pct=${pct%%.*}
    pct=$(( ${pct:-0} / 10 * 10 ))
    if [ "$stage" != "$last" ]; then last=$stage; shown=-10; fi
    if [ "$pct" -gt "$shown" ]; then say "  $stage: $pct%"; shown=$pct; fi
  done
}

# cmake's "-- Found SQLite3: ..." -> "  found SQLite3".
configure_progress() {
  local line
  while IFS= read -r line; do
    [[ $line =~ ^--\ +Found\ ([A-Za-z0-9_]+) ]] && say "  found ${BASH_REMATCH[1]}"
  done
  return 0
}

# make's "[ 42%] Building CXX object .../Query.cpp.o" -> a line per tenth; nothing
# for an up-to-date build, which compiles and links nothing. $1: 1 on a first build.
build_progress() {
  local line pct what started=0 shown=-10
  while IFS= read -r line; do
    [[ $line =~ ^\[\ *([0-9]+)%\]\ (Building|Linking)\ (.*)$ ]] || continue
    pct=${BASH_REMATCH[1]}
    if [ "$started" -eq 0 ]; then
      if [ "${1:-0}" -eq 1 ]; then say "Building (the first build takes 2 to 5 minutes on two cores)..."
      else say "Building..."; fi
      started=1
    fi
    if [ "$pct" -ge $(( shown + 10 )) ]; then
      what="${BASH_REMATCH[2]} ${BASH_REMATCH[3]##*/}"
      printf '  %3d%%  %s\n' "$pct" "${what%.o}"
      shown=$(( pct - pct % 10 ))
    fi
  done
}
