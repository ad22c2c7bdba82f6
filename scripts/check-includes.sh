#!/usr/bin/env bash
# Fails when a library header (SQLite, libpq, ODBC, Qt, libxlsxwriter, X11) is
# included outside the folders that implement the hosts and the tool mains.
# Above the store's engine interface nothing knows the engine: SQLite's
# header only in its implementation (and the tests and benchmarks that
# measure against it), libpq's only in the PostgreSQL one.
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"
status=0

# Files matching `pattern` outside the paths `allowed` matches, under `what`.
refuse() {
  local what=$1 pattern=$2 allowed=$3 bad
  bad=$(git ls-files '*.h' '*.cpp' 2>/dev/null | grep -vE "$allowed" | xargs -r grep -lE "$pattern" || true)
  if [[ -n "$bad" ]]; then
    echo "$what:"
    echo "$bad"
    status=1
  fi
}

refuse "library headers included outside the host folders" \
  '#include[[:space:]]*<(sqlite3\.h|libpq-fe\.h|sql\.h|sqlext\.h|xlsxwriter\.h|X11/|Q[A-Za-z]+>|Qt[A-Za-z]+/)' \
  '^(host/store|host/odbc|host/sheet|host/desktop|inspector|tools|bench)/'
refuse "sqlite3.h included outside the SQLite engine" '#include[[:space:]]*<sqlite3\.h>' \
  '^(host/store/sqlite/|bench/)|_test\.cpp$'
refuse "libpq-fe.h included outside the PostgreSQL engine" '#include[[:space:]]*<libpq-fe\.h>' '^host/store/pg/'
[[ $status -eq 0 ]] && echo "header layering: ok"
exit $status
