#!/usr/bin/env bash
# Update and ExcelReport against PostgreSQL through psqlODBC, end to end: a
# private server on a temporary folder, the reports tables that
# `quorvia-store reports-db` makes for a small CRM store, the data source
# QuorviaReports on that server, and the built quorvia-utilities run in
# console mode. The server (server.sh) is stopped and the folder removed at
# the end, whatever happened.
#
# Usage: reports_on_postgres.sh QUORVIA_UTILITIES QUORVIA_STORE_PROGRAM
# Needs the Debian packages postgresql, odbc-postgresql and sqlite3.
set -euo pipefail

die() {
  echo "reports_on_postgres: $*" >&2
  exit 1
}

(($# == 2)) || die "usage: $0 QUORVIA_UTILITIES QUORVIA_STORE_PROGRAM"
utilities=$1
store_tool=$2
[[ -x $utilities && -x $store_tool ]] || die "$utilities or $store_tool is not an executable program"

pg_bin=$(printf '%s\n' /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
[[ -x $pg_bin/initdb ]] || die "no PostgreSQL server programs in /usr/lib/postgresql/*/bin: install the Debian package postgresql"
pg_driver=""
for candidate in /usr/lib/*/odbc/psqlodbcw.so /usr/lib/odbc/psqlodbcw.so /usr/lib64/odbc/psqlodbcw.so; do
  if [[ -r $candidate ]]; then
    pg_driver=$candidate
    break
  fi
done
[[ -n $pg_driver ]] || die "no psqlODBC driver psqlodbcw.so in /usr/lib/*/odbc: install the Debian package odbc-postgresql"
command -v sqlite3 >/dev/null || die "no sqlite3 program: install the Debian package sqlite3"

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvia-pg.XXXXXX")
server_dir=$work/server
server() { "$(dirname "$0")/server.sh" "$@"; }
cleanup() {
  server stop "$server_dir" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
# A test runner that gives up on the test still gets the server stopped.
trap 'exit 1' INT TERM HUP
# The server's user only passes through the work folder to its own.
chmod 0711 "$work"
location=$(server start "$server_dir" reports) || die "the private PostgreSQL server did not start"

psql_reports() {
  "$pg_bin/psql" -X -q -v ON_ERROR_STOP=1 -d "$location dbname=reports" "$@"
}

# The CRM store: three accounts whose values need quoting or could break a
# statement built from text, a neighbour key that differs only in letter
# case, and related items in a contact folder, in two folders "Activities"
# at different depths and in a folder whose name has a space.
cat >"$work/crm.json" <<'EOF'
{"format": 1, "folders": [{"name": "Account Profiles", "items": [
  {"entry_id": "0A01", "properties": {"AccountID": "A100", "Account Name": "O'Brien [Holdings] \"Ltd\"",
   "Account Manager": "x'); drop table \"Activities\"; --", "Team": "North? South?", "Alignment": "Key"}},
  {"entry_id": "0A02", "properties": {"AccountID": "O'Neil", "Account Name": "Café O'Neil",
   "Account Manager": "Nuala", "Team": "West", "Alignment": "Strategic"}},
  {"entry_id": "0A03", "properties": {"AccountID": "B200", "Account Name": "Beta",
   "Account Manager": "Bob", "Team": "East", "Alignment": "Standard"}}],
 "folders": [
  {"name": "Contacts", "default_message_class": "IPM.Contact", "items": [
    {"company_name": "old company a", "properties": {"AccountID": "A100", "Account Name": "old a",
     "Account Manager": "old manager a", "Team": "old team a", "Alignment": "old alignment a"}},
    {"company_name": "old company n", "properties": {"AccountID": "O'Neil", "Account Name": "old n",
     "Account Manager": "old manager n", "Team": "old team n", "Alignment": "old alignment n"}},
    {"company_name": "old company l", "properties": {"AccountID": "o'neil", "Account Name": "old l",
     "Account Manager": "old manager l", "Team": "old team l", "Alignment": "old alignment l"}},
    {"company_name": "old company b", "properties": {"AccountID": "B200", "Account Name": "old b",
     "Account Manager": "old manager b", "Team": "old team b", "Alignment": "old alignment b"}}]},
  {"name": "Activities", "items": [
    {"properties": {"AccountID": "A100", "Account Name": "old a1", "Account Manager": "old manager a1",
     "Team": "old team a1", "Alignment": "old alignment a1"}},
    {"properties": {"AccountID": "O'Neil", "Account Name": "old n1", "Account Manager": "old manager n1",
     "Team": "old team n1", "Alignment": "old alignment n1"}},
    {"properties": {"AccountID": "B200", "Account Name": "old b1", "Account Manager": "old manager b1",
     "Team": "old team b1", "Alignment": "old alignment b1"}}]},
  {"name": "Regions", "folders": [{"name": "East", "folders": [{"name": "Activities", "items": [
    {"properties": {"AccountID": "A100", "Account Name": "old a3", "Account Manager": "old manager a3",
     "Team": "old team a3", "Alignment": "old alignment a3"}},
    {"properties": {"AccountID": "O'Neil", "Account Name": "old n3", "Account Manager": "old manager n3",
     "Team": "old team n3", "Alignment": "old alignment n3"}}]}]}]},
  {"name": "Sales Calls", "items": [
    {"properties": {"AccountID": "A100", "Account Name": "old as", "Account Manager": "old manager as",
     "Team": "old team as", "Alignment": "old alignment as"}}]}]}]}
EOF
"$store_tool" --store "$work/crm.db" import "$work/crm.json" >/dev/null || die "quorvia-store import failed"
"$store_tool" --store "$work/crm.db" reports-db "$work/mirror.db" || die "quorvia-store reports-db failed"

# The PostgreSQL tables are the SQLite mirror's: its own CREATE TABLE
# statements (every name double-quoted) and its rows, copied as CSV.
sqlite3 "$work/mirror.db" "SELECT sql || ';' FROM sqlite_master WHERE type = 'table' ORDER BY rowid" |
  psql_reports || die "PostgreSQL refused the mirror's tables"
while IFS= read -r table; do
  quoted=\"${table//\"/\"\"}\"
  sqlite3 -csv "$work/mirror.db" "SELECT * FROM $quoted" |
    psql_reports -c "\\copy $quoted FROM pstdin WITH (FORMAT csv)" || die "cannot copy the rows of $table"
done < <(sqlite3 "$work/mirror.db" "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid")
# Contact tables leave Team out of their schema, so Update must not write it.
psql_reports -c "DELETE FROM \"SchemaContacts\" WHERE \"FieldName\" = 'Team'" || die "cannot change SchemaContacts"

odbc_dir=$work/odbc
mkdir "$odbc_dir"
: >"$odbc_dir/user-odbc.ini"
printf '[PostgreSQL Unicode]\nDriver=%s\n' "$pg_driver" >"$odbc_dir/odbcinst.ini"
data_source() {  # DATABASE: the QuorviaReports stanza on that database of the server
  printf '[QuorviaReports]\nDriver=PostgreSQL Unicode\nServername=%s\nPort=5432\nDatabase=%s\nUsername=quorvia\n' \
    "$server_dir" "$1" >"$odbc_dir/odbc.ini"
}

failures=0
check() {  # WHAT EXPECTED ACTUAL
  if [[ $2 != "$3" ]]; then
    printf 'FAILED: %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3" >&2
    failures=$((failures + 1))
  fi
}
# Runs Update with COMMAND and checks its exit status.
update() {  # COMMAND STATUS
  local status=0
  env QUORVIA_UI=console QUORVIA_LOG=0 QUORVIA_STORE="$work/crm.db" ODBCSYSINI="$odbc_dir" \
    ODBCINI="$odbc_dir/user-odbc.ini" HOME="$work" "$utilities" "$1" 2>"$work/stderr" || status=$?
  check "exit status of $1 (its standard error: $(cat "$work/stderr"))" "$2" "$status"
}
# The rows of TABLE, one line each, columns separated by " | ".
rows() {  # TABLE COLUMNS
  psql_reports -A -t -F ' | ' -c "SELECT $2 FROM \"$1\" ORDER BY 1, 2, 3, 4, 5"
}
base='"AccountID", "Account Name", "Account Manager", "Team", "Alignment"'

data_source reports
update "Update;0A01;AccountID;A100;;Account Name,Account Manager,Team;;" 0
check "Contacts after the update of A100" "\
A100 | O'Brien [Holdings] \"Ltd\" | x'); drop table \"Activities\"; -- | old team a | old alignment a | O'Brien [Holdings] \"Ltd\"
B200 | old b | old manager b | old team b | old alignment b | old company b
O'Neil | old n | old manager n | old team n | old alignment n | old company n
o'neil | old l | old manager l | old team l | old alignment l | old company l" \
  "$(rows Contacts "$base, \"COMPANY\"")"
activities=$(rows Activities "$base")
check "Activities (both folders) after the update of A100" "\
A100 | O'Brien [Holdings] \"Ltd\" | x'); drop table \"Activities\"; -- | North? South? | old alignment a1
A100 | O'Brien [Holdings] \"Ltd\" | x'); drop table \"Activities\"; -- | North? South? | old alignment a3
B200 | old b1 | old manager b1 | old team b1 | old alignment b1
O'Neil | old n1 | old manager n1 | old team n1 | old alignment n1
O'Neil | old n3 | old manager n3 | old team n3 | old alignment n3" \
  "$activities"
check "Sales Calls after the update of A100" "\
A100 | O'Brien [Holdings] \"Ltd\" | x'); drop table \"Activities\"; -- | North? South? | old alignment as" \
  "$(rows "Sales Calls" "$base")"

# The fixed field list (field 7 set) in place of field 5, with the tables of
# the folders named Activities left alone.
update "Update;0A02;AccountID;O'Neil;Activities;Team;;fixed" 0
check "Contacts after the update of O'Neil" "\
A100 | O'Brien [Holdings] \"Ltd\" | x'); drop table \"Activities\"; -- | old team a | old alignment a | O'Brien [Holdings] \"Ltd\"
B200 | old b | old manager b | old team b | old alignment b | old company b
O'Neil | Café O'Neil | Nuala | old team n | Strategic | Café O'Neil
o'neil | old l | old manager l | old team l | old alignment l | old company l" \
  "$(rows Contacts "$base, \"COMPANY\"")"
check "Activities after the update of O'Neil, whose folders were skipped" "$activities" \
  "$(rows Activities "$base")"

# Runs ExcelReport with QUERY and checks its exit status.
report() {  # QUERY STATUS
  local status=0
  env QUORVIA_UI=console QUORVIA_LOG=0 QUORVIA_OPEN=0 QUORVIA_STORE="$work/crm.db" \
    QUORVIA_REPORTS_DIR="$work/reports" ODBCSYSINI="$odbc_dir" ODBCINI="$odbc_dir/user-odbc.ini" HOME="$work" \
    "$utilities" "ExcelReport;$1" >"$work/stdout" 2>"$work/stderr" || status=$?
  check "exit status of ExcelReport;$1 (its standard error: $(cat "$work/stderr"))" "$2" "$status"
}
# A report reads only: a query that deletes and yields the deleted rows gets
# past psqlODBC's own read-only setting, but not the read-only transaction.
sales_calls=$(rows "Sales Calls" "$base")
report 'WITH d AS (DELETE FROM "Sales Calls" RETURNING *) SELECT * FROM d' 5
check "the refusal shown" \
  "-2147467259 - cannot run the query on the data source QuorviaReports: ERROR: cannot execute SELECT in a read-only transaction" \
  "$(grep -o -- '-2147467259 - .*read-only transaction' "$work/stderr")"
check "Sales Calls after the refused report" "$sales_calls" "$(rows "Sales Calls" "$base")"
check "the folder of reports after the refused report" "" "$(ls -A "$work/reports" 2>/dev/null)"
report 'SELECT "AccountID", "Team" FROM "Sales Calls"' 0
check "the report written" "$work/reports/Book1.xlsx" "$(cat "$work/stdout")"

# A schema that names a column its table lacks: the server refuses the statement.
psql_reports -c 'ALTER TABLE "Activities" DROP COLUMN "Alignment"' || die "cannot drop a column of Activities"
update "Update;0A03;AccountID;B200;;Alignment;;" 5
# A data source whose database does not exist cannot be opened.
data_source missing
update "Update;0A03;AccountID;B200;;Team;;" 5

((failures == 0)) || die "$failures check(s) failed"
echo "reports_on_postgres: all checks passed"
