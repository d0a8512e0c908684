#!/usr/bin/env bash
# check_package.sh BUILD: builds the Debian package from BUILD with cpack and
# checks it as an administrator would meet it, without touching this machine:
# its dependencies resolve (apt-get --simulate), it installs into a scratch
# root, its programs start from there and update a demo installation, and it
# removes without leaving a file behind.
set -euo pipefail
build="$(cd "$1" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb="$(echo "$scratch"/out/*.deb)"
[ -f "$deb" ] || fail "no package built"

# Computed dependencies: the libraries the programs link, and the pieces Qt loads.
depends="$(dpkg-deb -f "$deb" Depends)"
for package in libqt6widgets6 libmdb3 libqt6sql6-sqlite qt6-translations-l10n fonts-liberation2; do
  grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done
apt-get --simulate install "$deb" >"$scratch/apt.log" 2>&1 \
  || { cat "$scratch/apt.log" >&2; fail "apt-get cannot install the package"; }

# A root of its own, with an empty package database: the libraries the
# package depends on are this machine's, so dpkg is told not to look for them.
root="$scratch/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >"$scratch/dpkg.log" 2>&1 \
  || { cat "$scratch/dpkg.log" >&2; fail "dpkg cannot install the package"; }
for file in usr/lib/corvanta-abicab/aggiorna-abicab usr/lib/corvanta-abicab/trasferisci-codici \
            usr/lib/corvanta-abicab/Abicab.mdb usr/bin/aggiorna-abicab usr/bin/trasferisci-codici \
            usr/share/applications/aggiorna-abicab.desktop \
            usr/share/icons/hicolor/16x16/apps/aggiorna-abicab.png usr/share/icons/hicolor/32x32/apps/aggiorna-abicab.png; do
  [ -e "$root/$file" ] || fail "not installed: /$file"
done
desktop-file-validate "$root/usr/share/applications/aggiorna-abicab.desktop" || fail "desktop file"

# A demo installation: the profile "Corvanta" and its SQLite procedure database.
bash "$(dirname "$0")/../../scripts/demo/make-installation.sh" "$build/bin" "$scratch/demo"
export WINEPREFIX="$scratch/demo/wine"
arcproc="$WINEPREFIX/drive_c/Corvanta/Dati/ARCPROC.db"

# Through the link on the PATH, the update reads the Abicab.mdb installed beside the program.
"$root/usr/bin/trasferisci-codici" --si --profilo Corvanta >"$scratch/run.log" 2>&1 \
  || { cat "$scratch/run.log" >&2; fail "trasferisci-codici from the package"; }
banks="$(sqlite3 "$arcproc" 'SELECT count(*) FROM ABI WHERE AbiAbi >= 1000')"
[ "$banks" -gt 900 ] || fail "the update left $banks banks from 1000 up"

# The window starts (offscreen), loads its profile and waits for the user.
QT_QPA_PLATFORM=offscreen "$root/usr/bin/aggiorna-abicab" >"$scratch/window.log" 2>&1 &
window=$!
sleep 3
kill -0 "$window" 2>/dev/null || { cat "$scratch/window.log" >&2; fail "the window did not stay open"; }
kill "$window"
wait "$window" 2>/dev/null || true
if grep -Ei 'cannot|could not|failed|error' "$scratch/window.log"; then fail "the window complained"; fi

# Without a display it says so in Italian and names the terminal program.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/aggiorna-abicab" >"$scratch/nodisplay.log" 2>&1 \
  && fail "started without a display"
grep -q 'nessuno schermo disponibile' "$scratch/nodisplay.log" || fail "no message without a display"

dpkg --root="$root" --force-not-root --log=/dev/null -r aggiorna-abicab >/dev/null
left="$(find "$root" -path "$root/var/lib/dpkg" -prune -o ! -type d -print)"
[ -z "$left" ] || fail "left after removal: $left"
echo "package $(basename "$deb"): built, installed, run and removed"
