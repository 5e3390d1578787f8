#!/usr/bin/env bash
# A throwaway PostgreSQL 15 cluster in a folder of its own.
#   pg-sandbox.sh start DIR [SQL-FILE DBNAME]   initdb when needed, start on a free port on the Unix
#                                               socket in DIR and on 127.0.0.1; with SQL-FILE, create
#                                               DBNAME from it when it does not exist yet
#   pg-sandbox.sh stop DIR
# DIR/server.env then holds PGHOST, PGPORT and PGUSER for clients. As root the server runs as the
# postgres user, since the server refuses to run as root.
set -euo pipefail

cmd=${1:?usage: pg-sandbox.sh start|stop DIR}
dir=${2:?usage: pg-sandbox.sh start|stop DIR}
bindir=$(ls -d /usr/lib/postgresql/15/bin 2>/dev/null || dirname "$(command -v pg_ctl)")

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$cmd" in
stop)
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  exit 0
  ;;
start) ;;
*) echo "pg-sandbox.sh: unknown command $cmd" >&2; exit 2 ;;
esac

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
if [ "$(id -u)" -eq 0 ]; then chown postgres "$dir"; fi

if [ ! -f "$dir/data/PG_VERSION" ]; then
  as_owner "$bindir/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 \
    >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
  cat >>"$dir/data/postgresql.conf" <<CONF
shared_preload_libraries = 'pg_stat_statements,plugin_debugger'
unix_socket_directories = '$dir'
listen_addresses = '127.0.0.1'
max_connections = 300
fsync = off
synchronous_commit = off
full_page_writes = off
logging_collector = off
CONF
fi

if as_owner "$bindir/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
  : # already running: reuse it
else
  started=0
  for attempt in $(seq 1 20); do
    port=$(( 20000 + (RANDOM % 20000) ))
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then continue; fi
    if as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
         -o "-p $port" start >/dev/null 2>&1; then
      started=1
      break
    fi
  done
  if [ $started -ne 1 ]; then
    echo "pg-sandbox.sh: the server did not start; see $dir/server.log" >&2
    tail -n 20 "$dir/server.log" >&2 || true
    exit 1
  fi
  printf 'PGHOST=%s\nPGPORT=%s\nPGUSER=postgres\n' "$dir" "$port" >"$dir/server.env"
fi

# shellcheck disable=SC1091
. "$dir/server.env"
export PGHOST PGPORT PGUSER

if [ $# -ge 4 ]; then
  sql=$3 db=$4
  exists=$("$bindir/psql" -XAtq -d postgres -c "SELECT 1 FROM pg_database WHERE datname = '$db'")
  if [ "$exists" != 1 ]; then
    "$bindir/psql" -XAtq -d postgres -c "CREATE DATABASE \"$db\"" >/dev/null
    "$bindir/psql" -XAtq -v ON_ERROR_STOP=1 -d "$db" -f "$sql" >/dev/null
  fi
fi
