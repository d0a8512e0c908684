#!/usr/bin/env bash
# check_package.sh BUILD: builds the Debian package from BUILD with cpack and
# checks it as an administrator would meet it, without touching this machine:
# lintian finds no error in it, its dependencies resolve (apt-get
# --simulate), it installs into a scratch root, its programs start from there
# and update a demo installation from the administrator's codes, an upgrade
# and a removal leave those codes alone, and nothing else is left behind.
set -euo pipefail
build="$(cd "$1" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log" >&2; fail "cpack"; }
deb="$(echo "$scratch"/out/*.deb)"
[ -f "$deb" ] || fail "no package built"

lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1 || { cat "$scratch/lintian.log" >&2; fail "lintian"; }

# No codes of its own: Abicab.mdb is only the link to the administrator's file.
codes=/var/lib/corvanta-abicab
dpkg-deb -c "$deb" >"$scratch/contents.txt"
grep -q "^l.* ./usr/lib/corvanta-abicab/Abicab.mdb -> $codes/Abicab.mdb\$" "$scratch/contents.txt" \
  || fail "the package lacks the link to $codes/Abicab.mdb"
if grep -v '^l' "$scratch/contents.txt" | grep -q 'Abicab\.mdb'; then fail "the package ships an Abicab.mdb"; fi

# Computed dependencies: the libraries the programs link, and the pieces Qt loads.
depends="$(dpkg-deb -f "$deb" Depends)"
for package in libqt6widgets6 libmdb3 libsqlite3-0 libpq5 libodbc2 qt6-translations-l10n fonts-liberation2; do
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
            usr/bin/aggiorna-abicab usr/bin/trasferisci-codici \
            usr/share/applications/aggiorna-abicab.desktop \
            usr/share/icons/hicolor/16x16/apps/aggiorna-abicab.png usr/share/icons/hicolor/32x32/apps/aggiorna-abicab.png \
            usr/share/man/man1/aggiorna-abicab.1.gz usr/share/man/man1/trasferisci-codici.1.gz \
            usr/share/doc/aggiorna-abicab/copyright usr/share/doc/aggiorna-abicab/changelog.gz "${codes#/}"; do
  [ -e "$root/$file" ] || fail "not installed: /$file"
done
desktop-file-validate "$root/usr/share/applications/aggiorna-abicab.desktop" || fail "desktop file"

# A demo installation: the profile "Corvanta" and its SQLite procedure database.
bash "$(dirname "$0")/../../scripts/demo/make-installation.sh" "$build/bin" "$scratch/demo"
export WINEPREFIX="$scratch/demo/wine"
# The runs' backups and log go to the scratch folder, not to this user's.
export XDG_STATE_HOME="$scratch/state"
arcproc="$WINEPREFIX/drive_c/Corvanta/Dati/ARCPROC.db"

# The package's link names this machine's /var/lib: the programs run in a
# mount namespace of their own where the scratch root's /var/lib stands there.
in_root() {
  unshare --map-root-user --mount sh -c 'mount --bind "$0" /var/lib && exec "$@"' "$root/var/lib" "$@"
}
in_root true || fail "cannot give the programs the scratch root's /var/lib (unshare)"

# Before the administrator puts the codes there, the update says where they go.
in_root "$root/usr/bin/trasferisci-codici" --si --profilo Corvanta >"$scratch/missing.log" 2>&1 \
  && fail "trasferisci-codici ran without the codes"
grep -q "linea 140, .* Il file va messo in '$codes/Abicab.mdb'\.\$" "$scratch/missing.log" \
  || { cat "$scratch/missing.log" >&2; fail "no line-140 report of where the codes go"; }

# Through the link on the PATH, the update reads the administrator's codes.
cp "$scratch/demo/Abicab.mdb" "$root$codes/Abicab.mdb"
in_root "$root/usr/bin/trasferisci-codici" --si --profilo Corvanta >"$scratch/run.log" 2>&1 \
  || { cat "$scratch/run.log" >&2; fail "trasferisci-codici from the package"; }
banks="$(sqlite3 "$arcproc" 'SELECT count(*) FROM ABI WHERE AbiAbi >= 1000')"
[ "$banks" -gt 900 ] || fail "the update left $banks banks from 1000 up"

# An upgrade (the same package again) keeps the administrator's codes.
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >"$scratch/dpkg.log" 2>&1 \
  || { cat "$scratch/dpkg.log" >&2; fail "dpkg cannot upgrade the package"; }
cmp -s "$scratch/demo/Abicab.mdb" "$root$codes/Abicab.mdb" || fail "the upgrade changed the administrator's codes"

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

# Removed, it leaves the administrator's codes and nothing else.
dpkg --root="$root" --force-not-root --log=/dev/null -r aggiorna-abicab >/dev/null 2>&1
cmp -s "$scratch/demo/Abicab.mdb" "$root$codes/Abicab.mdb" || fail "the removal took the administrator's codes"
left="$(find "$root" -path "$root/var/lib/dpkg" -prune -o -path "$root$codes/Abicab.mdb" -prune -o ! -type d -print)"
[ -z "$left" ] || fail "left after removal: $left"
echo "package $(basename "$deb"): built, installed, run and removed"
