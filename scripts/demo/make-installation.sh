#!/usr/bin/env bash
# make-installation.sh BIN FOLDER: a demo installation of Corvanta in FOLDER,
# made with the programs in BIN. FOLDER/wine is a Wine prefix whose per-user
# settings hold the profile "Corvanta", written as Corvanta writes it on
# Windows: its folder is a Windows path, which reaches the prefix's drive C:
# (drive_c) through dosdevices. That profile's procedure database is an
# SQLite file with a release table and a few old codes. FOLDER/Abicab.mdb
# holds the demo's codes, from ABI 1000 up like the real delivery.
set -euo pipefail
bin="$1"
folder="$2"
rm -rf "$folder"
mkdir -p "$folder"
"$bin/mkprefix" "$folder/wine" \
  'HKCU\Software\VB and VBA Program Settings\Corvanta\Corvanta' \
  'PrcSubDataType=(Nessuno)' 'PrcDir=C:\Corvanta\Dati' PrcName=ARCPROC PrcExt=.db \
  PrcAdoProvider=Microsoft.Jet.OLEDB.4.0 PrcAdoConnect= Server=S >/dev/null
arcproc="$folder/wine/drive_c/Corvanta/Dati/ARCPROC.db"
mkdir -p "$(dirname "$arcproc")"
sqlite3 "$arcproc" < "$(dirname "$0")/arcproc.sql"
"$bin/mkdemo" "$folder/Abicab.mdb" 2>/dev/null
