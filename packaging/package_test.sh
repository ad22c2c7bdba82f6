#!/usr/bin/env bash
# package_test.sh BUILD_DIR VERSION: makes the Debian package of the build
# with cpack, checks its dependencies, unpacks it into a temporary root and
# runs the programs from there as an installed copy, with nothing of the
# build folder or of the user's own files in reach.
set -uo pipefail
build_dir=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0 passed=0
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }

cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "cpack failed"; exit 1; }
deb=$work/out/quorvia-utilities_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { ls "$work/out"; echo "no $deb"; exit 1; }

# The fields and the names each must hold: libc6 and libsqlite3-0 come only
# from the binaries (shlibdeps), the others are linked, started or loaded by
# name.
depends=$(dpkg-deb -f "$deb" Depends) suggests=$(dpkg-deb -f "$deb" Suggests)
for field_name in depends:libc6 depends:libsqlite3-0 depends:libpq5 depends:libsqliteodbc depends:odbcinst \
    depends:xdg-utils depends:xdg-user-dirs depends:fonts-wine suggests:odbc-postgresql; do
  field=${field_name%%:*} name=${field_name#*:}
  [[ ", ${!field}," == *", $name"[\ ,]* ]] || fail "$field lacks $name: ${!field}"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_STATE_HOME=$work/home/state
export QUORVIA_STORE=$work/crm.db QUORVIA_UI=console QUORVIA_OPEN=0 QUORVIA_REPORTS_DIR=$work/reports
export ODBCSYSINI=$work/odbc ODBCINI=$work/odbc/user.ini
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$ODBCSYSINI"

# run EXPECTED_STATUS PATTERN COMMAND...: the command exits with that status
# and its standard output matches the extended regular expression.
run() {
  local expected=$1 pattern=$2 status=0 out
  shift 2
  out=$("$@" 2>"$work/err") || status=$?
  if [[ $status != "$expected" || ! $out =~ $pattern ]]; then
    fail "$* exited $status (not $expected), printed: $out $(cat "$work/err")"
  else
    passed=$((passed + 1))
  fi
}

run 0 "^quorvia-utilities $version\$" "$bin/quorvia-utilities" --version
run 0 "^quorvia-store $version\$" "$bin/quorvia-store" --version
run 0 "^quorvia-inspector $version\$" "$bin/quorvia-inspector" --version
run 0 '' "$bin/quorvia-store" demo --accounts 3 --seed 1
survivor_item=$("$bin/quorvia-store" find A000001 | awk -F'\t' '$1 == "Account Profiles" { print $2 }')
run 0 '' "$bin/quorvia-utilities" "Merge;$survivor_item;;A000001;A000002"
run 1 '^$' "$bin/quorvia-store" find A000002
run 0 '' "$bin/quorvia-store" reports-db "$work/reports.db"
run 0 '' "$bin/quorvia-store" reports-dsn "$work/reports.db" --sysini "$ODBCSYSINI"
run 0 "^$work/reports/Book1.xlsx\$" "$bin/quorvia-utilities" 'ExcelReport;select * from "Opportunities"'
# A window wanted: the GUI module is found in ../lib/quorvia/ of the
# unpacked program (on Qt's offscreen platform, Startup opens none).
run 0 '' env QUORVIA_UI=gui QT_QPA_PLATFORM=offscreen "$bin/quorvia-utilities" Startup

# Each manual page says all that the program's --help says: every line of
# the help is a line of the page (headings as the page writes them).
lines() { sed -E 's/^[[:space:]]+//; s/[[:space:]]+$//; /^$/d; s/^([A-Z][^:]*):$/\U\1/'; }
for program in quorvia-utilities quorvia-store quorvia-inspector; do
  page=$root/usr/share/man/man1/$program.1
  missing=$(grep -Fxv -f <(LC_ALL=C.UTF-8 MANWIDTH=1000 man -l "$page" 2>&1 | lines) <("$bin/$program" --help | lines))
  if [[ -n $missing ]]; then fail "$page lacks lines of $program --help:"$'\n'"$missing"; else passed=$((passed + 1)); fi
done

echo "$passed passed, $failed failed"
((failed == 0))
