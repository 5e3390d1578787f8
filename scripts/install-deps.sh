#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the sample server need.
# Idempotent: asks apt only for what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-charts-dev libgl-dev qt6-qpa-plugins
  libqscintilla2-qt6-dev
  libpq-dev
  libxlsxwriter-dev libzip-dev
  libgtest-dev libgmock-dev xvfb xauth fonts-noto-cjk poppler-utils
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
# The server package may create and start a cluster of its own on port 5432; the tests and the
# sample use clusters of their own on free ports and never touch it.
$sudo apt-get install -y -qq \
  -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "${missing[@]}"
