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
  libpq-dev unixodbc unixodbc-dev odbc-postgresql tdsodbc odbc-mariadb odbc-mdbtools
  postgresql mariadb-server util-linux
  locales
  qt6-base-private-dev qt6-translations-l10n fonts-liberation2 libxcb1-dev
  xvfb xauth dpkg-dev file desktop-file-utils openbox xdotool imagemagick
)
as_root apt-get -o DPkg::Lock::Timeout=600 update
as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${packages[@]}"
# The tests run once more under an Italian locale, whose decimal separator is the comma.
if ! locale -a | grep -qi '^it_IT\.utf-\?8$'; then
  as_root sed -i '/^# *it_IT.UTF-8 UTF-8/s/^# *//' /etc/locale.gen
  grep -q '^it_IT.UTF-8 UTF-8' /etc/locale.gen || echo 'it_IT.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen
fi
if ! command -v npm >/dev/null; then
  as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends nodejs npm
fi
# mdb-reader, the independent Jet reader the tests check written files with.
npm ci --prefix tests/support/mdb_reader --no-audit --no-fund

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
