#!/usr/bin/env bash
# Idle cost under Wine, side by side in one run: a minimal program with the same one-second
# timer that paints nothing, a fair clock that paints the same time line each second, Velkorin
# shown beside it (neither of the two the active window), Velkorin hidden in the tray alone, and
# Velkorin hidden in the tray with another window in front, all with 1,000 events (none due
# within the hour), measured together for 60 s (or $1 seconds), three times (or $2). Each
# Velkorin in the tray runs in a prefix of its own, so that its start-minimised setting and the
# foreground are its own; one display holds them all. Prints the CPU time and the wake-ups of
# each process (all threads; a wake-up is a return from a sleep, counted by the kernel as a
# voluntary context switch), the medians, and the ratios the targets name.
# A third argument names another build's Velkorin.exe (an earlier version) to measure instead.
# Needs a build (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
rounds=${2:-3}
program=$(realpath "${3:-build/win64/Velkorin.exe}")
work=$root/build/idle-cpu
rm -rf "$work" && mkdir -p "$work"/{baseline,clock,shown,alone,behind,front}
cp build/win64/idle_baseline.exe "$work/baseline/"
cp build/win64/idle_baseline.exe "$work/front/"
cp build/win64/idle_clock.exe "$work/clock/"
for place in shown alone behind; do cp "$program" "$work/$place/Velkorin.exe"; done
export WINEDEBUG=-all WINE_LC_ALL=C.UTF-8
wine=$root/scripts/wine-run.sh # the 64-bit loader in 64-bit prefixes

bash bench/write-events.sh 1000 "$work/shown/InformationSW"
cp "$work/shown/InformationSW" "$work/alone/"
cp "$work/shown/InformationSW" "$work/behind/"

display=:$((200 + RANDOM % 100))
Xvfb "$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
prefixes=("$work/prefix-desk" "$work/prefix-alone" "$work/prefix-behind")
trap 'for p in "${prefixes[@]}"; do WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true; done
      kill $xvfb 2>/dev/null || true' EXIT
sleep 1
WINEPREFIX=${prefixes[0]} "$wine" wineboot -i >/dev/null 2>&1 || true
WINEPREFIX=${prefixes[0]} wineserver -w
cp -a "${prefixes[0]}" "${prefixes[1]}"
cp -a "${prefixes[0]}" "${prefixes[2]}"
for p in "${prefixes[1]}" "${prefixes[2]}"; do
    WINEPREFIX=$p "$wine" reg add 'HKCU\Software\MarbrookVKRN\Velkorin' /v Minimize /t REG_SZ \
        /d 1 /f >/dev/null 2>&1
    WINEPREFIX=$p wineserver -w
done

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
# Returns from sleep, summed over every thread of the process.
wakes() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^voluntary_ctxt_switches:/ { sum += $2 } END { print sum + 0 }'
}

WINEPREFIX=${prefixes[0]} "$wine" "$work/baseline/idle_baseline.exe" >/dev/null 2>&1 &
WINEPREFIX=${prefixes[0]} "$wine" "$work/shown/Velkorin.exe" >/dev/null 2>&1 &
pidOf "$work/shown/Velkorin.exe" >/dev/null
sleep 3
# The fair clock comes last and is the active window: both clocks show side by side, and
# neither is being typed into (a focused box would blink its caret on top).
WINEPREFIX=${prefixes[0]} "$wine" "$work/clock/idle_clock.exe" >/dev/null 2>&1 &
WINEPREFIX=${prefixes[1]} "$wine" "$work/alone/Velkorin.exe" >/dev/null 2>&1 &
WINEPREFIX=${prefixes[2]} "$wine" "$work/behind/Velkorin.exe" >/dev/null 2>&1 &
names=(baseline clock shown alone behind)
declare -A pid
for name in "${names[@]}"; do
    exe=$work/$name/$( [ "$name" = baseline ] && echo idle_baseline.exe ||
        { [ "$name" = clock ] && echo idle_clock.exe || echo Velkorin.exe; })
    pid[$name]=$(pidOf "$exe")
done
sleep 5 # start-up done, both tray copies hidden
# Another window comes in front of the second hidden copy, as any program the user starts.
WINEPREFIX=${prefixes[2]} "$wine" "$work/front/idle_baseline.exe" >/dev/null 2>&1 &
pidOf "$work/front/idle_baseline.exe" >/dev/null
sleep 3

declare -A runs wokeRuns
for round in $(seq 1 "$rounds"); do
    declare -A before=() wokeBefore=()
    for name in "${names[@]}"; do
        before[$name]=$(cpu "${pid[$name]}")
        wokeBefore[$name]=$(wakes "${pid[$name]}")
    done
    sleep "$seconds"
    line="round $round (ms and wake-ups per ${seconds} s):"
    for name in "${names[@]}"; do
        ms=$(awk -v a="$(cpu "${pid[$name]}")" -v b="${before[$name]}" \
            'BEGIN { printf "%.1f", (a - b) / 1e6 }')
        woke=$(($(wakes "${pid[$name]}") - ${wokeBefore[$name]}))
        runs[$name]="${runs[$name]:-} $ms"
        wokeRuns[$name]="${wokeRuns[$name]:-} $woke"
        line="$line $name $ms/$woke"
    done
    echo "$line"
done
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A mid woke
for name in "${names[@]}"; do
    mid[$name]=$(median "${runs[$name]}")
    woke[$name]=$(median "${wokeRuns[$name]}")
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
perMinute() { awk -v a="$1" -v s="$seconds" 'BEGIN { printf "%.1f", a * 60 / s }'; }
echo "median CPU per ${seconds} s (ms): timer program ${mid[baseline]}, fair clock ${mid[clock]}," \
    "Velkorin shown ${mid[shown]}, in the tray alone ${mid[alone]}, in the tray behind a window ${mid[behind]}"
echo "median wake-ups a minute: timer program $(perMinute "${woke[baseline]}")," \
    "fair clock $(perMinute "${woke[clock]}"), Velkorin shown $(perMinute "${woke[shown]}")," \
    "in the tray alone $(perMinute "${woke[alone]}"), behind a window $(perMinute "${woke[behind]}") (target <= 2 in the tray)"
echo "in the tray / timer program: alone $(ratio "${mid[alone]}" "${mid[baseline]}")," \
    "behind a window $(ratio "${mid[behind]}" "${mid[baseline]}") (target <= 0.1)"
echo "shown / fair clock: $(ratio "${mid[shown]}" "${mid[clock]}") (target <= 1.0)"
