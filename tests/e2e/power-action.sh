#!/usr/bin/env bash
# End to end, a real power action: a one-time Restart and a one-time Shut down event in one
# second a few seconds ahead fire in the real Velkorin.exe at their second; one request, to shut
# down, follows once its warning has shown a minute. Under Wine the restart request ends the whole Wine session, so this runs
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

# Two events in one second, a Restart and a Shut down, in the program's English clock text;
# Wine keeps the host's time zone.
moment=$(($(date +%s) + 8))
at() { LC_ALL=C date -d "@$moment" "$@"; }
key=$(at '+%A %d %B %Y %H:%M:%S')
{
    printf '[Date&Time]\r\nDate&Time 1=%s\r\nDate&Time 2=%s\r\n' "$key" "$key"
    printf '[Restart]\r\nRestart 1=Restart\r\n[Shut down]\r\nShut down 2=Shut down\r\n'
    for field in Year:+%Y Month:+%-m Day:+%-d H:+%H M:+%M S:+%S; do
        printf '[%s]\r\n%s 1=%s\r\n%s 2=%s\r\n' "${field%%:*}" "${field%%:*}" \
            "$(at "${field#*:}")" "${field%%:*}" "$(at "${field#*:}")"
    done
} >"$work/app/InformationSW"

started=$(date +%s)
"$here/scripts/wine-run.sh" "$work/app/Velkorin.exe" >"$work/run.log" 2>&1 &
runner=$!
sleep 3
if [ ! -e "$work/app/InformationSW" ]; then
    echo "FAIL: the event was reported or fired before its moment"
    exit 1
fi
# The events fire at their second and leave the file; the request waits until its warning,
# shown from the start, has stood a full minute.
wait_for=$((moment + 4 - $(date +%s)))
[ "$wait_for" -gt 0 ] && sleep "$wait_for"
if ! kill -0 "$runner" 2>/dev/null; then
    echo "FAIL: the request came before its warning had shown a minute"
    exit 1
fi
if [ -e "$work/app/InformationSW" ]; then
    echo "FAIL: the events did not fire at their second"
    exit 1
fi
for _ in $(seq 1 90); do
    kill -0 "$runner" 2>/dev/null || break
    sleep 1
done
if kill -0 "$runner" 2>/dev/null; then
    echo "FAIL: Velkorin.exe still running a minute and a half after its events"
    wineserver -k || true
    exit 1
fi
ended=$(($(date +%s) - started))
if [ "$ended" -lt 58 ]; then
    echo "FAIL: the request came $ended s after the start, before its warning had shown a minute"
    exit 1
fi
# One request for the one second, and Shut down wins; the history says so before the request.
requests=$(grep -c ' requested  ' "$work/app/Velkorin.log" || true)
if [ "$requests" != 1 ] || ! grep -q "shut down requested  $key  Shut down" "$work/app/Velkorin.log"; then
    echo "FAIL: expected one request, to shut down; the history says:"
    cat "$work/app/Velkorin.log"
    exit 1
fi
echo "power action: announced a minute, one request (shut down) ended the program $ended s" \
    "after its start"
