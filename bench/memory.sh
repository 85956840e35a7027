#!/usr/bin/env bash
# Memory of Velkorin under Wine with 0, 10,000 and 50,000 events (or the counts given), and on
# a sparse 1 GB event file, which it does not read: each started alone in a directory of its
# own, its proportional set size (Pss, as smaps_rollup counts it: shared pages divided among
# their users) and its peak resident size (VmHWM) read once the main window has stood for a few
# seconds, three times each; prints the medians and the cost per event. Needs a build
# (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
counts=("${@:-0 10000 50000}")
read -r -a counts <<<"${counts[*]}"
work=$root/build/memory
rm -rf "$work" && mkdir -p "$work"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINE_LC_ALL=C.UTF-8
wine=$root/scripts/wine-run.sh
display=:$((200 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
sleep 1
"$wine" wineboot -i >/dev/null 2>&1 || true
wineserver -w

pss() { # kB
    awk '/^Pss:/ { print $2 }' "/proc/$1/smaps_rollup"
}
peak() { # kB
    awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"
}
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A result
# One start on a directory prepared by "$2" (events, or a sparse file); sets pid.
measure() {
    local dir=$work/$1
    mkdir -p "$dir"
    cp build/win64/Velkorin.exe "$dir/"
    $2 "$dir/InformationSW"
    "$wine" "$dir/Velkorin.exe" >/dev/null 2>&1 &
    pid=
    for _ in $(seq 1 60); do
        pid=$(pgrep -f -- "$dir/Velkorin.exe" | while read -r p; do
            grep -q Velkorin "/proc/$p/comm" 2>/dev/null && echo "$p"; done | head -1 || true)
        [ -n "$pid" ] && break
        sleep 0.5
    done
    [ -n "$pid" ] || { echo "Velkorin in $1 did not start" >&2; exit 1; }
    sleep 8 # the main window shown, the start-up done
    runs="$runs $(pss "$pid")"
    peaks="$peaks $(peak "$pid")"
    wineserver -k >/dev/null 2>&1 || true
    sleep 1
}
for count in "${counts[@]}"; do
    runs="" peaks=""
    for round in 1 2 3; do
        if [ "$count" -gt 0 ]; then
            measure "$count-$round" "bash bench/write-events.sh $count"
        else
            measure "$count-$round" true
        fi
    done
    result[$count]=$(median "$runs")
    echo "$count events: Pss $runs kB (median ${result[$count]} kB), peak resident $peaks kB"
done
empty=${result[${counts[0]}]}
for count in "${counts[@]:1}"; do
    awk -v n="$count" -v a="${result[$count]}" -v b="$empty" \
        'BEGIN { printf "%d events: %.1f MB, %.0f bytes per event above the empty start\n", n, a / 1024, (a - b) * 1024 / n }'
done
runs="" peaks=""
for round in 1 2 3; do
    measure "sparse-$round" "truncate -s 1G"
done
echo "a sparse 1 GB event file: Pss $runs kB (median $(median "$runs") kB), peak resident $peaks kB (median $(median "$peaks") kB)"
