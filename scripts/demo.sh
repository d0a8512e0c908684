#!/usr/bin/env bash
# Sets up on a fresh Debian 12 machine what the tool needs, builds the
# programs the demo runs, builds a demo installation of Corvanta and updates
# its bank codes: in the window when there is a display, from the terminal
# otherwise. It can be run again: each run starts from a new demo
# installation and gives the same result.
#
# The demo installation (in build/demo): a Wine prefix whose per-user
# settings hold the profile "Corvanta", and that profile's procedure
# database, an SQLite file with a release table and a few old codes, on the
# prefix's drive C:. Its codes, build/demo/Abicab.mdb, a realistic Jet source
# of about 1,000 banks and 40,000 branches, reach the programs through the
# link build/bin/Abicab.mdb, since they read the codes from their own folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --demo

bin="$PWD/build/bin"
demo="$PWD/build/demo"
bash scripts/demo/make-installation.sh "$bin" "$demo"
ln -sfn "$demo/Abicab.mdb" "$bin/Abicab.mdb"
export WINEPREFIX="$demo/wine"
arcproc="$WINEPREFIX/drive_c/Corvanta/Dati/ARCPROC.db"

count() { sqlite3 "$arcproc" "SELECT (SELECT count(*) FROM ABI) || ' banche, ' || (SELECT count(*) FROM ABICAB) || ' sportelli';"; }
echo "Archivio procedura prima:  $(count)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Si apre la finestra aggiorna-abicab: premere OK, poi Sì; Termina la chiude."
  "$bin/aggiorna-abicab"
else
  echo "Nessuno schermo disponibile (DISPLAY non impostato): lo stesso aggiornamento con trasferisci-codici."
  "$bin/trasferisci-codici" --si --profilo Corvanta
fi
echo "Archivio procedura dopo:   $(count)"
echo "Codici sotto 1000 conservati:"
sqlite3 "$arcproc" "SELECT '  ' || AbiAbi || ' ' || AbiBanc FROM ABI WHERE AbiAbi < 1000 ORDER BY AbiAbi;"
