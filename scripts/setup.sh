#!/usr/bin/env bash
# setup.sh [--demo]: installs what building and testing need on Debian 12,
# then configures and builds the project in ./build. With --demo, only what
# the tool needs to build and run, and only the programs the demo runs.
# Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
install_packages() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "$@"
}

# What the tool needs to build and run, and what the demo uses.
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev mdbtools-dev libsqlite3-dev sqlite3 libpq-dev unixodbc-dev libxcb1-dev libssl-dev
  qt6-translations-l10n fonts-liberation2
)
# What only the tests, the package check and the screenshot use.
test_packages=(
  mdbtools
  libgtest-dev
  unixodbc odbc-postgresql tdsodbc odbc-mariadb odbc-mdbtools
  postgresql mariadb-server util-linux
  locales
  qt6-base-private-dev
  xvfb xauth dpkg-dev file desktop-file-utils openbox xdotool imagemagick lintian
)
demo_targets=(aggiorna-abicab trasferisci-codici mkdemo mkprefix)

as_root apt-get -o DPkg::Lock::Timeout=600 update
if [ "${1:-}" = --demo ]; then
  install_packages "${packages[@]}"
  # A build folder the tests configured keeps its tests; a new one builds
  # without them, so GoogleTest is not needed.
  testing=()
  [ -f build/CMakeCache.txt ] || testing=(-DBUILD_TESTING=OFF)
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${testing[@]}"
  cmake --build build --target "${demo_targets[@]}"
  exit 0
fi

install_packages "${packages[@]}" "${test_packages[@]}"
# The tests run once more under an Italian locale, whose decimal separator is the comma.
if ! locale -a | grep -qi '^it_IT\.utf-\?8$'; then
  as_root sed -i '/^# *it_IT.UTF-8 UTF-8/s/^# *//' /etc/locale.gen
  grep -q '^it_IT.UTF-8 UTF-8' /etc/locale.gen || echo 'it_IT.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen
fi
if ! command -v npm >/dev/null; then
  install_packages nodejs npm
fi
# mdb-reader, the independent Jet reader the tests check written files with.
npm ci --prefix tests/support/mdb_reader --no-audit --no-fund

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON
cmake --build build
