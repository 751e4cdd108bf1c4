#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are missing, only
# those. Quiet and quick when everything is present; while installing, a line
# per tenth of the way.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

mapfile -t packages < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' "$top/scripts/packages.txt")

# dpkg-query fails when any of them is unknown here: that is the usual case.
installed=$( (dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true) \
  | awk '$NF == "installed" && $(NF-1) == "ok" { print $1 }')
missing=()
for p in "${packages[@]}"; do
  grep -qx -- "$p" <<<"$installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { say "Installing needs root: run this as root, or install sudo." >&2; exit 1; }
  sudo="sudo"
fi
log="$logdir/install.log"
: >"$log"
say "Installing ${#missing[@]} packages and what they need: ${missing[*]}"
say "  updating the package lists..."
$sudo apt-get update >>"$log" 2>&1 || fail "installing (apt-get update)" "$log"

# apt's status lines (APT::Status-Fd) give the percentage; the rest goes to the
# log. Not fd 1: apt closes its status descriptor for the maintainer scripts,
# whose output then fails. The redirections happen inside the root shell,
# since sudo closes descriptors above 2.
set +e
$sudo bash -c 'log=$1; shift
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    -o APT::Status-Fd=5 "$@" 5>&1 >>"$log" 2>&1' install "$log" "${missing[@]}" \
  | install_progress
rc=${PIPESTATUS[0]}
set -e
[ "$rc" -eq 0 ] || fail "installing (apt-get install)" "$log"
say "  installed."
