#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the sample server need.
# Idempotent: asks apt only for what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-charts-dev libgl-dev
  libqscintilla2-qt6-dev
  libpq-dev
  libxlsxwriter-dev libzip-dev
  libgtest-dev libgmock-dev xvfb xauth fonts-noto-cjk
  postgresql-15 postgresql-contrib postgresql-15-pldebugger postgresql-client-15
  libbenchmark-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# The cluster that the server package would create on its own is of no use here; every test run
# and the sample start their own.
if [ ! -e /etc/postgresql-common/createcluster.conf ]; then
  $sudo mkdir -p /etc/postgresql-common
  echo "create_main_cluster = false" | $sudo tee /etc/postgresql-common/createcluster.conf >/dev/null
fi
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
