#!/usr/bin/env bash
# Builds Corvane and opens it against a local sample database. The sample cluster lives in the
# user's data folder and is reused on the next run; `scripts/run.sh --stop` stops it. It trusts
# whoever connects, so it listens on no TCP port: only on the Unix socket in its own folder
# (mode 0700), which other local users cannot enter.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_BUILD_DIR:-$root/build}
data=${XDG_DATA_HOME:-$HOME/.local/share}/QVR22
cluster=$data/sample-cluster
if [ "$(id -u)" -eq 0 ]; then
  # The server runs as the postgres user, who cannot reach root's home folder.
  cluster=/var/tmp/corvane-sample-cluster
fi

if [ "${1:-}" = "--stop" ]; then
  exec bash "$root/scripts/pg-sandbox.sh" stop "$cluster"
fi

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8 >/dev/null
cmake --build "$build" -j "$(nproc)" --target corvane

mkdir -p "$data"
bash "$root/scripts/pg-sandbox.sh" start --socket-only "$cluster" \
  "$root/tests/support/sample_schema.sql" corvane_sample
# shellcheck disable=SC1091
. "$cluster/server.env"
# A host that starts with "/" is the folder of the server's Unix socket.
echo "sample database corvane_sample on the socket in $PGHOST, port $PGPORT (user postgres)"
exec "$build/src/app/corvane" "/U=postgres" "/D=corvane_sample" "/H=$PGHOST" "/P=$PGPORT" "$@"
