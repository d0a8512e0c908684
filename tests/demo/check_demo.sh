#!/usr/bin/env bash
# check_demo.sh BUILD: the demo's update, run as scripts/demo.sh runs it from
# the terminal, can be run again on the same installation, and the demo made
# anew gives the same result.
set -euo pipefail
build="$(cd "$1" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
make_installation="$(dirname "$0")/../../scripts/demo/make-installation.sh"

demo="$scratch/demo"
export WINEPREFIX="$demo/wine"
# The runs' backups and log go to the scratch folder, not to this user's.
export XDG_STATE_HOME="$scratch/state"
arcproc="$WINEPREFIX/drive_c/Corvanta/Dati/ARCPROC.db"
codes() { sqlite3 "$arcproc" 'SELECT * FROM ABI ORDER BY AbiAbi; SELECT * FROM ABICAB ORDER BY AbcAbi, AbcCab;'; }
# The program reads the codes from its own folder: a copy beside the demo's.
update() {
  cp "$build/bin/trasferisci-codici" "$demo/"
  "$demo/trasferisci-codici" --si --profilo Corvanta >"$scratch/run.log" 2>&1 \
    || { cat "$scratch/run.log" >&2; fail "$1"; }
}

bash "$make_installation" "$build/bin" "$demo"
update "the demo's update"
codes >"$scratch/first.txt"
# The installation's own codes below 1000 are kept, and none is added there.
below="$(sqlite3 "$arcproc" 'SELECT group_concat(AbiAbi) FROM ABI WHERE AbiAbi < 1000')"
[ "$below" = "101,999" ] || fail "codes below 1000 after the update: $below"

update "the demo's update run again"
codes >"$scratch/again.txt"
cmp -s "$scratch/first.txt" "$scratch/again.txt" || fail "the second update gave other codes"

bash "$make_installation" "$build/bin" "$demo"
update "the update of a new demo installation"
codes >"$scratch/anew.txt"
cmp -s "$scratch/first.txt" "$scratch/anew.txt" || fail "a new demo installation gave other codes"
echo "demo: $(wc -l <"$scratch/first.txt") codes, the same on every run"
