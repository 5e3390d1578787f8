#!/usr/bin/env bash
# A throwaway PostgreSQL 15 cluster in a folder of its own.
#   pg-sandbox.sh start [--socket-only | --password-auth] DIR [SQL-FILE DBNAME]
#                         initdb when needed, start on a free port on the Unix socket in DIR and
#                         on 127.0.0.1; with SQL-FILE, create DBNAME from it when it does not exist
#                         yet. Every local connection is trusted as any user, so with
#                         --socket-only the server listens on no TCP address at all and DIR (the
#                         socket folder) is mode 0700: only DIR's owner (and root) gets in. With
#                         --password-auth connections over TCP must give the role's password
#                         (scram-sha-256) while the socket stays trusted, for tests of logons.
#   pg-sandbox.sh stop DIR
# DIR/server.env then holds PGHOST, PGPORT and PGUSER for clients. As root the server runs as the
# postgres user, since the server refuses to run as root.
set -euo pipefail

usage="usage: pg-sandbox.sh start [--socket-only | --password-auth] DIR | stop DIR"
cmd=${1:?$usage}
shift
socket_only=0
password_auth=0
if [ "${1:-}" = "--socket-only" ]; then
  socket_only=1
  shift
elif [ "${1:-}" = "--password-auth" ]; then
  password_auth=1
  shift
fi
dir=${1:?$usage}
shift
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
if [ $socket_only -eq 1 ]; then chmod 700 "$dir"; fi

# Server options given at start, over postgresql.conf; a socket-only cluster refuses TCP in
# pg_hba.conf as well, should it ever be started without them.
start_options=""
auth_host=trust
if [ $socket_only -eq 1 ]; then
  start_options="-c listen_addresses='' -c unix_socket_permissions=0700"
  auth_host=reject
elif [ $password_auth -eq 1 ]; then
  auth_host=scram-sha-256
fi

if [ ! -f "$dir/data/PG_VERSION" ]; then
  as_owner "$bindir/initdb" -D "$dir/data" -U postgres --auth-local=trust --auth-host=$auth_host \
    -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
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

running=0
if as_owner "$bindir/pg_ctl" -D "$dir/data" status >/dev/null 2>&1; then
  running=1
  if [ $socket_only -eq 1 ] && [ -f "$dir/server.env" ]; then
    # A cluster that an earlier run started listening on TCP is restarted without it.
    # shellcheck disable=SC1091
    listening=$(. "$dir/server.env" && "$bindir/psql" -XAtq -h "$PGHOST" -p "$PGPORT" -U "$PGUSER" \
                  -d postgres -c "SHOW listen_addresses" 2>/dev/null || echo unknown)
    if [ -n "$listening" ]; then
      as_owner "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
      running=0
    fi
  fi
fi
if [ $running -eq 1 ]; then
  : # already running: reuse it
else
  started=0
  for _ in $(seq 1 20); do
    port=$(( 20000 + (RANDOM % 20000) ))
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then continue; fi
    if as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
         -o "-p $port $start_options" start >/dev/null 2>&1; then
      started=1
      break
    fi
  done
  if [ $started -ne 1 ]; then
    echo "pg-sandbox.sh: the server did not start; see $dir/server.log" >&2
    tail -n 20 "$dir/server.log" >&2 || true
    exit 1
  fi
  # Quoted for the shell that sources it.
  printf 'PGHOST=%q\nPGPORT=%q\nPGUSER=postgres\n' "$dir" "$port" >"$dir/server.env"
fi

# shellcheck disable=SC1091
. "$dir/server.env"
export PGHOST PGPORT PGUSER

if [ $# -ge 2 ]; then
  sql=$1 db=$2
  exists=$("$bindir/psql" -XAtq -d postgres -c "SELECT 1 FROM pg_database WHERE datname = '$db'")
  if [ "$exists" != 1 ]; then
    "$bindir/psql" -XAtq -d postgres -c "CREATE DATABASE \"$db\"" >/dev/null
    "$bindir/psql" -XAtq -v ON_ERROR_STOP=1 -d "$db" -f "$sql" >/dev/null
  fi
fi
