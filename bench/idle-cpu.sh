#!/usr/bin/env bash
# Idle cost of the running program under Wine: Velkorin.exe with 1,000 events (none due) runs
# for 60 s; prints the CPU time its process used. Needs a build (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$root/build/idle-cpu
rm -rf "$work" && mkdir -p "$work"
cp build/win32/Velkorin.exe "$work/"
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
seconds=${1:-60}

{
    for section in 'Date&Time' Restart 'Shut down' Repeat Year Month Day H M S DayOfWeek; do
        printf '[%s]\r\n' "$section"
        for n in $(seq 1 1000); do
            case $section in
            'Date&Time') value="Friday 14 March 2031 09:$(printf %02d $((n / 60 % 60))):$(printf %02d $((n % 60)))" ;;
            Year) value=2031 ;; Month) value=3 ;; Day) value=14 ;; H) value=09 ;;
            M) value=$(printf %02d $((n / 60 % 60))) ;; S) value=$(printf %02d $((n % 60))) ;;
            *) value= ;;
            esac
            printf '%s%2d=%s\r\n' "$section" "$n" "$value"
        done
    done
} >"$work/InformationSW"

unset DISPLAY
xvfb-run -a scripts/wine-run.sh "$work/Velkorin.exe" >/dev/null 2>&1 &
pid=
for _ in $(seq 1 60); do
    pid=$(pgrep -f 'idle-cpu.*Velkorin.exe' | while read -r p; do
        grep -q 'Velkorin.exe' "/proc/$p/comm" 2>/dev/null && echo "$p"; done | head -1 || true)
    [ -n "$pid" ] && break
    pid=$(pgrep -x Velkorin.exe | head -1 || true)
    [ -n "$pid" ] && break
    sleep 1
done
[ -n "$pid" ] || { echo "Velkorin.exe did not start"; exit 1; }
sleep 5 # start-up done
ticks=$(getconf CLK_TCK)
before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
sleep "$seconds"
after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
WINEPREFIX=$WINEPREFIX wineserver -k >/dev/null 2>&1 || true
echo "idle with 1,000 events: $(( (after - before) * 1000 / ticks )) ms CPU in ${seconds} s"
