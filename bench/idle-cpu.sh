#!/usr/bin/env bash
# Idle cost under Wine, side by side in one run: a minimal program with the same one-second
# timer that paints nothing, Velkorin with no events and Velkorin with 1,000 events (none due)
# run together for 60 s (or $1 seconds) in a prefix and display of their own. Prints the CPU
# time of each process it started (all threads), of their wineserver, and the ratios.
# Needs a build (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
work=$root/build/idle-cpu
rm -rf "$work" && mkdir -p "$work"/{baseline,empty,thousand}
cp build/win32/idle_baseline.exe "$work/baseline/"
cp build/win32/Velkorin.exe "$work/empty/"
cp build/win32/Velkorin.exe "$work/thousand/"
export WINEPREFIX=$work/prefix WINEDEBUG=-all LC_ALL=C.UTF-8

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
} >"$work/thousand/InformationSW"

display=:$((200 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
sleep 1
wineboot -i >/dev/null 2>&1 || true
wineserver -w
# A server of our own, started here, so that its process is the one measured.
wineserver -f -p &
server=$!
sleep 1

# The process whose command line names this very executable, so no other copy on the machine
# is measured.
pidOf() {
    local exe=$1 pid=
    for _ in $(seq 1 60); do
        pid=$(pgrep -f -- "$exe" | while read -r p; do
            grep -q "$(basename "$exe" | cut -c1-15)" "/proc/$p/comm" 2>/dev/null && echo "$p"
        done | head -1 || true)
        [ -n "$pid" ] && { echo "$pid"; return; }
        sleep 1
    done
    echo "$exe did not start" >&2
    exit 1
}
# Nanoseconds on a CPU, summed over every thread of the process.
cpu() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { print sum + 0 }'; }

wine "$work/baseline/idle_baseline.exe" >/dev/null 2>&1 &
wine "$work/empty/Velkorin.exe" >/dev/null 2>&1 &
wine "$work/thousand/Velkorin.exe" >/dev/null 2>&1 &
baseline=$(pidOf "$work/baseline/idle_baseline.exe")
empty=$(pidOf "$work/empty/Velkorin.exe")
thousand=$(pidOf "$work/thousand/Velkorin.exe")
sleep 5 # start-up done

declare -A before
for p in $baseline $empty $thousand $server; do before[$p]=$(cpu "$p"); done
sleep "$seconds"
ms() { awk -v a="$(cpu "$1")" -v b="${before[$1]}" 'BEGIN { printf "%.1f", (a - b) / 1e6 }'; }
b=$(ms "$baseline") e=$(ms "$empty") t=$(ms "$thousand") s=$(ms "$server")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : a / 10) }'; }
echo "idle CPU over ${seconds} s (ms): baseline $b, Velkorin no events $e, Velkorin 1,000 events $t, wineserver (all three) $s"
echo "ratio to baseline: no events $(ratio "$e" "$b"), 1,000 events $(ratio "$t" "$b") (target < 1.5)"
