#!/usr/bin/env bash
# CTest fixture: starts a throwaway cluster for one test run and stops it again.
#   pg-fixture.sh start STATEFILE SCHEMA.sql   writes PGHOST, PGPORT, PGUSER, DIR into STATEFILE
#   pg-fixture.sh stop STATEFILE
# The cluster lives under /tmp, so that the postgres user can reach it wherever the build tree is.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
sandbox="$here/../../scripts/pg-sandbox.sh"
cmd=$1 state=$2

case "$cmd" in
start)
  schema=$3
  if [ -f "$state" ]; then "$0" stop "$state" || true; fi
  dir=$(mktemp -d /tmp/corvane-pgtest.XXXXXX)
  chmod 755 "$dir"
  bash "$sandbox" start "$dir" "$schema" corvane_template
  # shellcheck disable=SC1091
  . "$dir/server.env"
  psql -XAtq -h "$PGHOST" -p "$PGPORT" -U "$PGUSER" -d postgres \
    -c "ALTER DATABASE corvane_template WITH IS_TEMPLATE true ALLOW_CONNECTIONS false" >/dev/null
  { cat "$dir/server.env"; echo "DIR=$dir"; } >"$state"
  echo "test server on port $PGPORT in $dir"
  ;;
stop)
  [ -f "$state" ] || exit 0
  dir=$(sed -n 's/^DIR=//p' "$state")
  if [ -n "$dir" ] && [ -d "$dir" ]; then
    bash "$sandbox" stop "$dir"
    rm -rf "$dir"
  fi
  rm -f "$state"
  ;;
esac
