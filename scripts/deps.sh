#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, only
# those that are missing. Quiet and quick when everything is present.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev libqt6sql6-odbc unixodbc-dev tdsodbc
  libsqlite3-dev libgsf-1-dev libxlsxwriter-dev
  libgtest-dev
  python3 python3-xlwt python3-openpyxl sqlfluff
  fonts-thai-tlwg xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
