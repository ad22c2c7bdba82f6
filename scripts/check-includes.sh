#!/usr/bin/env bash
# Fails when a library header (SQLite, ODBC, Qt, libxlsxwriter, X11) is included
# outside the folders that implement the hosts and the tool mains, and libpq's
# header outside the PostgreSQL engine of the store.
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"
pattern='#include[[:space:]]*<(sqlite3\.h|sql\.h|sqlext\.h|xlsxwriter\.h|X11/|Q[A-Za-z]+>|Qt[A-Za-z]+/)'
allowed='^(host/store|host/odbc|host/sheet|host/desktop|inspector|tools|bench)/'
bad=$(git ls-files '*.h' '*.cpp' 2>/dev/null | grep -vE "$allowed" | xargs -r grep -lE "$pattern" || true)
if [[ -n "$bad" ]]; then
  echo "library headers included outside the host folders:"
  echo "$bad"
  exit 1
fi
pq_bad=$(git ls-files '*.h' '*.cpp' '*.in' 2>/dev/null | grep -v '^host/store/pg/' |
  xargs -r grep -lE '#include[[:space:]]*<libpq-fe\.h>' || true)
if [[ -n "$pq_bad" ]]; then
  echo "libpq-fe.h included outside host/store/pg:"
  echo "$pq_bad"
  exit 1
fi
echo "header layering: ok"
