#!/usr/bin/env bash
# install-deps.sh [run] [build] [test]: installs the Debian packages of the
# lists named (all three when none is), only those that are missing, so a
# machine that has everything is left alone. These lists are the one record
# of the project's dependencies:
#   run    libpq5, which the programs link for stores on PostgreSQL, and
#          what they start, load or read by name (the SQLite ODBC driver,
#          odbcinst, xdg-open and xdg-user-dir, the tour's Tahoma, Qt's
#          Wayland plug-in) and the demo's sqlite3 shell;
#   build  the compilers, CMake and the libraries' headers (GoogleTest's too:
#          configuring needs them even to build only the programs);
#   test   what only the tests, the package test, benchmarks and fuzzers use:
#          X servers and a window manager, openpyxl, a PostgreSQL server and
#          its ODBC driver, clang's fuzzer runtime, dpkg-shlibdeps and man.
set -euo pipefail

declare -A lists=(
  [run]="unixodbc odbcinst libsqliteodbc libpq5 xdg-utils xdg-user-dirs fonts-wine qt6-wayland sqlite3"
  [build]="build-essential cmake ninja-build pkg-config ccache libgtest-dev libgmock-dev libsqlite3-dev
           nlohmann-json3-dev libcli11-dev qt6-base-dev unixodbc-dev libpq-dev libxlsxwriter-dev libx11-dev libxtst-dev"
  [test]="xvfb xauth openbox python3 python3-openpyxl postgresql odbc-postgresql clang libclang-rt-14-dev
          dpkg-dev man-db"
)

chosen=("$@")
((${#chosen[@]} > 0)) || chosen=(run build test)
packages=()
for list in "${chosen[@]}"; do
  [[ -v "lists[$list]" ]] || { echo "install-deps.sh: no list \"$list\" (run, build, test)" >&2; exit 2; }
  read -r -a names <<<"$(echo ${lists[$list]})"
  packages+=("${names[@]}")
done

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
