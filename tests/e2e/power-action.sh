#!/usr/bin/env bash
# End to end, a real power action: a one-time Restart event a few seconds ahead fires in the
# real Velkorin.exe. Under Wine the restart request ends the whole Wine session, so this runs
# in a prefix and a display of its own and watches from outside: the program must be gone, and
# so must the event file it wrote just before the request (the event was its only row).
set -euo pipefail
exe=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(dirname "$exe")/power-action
rm -rf "$work"
mkdir -p "$work/app"
cp "$exe" "$work/app/Velkorin.exe"
export WINEPREFIX=$work/prefix
export WINE_LC_ALL=en_US.UTF-8
unset DISPLAY

"$here/scripts/wine-run.sh" wineboot -i >/dev/null 2>&1 || true

# The event in the program's English clock text; Wine keeps the host's time zone.
moment=$(($(date +%s) + 8))
at() { LC_ALL=C date -d "@$moment" "$@"; }
printf '[Date&Time]\r\nDate&Time 1=%s\r\n[Restart]\r\nRestart 1=Restart\r\n' \
    "$(at '+%A %d %B %Y %H:%M:%S')" >"$work/app/InformationSW"
printf '[Year]\r\nYear 1=%s\r\n[Month]\r\nMonth 1=%s\r\n[Day]\r\nDay 1=%s\r\n' \
    "$(at +%Y)" "$(at +%-m)" "$(at +%-d)" >>"$work/app/InformationSW"
printf '[H]\r\nH 1=%s\r\n[M]\r\nM 1=%s\r\n[S]\r\nS 1=%s\r\n' \
    "$(at +%H)" "$(at +%M)" "$(at +%S)" >>"$work/app/InformationSW"

"$here/scripts/wine-run.sh" "$work/app/Velkorin.exe" >"$work/run.log" 2>&1 &
runner=$!
sleep 3
if [ ! -e "$work/app/InformationSW" ]; then
    echo "FAIL: the event was reported or fired before its moment"
    exit 1
fi
for _ in $(seq 1 60); do
    kill -0 "$runner" 2>/dev/null || break
    sleep 1
done
if kill -0 "$runner" 2>/dev/null; then
    echo "FAIL: Velkorin.exe still running a minute after its restart event"
    wineserver -k || true
    exit 1
fi
if [ -e "$work/app/InformationSW" ]; then
    echo "FAIL: the event file still exists; the fired event should have left it"
    cat "$work/app/InformationSW"
    exit 1
fi
echo "power action: the restart request ended the program and left no event file"
