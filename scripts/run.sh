#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velkorin under Wine. With a display it opens
# there; without one it runs under a virtual display and writes a screenshot of it to
# build/velkorin.png after a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
bash scripts/build.sh

app=$root/build/app
mkdir -p "$app"
cp build/win64/Velkorin.exe build/win64/HelpVelkorin.chm "$app/"
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-velkorin}

if [ -n "${DISPLAY:-}" ]; then
    echo "Starting Velkorin from $app"
    exec scripts/wine-run.sh "$app/Velkorin.exe"
fi

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
sleep 1
openbox >/dev/null 2>&1 &
scripts/wine-run.sh wineboot -i >/dev/null 2>&1 || true
scripts/wine-run.sh "$app/Velkorin.exe" >/dev/null 2>&1 &
sleep 8
import -window root build/velkorin.png
echo "No display: Velkorin ran under Xvfb; screenshot in $root/build/velkorin.png"
