#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, then configures and
# builds the project in ./build. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc
  mdbtools mdbtools-dev
  libgtest-dev libsqlite3-dev sqlite3
)
as_root apt-get update
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${packages[@]}"
if ! command -v npm >/dev/null; then
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends nodejs npm
fi
# mdb-reader, the independent Jet reader the tests check written files with.
npm ci --prefix tests/support/mdb_reader --no-audit --no-fund

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
