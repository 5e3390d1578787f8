#!/usr/bin/env bash
# Builds Corvane and opens it against a local sample database. The sample cluster lives in the
# user's data folder and is reused on the next run. It trusts whoever connects, so it listens on
# no TCP port: only on the Unix socket in its own folder (mode 0700), which other local users
# cannot enter.
#
#   scripts/run.sh [CORVANE-SWITCHES...]   build, start or reuse the cluster, open the program
#   scripts/run.sh --server                start or reuse the cluster only and say where it is
#   scripts/run.sh --stop                  stop the cluster this user's runs started
#
# The cluster's folder holds a file "owner" naming who started it (the user and the data
# folder); a run reuses and --stop stops only a cluster whose owner file names the same.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CORVANE_BUILD_DIR:-$root/build}
data=${XDG_DATA_HOME:-$HOME/.local/share}/QVR22
cluster=$data/sample-cluster
user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  # The server runs as the postgres user, who cannot reach root's home folder: the cluster goes
  # to /var/tmp, in a folder of the user who called sudo (or logged in) and of this data
  # folder, so that two people's root runs never share or stop each other's cluster.
  user=${SUDO_USER:-$(logname 2>/dev/null || id -un)}
  safe_user=$(printf '%s' "$user" | tr -c 'A-Za-z0-9._-' '_')
  data_id=$(printf '%s' "$data" | sha256sum | cut -c1-12)
  cluster=/var/tmp/corvane-sample-$safe_user-$data_id
fi
owner_text=$(printf 'user=%s\ndata=%s\n' "$user" "$data")

# Whether the cluster folder is one that this user's runs started: 0 yes, 1 no, 2 there is none.
owned() {
  [ -e "$cluster" ] || [ -L "$cluster" ] || return 2
  if [ -L "$cluster" ] || [ ! -d "$cluster" ]; then return 1; fi
  if [ "$(id -u)" -eq 0 ]; then
    # /var/tmp is open to everyone: a folder that someone else made there is not ours.
    case $(stat -c %U "$cluster") in root | postgres) ;; *) return 1 ;; esac
  elif [ ! -e "$cluster/owner" ] && [ "$(stat -c %u "$cluster")" = "$(id -u)" ]; then
    # A cluster in the user's own data folder from before owner files: only they started it.
    return 0
  fi
  [ -f "$cluster/owner" ] && [ "$(cat "$cluster/owner")" = "$owner_text" ]
}

if [ "${1:-}" = "--stop" ]; then
  state=0
  owned || state=$?
  if [ $state -eq 2 ]; then
    echo "run.sh: no sample cluster in $cluster"
    exit 0
  elif [ $state -ne 0 ]; then
    echo "run.sh: the cluster in $cluster was not started by the runs of $user; left running" >&2
    exit 1
  fi
  exec bash "$root/scripts/pg-sandbox.sh" stop "$cluster"
fi

start_cluster() {
  local state=0
  owned || state=$?
  if [ $state -eq 1 ]; then
    echo "run.sh: $cluster holds a cluster that the runs of $user did not start; not used" >&2
    exit 1
  fi
  mkdir -p "$data"
  if [ $state -eq 2 ]; then
    # A new folder of its own (mkdir fails should another one have made it meanwhile), with
    # the owner file before anything else.
    mkdir -m 0700 "$cluster"
    printf '%s\n' "$owner_text" >"$cluster/owner"
  elif [ ! -e "$cluster/owner" ]; then
    printf '%s\n' "$owner_text" >"$cluster/owner"
  fi
  bash "$root/scripts/pg-sandbox.sh" start --socket-only "$cluster" \
    "$root/tests/support/sample_schema.sql" corvane_sample
}

if [ "${1:-}" = "--server" ]; then
  start_cluster
  # shellcheck disable=SC1091
  . "$cluster/server.env"
  echo "sample database corvane_sample on the socket in $PGHOST, port $PGPORT (user postgres)"
  exit 0
fi

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=8 >/dev/null
cmake --build "$build" -j "$(nproc)" --target corvane

start_cluster
# shellcheck disable=SC1091
. "$cluster/server.env"
# A host that starts with "/" is the folder of the server's Unix socket.
echo "sample database corvane_sample on the socket in $PGHOST, port $PGPORT (user postgres)"
exec "$build/src/app/corvane" "/U=postgres" "/D=corvane_sample" "/H=$PGHOST" "/P=$PGPORT" "$@"
