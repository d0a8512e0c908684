#!/usr/bin/env bash
# Takes the README's screenshot, docs/screenshot.png: the window updating the
# demo installation, on a virtual display (Xvfb) with a window manager
# (openbox), driven with xdotool as a user would drive it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

bin="$PWD/build/bin"
work="$PWD/build/screenshot"
bash scripts/demo/make-installation.sh "$bin" "$work"
ln -sfn "$work/Abicab.mdb" "$bin/Abicab.mdb"
export WINEPREFIX="$work/wine"

pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
# Xvfb picks a free display itself and names it on the descriptor given.
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 640x400x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -u "$displayfd" number
export DISPLAY=":$number"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

"$bin/aggiorna-abicab" >/dev/null 2>&1 &
pids+=($!)
window="$(xdotool search --sync --name '^Corvanta - Aggiornamento codici ABI/CAB$' | head -n 1)"
xdotool windowmove --sync "$window" 80 80
sleep 1
# "OK" (348, 21; 85 x 22 pixels), then Enter for the confirmation's default "Sì".
xdotool mousemove --window "$window" 390 32 click 1
xdotool search --sync --name '^Messaggio di Corvanta NET$' >/dev/null
sleep 0.5
xdotool key Return
# Into the branches, about a third of the way.
sleep "${SCREENSHOT_DELAY:-2.5}"
import -window root "$work/screen.png"
convert "$work/screen.png" -trim +repage docs/screenshot.png
echo "docs/screenshot.png: $(identify -format '%wx%h' docs/screenshot.png)"
