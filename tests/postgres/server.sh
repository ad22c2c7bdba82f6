#!/usr/bin/env bash
# A private PostgreSQL server for tests, in a folder of its own.
#
# Usage: server.sh start DIR [--icu] [TEMPLATE]
#        server.sh stop DIR
#        server.sh crash DIR | restart DIR
#
# start makes DIR (removing what a killed earlier run left there), runs
# initdb with UTF-8 and the "C" locale (or, with --icu, ICU's en-US
# collation as the server's default) and starts the server listening on the
# socket folder DIR alone, no TCP port, with trust authentication for the
# role quorvia. With TEMPLATE it also makes that empty database, which tests
# copy. It prints the server's location in libpq's key=value form:
#   host='DIR' port=5432 user=quorvia dbname=postgres
# stop stops the server at once and removes DIR. crash stops it at once and
# keeps DIR, as a server that goes away under its clients; restart starts
# it again on what DIR holds. Needs the Debian package
# postgresql. Run as root, the server runs as the system user quorvia-pg
# (made if missing), since PostgreSQL refuses to run as root.
set -euo pipefail

die() {
  echo "server.sh: $*" >&2
  exit 1
}

usage() { die "usage: $0 start DIR [--icu] [TEMPLATE] | stop DIR | crash DIR | restart DIR"; }
(($# >= 2)) || usage
action=$1
dir=$2
shift 2

pg_bin=$(printf '%s\n' /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
[[ -x $pg_bin/initdb ]] || die "no PostgreSQL server programs in /usr/lib/postgresql/*/bin: install the Debian package postgresql"

server_user=quorvia-pg
as_server=()
if (($(id -u) == 0)); then
  as_server=(runuser -u "$server_user" --)
fi

# Stops the server in DIR and removes DIR, which must be a server's folder
# that this script made (or be empty, or missing).
stop() {
  if [[ -e $dir && ! -f $dir/initdb.log && -n $(ls -A "$dir") ]]; then
    die "$dir is not a folder that server.sh made; it is left alone"
  fi
  if [[ -f $dir/data/postmaster.pid ]]; then
    "${as_server[@]}" "$pg_bin/pg_ctl" stop -D "$dir/data" -m immediate -s >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

# Starts the server on DIR's data.
run_server() {
  # Deadlocks are found after 100 ms rather than 1 s, so tests that make
  # one end soon.
  "${as_server[@]}" "$pg_bin/pg_ctl" start -D "$dir/data" -w -t 60 -l "$dir/server.log" \
    -o "-c listen_addresses= -k '$dir' -c fsync=off -c deadlock_timeout=100ms" >/dev/null 2>&1 ||
    die "the PostgreSQL server did not start: $(cat "$dir/server.log" 2>/dev/null)"
}

# Stops the server in DIR at once, keeping its data.
crash() {
  [[ -f $dir/initdb.log ]] || die "$dir is not a folder that server.sh made"
  "${as_server[@]}" "$pg_bin/pg_ctl" stop -D "$dir/data" -m immediate -s >/dev/null 2>&1 ||
    die "the PostgreSQL server in $dir did not stop"
}

start() {
  local icu=() template=""
  for argument in "$@"; do
    case $argument in
      --icu) icu=(--locale-provider=icu --icu-locale=en-US --locale=C.UTF-8) ;;
      -*) usage ;;
      *) template=$argument ;;
    esac
  done
  ((${#icu[@]} > 0)) || icu=(--no-locale)
  dir=$(realpath -m "$dir")
  # The socket's path must fit in sun_path (107 bytes).
  ((${#dir} + 16 <= 107)) || die "the folder $dir is too long a path for the server's socket"
  stop
  if ((${#as_server[@]} > 0)); then
    # On a fresh machine two servers start at once: the one that makes the
    # user holds the lock until the user is whole, the other waits for it.
    local lock
    exec {lock}>/tmp/quorvia-pg-user.lock
    flock "$lock"
    if ! id "$server_user" >/dev/null 2>&1; then
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$server_user" ||
        die "cannot make the system user $server_user"
    fi
    exec {lock}>&-
  fi
  mkdir -p -m 0700 "$dir"
  ((${#as_server[@]} == 0)) || chown "$server_user" "$dir"
  # Trust authentication: the server listens on its socket folder alone,
  # which only its user and root can reach.
  "${as_server[@]}" "$pg_bin/initdb" -D "$dir/data" -U quorvia -A trust -E UTF8 "${icu[@]}" \
    >"$dir/initdb.log" 2>&1 || die "initdb failed: $(cat "$dir/initdb.log")"
  run_server
  local location="host='$dir' port=5432 user=quorvia dbname=postgres"
  if [[ -n $template ]]; then
    "$pg_bin/psql" -X -q -v ON_ERROR_STOP=1 -d "$location" -c "CREATE DATABASE \"$template\"" ||
      die "cannot make the database $template"
  fi
  echo "$location"
}

case $action in
  start) start "$@" ;;
  stop) (($# == 0)) || usage; stop ;;
  crash) (($# == 0)) || usage; crash ;;
  restart) (($# == 0)) || usage; run_server ;;
  *) usage ;;
esac
