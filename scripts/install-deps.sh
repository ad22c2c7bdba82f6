#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need.
# This is the one list of the project's dependencies; it installs only what is
# missing, so a machine that has everything is left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev
  libsqlite3-dev sqlite3
  nlohmann-json3-dev libcli11-dev
  qt6-base-dev qt6-wayland
  unixodbc-dev unixodbc libsqliteodbc
  postgresql odbc-postgresql
  libxlsxwriter-dev
  libx11-dev
  xvfb xauth openbox libxtst-dev
  python3 python3-openpyxl
  xdg-utils xdg-user-dirs
  fonts-wine
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
