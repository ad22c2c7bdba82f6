#!/usr/bin/env bash
# The main job on the demo store: installs what is missing to build and run
# it (not what only the tests need), builds the two programs it runs, makes the
# demo store build/demo/crm.db and its reports database if there are none,
# merges the next account into A000001 in console mode, showing both
# accounts' items before and after, then updates the reports rows still
# filed under the merged key with A000001's fields, showing them before and
# after, writes a report of the opportunities as a workbook, and last adds an
# alert to A000001 and lists A000001's alerts.
set -euo pipefail
cd "$(dirname "$0")/.."
DEPS="run build" BUILD_TARGET="quorvia-utilities quorvia-store" scripts/build.sh
build_dir=${BUILD_DIR:-build}
export QUORVIA_STORE=${QUORVIA_DEMO_STORE:-$build_dir/demo/crm.db}
export QUORVIA_UI=console
tool="$build_dir/quorvia-store"
accounts=50

demo_dir=$(dirname "$QUORVIA_STORE")
reports=$demo_dir/reports.db
# The data source QuorviaReports of the demo lives beside it; nothing of
# the user's own ODBC set-up is read or changed.
export ODBCSYSINI=$demo_dir/odbc ODBCINI=$demo_dir/odbc/user.ini

if [[ ! -f $QUORVIA_STORE ]]; then
  echo "Making the demo store $QUORVIA_STORE"
  "$tool" demo --accounts "$accounts" --seed 1
fi
if [[ ! -f $reports ]]; then
  echo "Making the demo reports database $reports"
  "$tool" reports-db "$reports"
fi
mkdir -p "$ODBCSYSINI" && touch "$ODBCINI"
"$tool" reports-dsn "$reports" --sysini "$ODBCSYSINI"

# The account item of a key: its line in the database folder itself. find
# exits with 1 when a key has no items (a merged account).
account_item() { { "$tool" find "$1" || true; } | awk -F'\t' '$1 == "Account Profiles" { print $2; exit }'; }

survivor=A000001
survivor_item=$(account_item "$survivor")
merged=
for ((n = 2; n <= accounts; n++)); do
  key=$(printf 'A%06d' "$n")
  if [[ -n $(account_item "$key") ]]; then merged=$key; break; fi
done
if [[ -z $survivor_item || -z $merged ]]; then
  echo "Every demo account is merged already; remove $QUORVIA_STORE to start again."
  exit 0
fi

show() { echo "--- items of $1"; "$tool" find "$1" || true; }
show "$survivor"; show "$merged"
echo
echo "+ quorvia-utilities 'Merge;$survivor_item;;$survivor;$merged'"
status=0
"$build_dir/quorvia-utilities" "Merge;$survivor_item;;$survivor;$merged" || status=$?
echo "exit status $status"
echo
show "$survivor"; show "$merged"
((status == 0)) || exit "$status"

# The rows of a key in every folder table of the reports database: table,
# key, Account Name, Account Manager, Team.
report_rows() {
  local union
  union=$(sqlite3 "$reports" "SELECT group_concat('SELECT ' || quote(name) || ', AccountID, \"Account Name\", \"Account Manager\", Team FROM \"' || replace(name, '\"', '\"\"') || '\" WHERE AccountID = @key', ' UNION ALL ') FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'Schema%'")
  echo "--- reports rows of $1"
  sqlite3 -separator $'\t' "$reports" ".parameter set @key '$1'" "$union;"
}
echo
report_rows "$merged"
echo
echo "+ quorvia-utilities 'Update;$survivor_item;AccountID;$merged;;;;Fixed'"
"$build_dir/quorvia-utilities" "Update;$survivor_item;AccountID;$merged;;;;Fixed" || status=$?
echo "exit status $status"
echo
report_rows "$merged"
((status == 0)) || exit "$status"

# A report of the opportunities as a workbook, written beside the demo
# store and not opened.
query='select * from "Opportunities" order by "AccountID"'
echo
echo "+ quorvia-utilities 'ExcelReport;$query'"
QUORVIA_REPORTS_DIR=$demo_dir/reports QUORVIA_OPEN=0 "$build_dir/quorvia-utilities" "ExcelReport;$query" || status=$?
echo "exit status $status (the line above is the workbook it wrote)"
((status == 0)) || exit "$status"

# An alert for A000001 from standard input, then every alert of A000001
# (the merged account's among them), each written as
# "== IPM.StickyNote ENTRYID ==" and its text.
echo
echo "+ echo 'Merged $merged into this account' | quorvia-utilities 'AddAlerts;$survivor;...'"
echo "Merged $merged into this account" |
  "$build_dir/quorvia-utilities" "AddAlerts;$survivor;Demo account;Demo manager;Demo team;Demo" || status=$?
echo "exit status $status"
((status == 0)) || exit "$status"
echo
echo "+ quorvia-utilities 'Alerts;$survivor'"
"$build_dir/quorvia-utilities" "Alerts;$survivor" || status=$?
echo "exit status $status"
exit "$status"
