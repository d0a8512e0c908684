#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds a demo installation
# of Corvanta and runs the update of its bank codes.
#
# The demo installation (in build/demo): a Wine prefix whose per-user
# settings hold the profile "Corvanta", and that profile's procedure
# database, an SQLite file with a release table and a few old codes, on the
# prefix's drive C:. Next to the tool's programs, build/bin/Abicab.mdb: a
# realistic Jet source of about 1,000 banks and 40,000 branches. Until the
# window drives the run, the update runs from the command line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

bin="$PWD/build/bin"
demo="$PWD/build/demo"
rm -rf "$demo"
mkdir -p "$demo"

"$bin/mkdemo" "$bin/Abicab.mdb"
# The profile was written by Corvanta on Windows: its folder is a Windows
# path, which reaches the prefix's drive C: (drive_c) through dosdevices.
"$bin/mkprefix" "$demo/wine" \
  'HKCU\Software\VB and VBA Program Settings\Corvanta\Corvanta' \
  'PrcSubDataType=(Nessuno)' 'PrcDir=C:\Corvanta\Dati' PrcName=ARCPROC PrcExt=.db \
  PrcAdoProvider=Microsoft.Jet.OLEDB.4.0 PrcAdoConnect= Server=S
arcproc="$demo/wine/drive_c/Corvanta/Dati/ARCPROC.db"
mkdir -p "$(dirname "$arcproc")"
sqlite3 "$arcproc" < scripts/demo/arcproc.sql

count() { sqlite3 "$arcproc" "SELECT (SELECT count(*) FROM ABI) || ' banche, ' || (SELECT count(*) FROM ABICAB) || ' sportelli';"; }
echo "Archivio procedura prima:  $(count)"
WINEPREFIX="$demo/wine" "$bin/trasferisci-codici" --si --profilo Corvanta
echo "Archivio procedura dopo:   $(count)"
echo "Codici sotto 1000 conservati:"
sqlite3 "$arcproc" "SELECT '  ' || AbiAbi || ' ' || AbiBanc FROM ABI WHERE AbiAbi < 1000 ORDER BY AbiAbi;"
