#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the core natively, the Win32 parts and
# the whole program under Wine in a fresh prefix, then the event-file fuzzer for a minute.
# Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
bash scripts/build.sh

# A fresh Wine prefix for this run, inside the build tree, and a display of its own.
export WINEPREFIX=$root/build/wineprefix
export WINE_LC_ALL=en_US.UTF-8
rm -rf "$WINEPREFIX"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
sleep 1
openbox >/dev/null 2>&1 & # title bars in the screenshots, as on a desktop
scripts/wine-run.sh wineboot -i >/dev/null 2>&1 || true
wineserver -w

passed=0
failed=0
step() { # runs one test step and counts it
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

# Every source file as the committed .clang-format writes it.
echo "clang-format: every source file in the committed form"
step bash -c 'git ls-files "*.cpp" "*.h" | xargs clang-format --dry-run --Werror'

step bash -c 'cd build/native && ctest --output-on-failure'
step bash -c 'cd build/win64 && ctest --output-on-failure'

# The date pictures, and events composed through the real form, once more in German and
# Russian (Windows-1251): composed match keys must equal the clock text in every language.
for locale in de_DE.UTF-8 ru_RU.UTF-8; do
    echo "wine_tests and the editor end to end in $locale"
    step env WINE_LC_ALL=$locale scripts/wine-run.sh build/win64/wine_tests.exe \
        --gtest_filter='DatePictures.*'
    step env WINE_LC_ALL=$locale scripts/wine-run.sh build/win64/e2e_tests.exe \
        --gtest_filter='Editor.EventsComposed*:Startup.TheRowNumberHeader*'
done

# The main window at 150% and 200%: the prefix's display scaling set, and put back after.
for dpi in 144 192; do
    echo "the main window at $((dpi * 100 / 96))%"
    scripts/wine-run.sh reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$dpi" /f >/dev/null 2>&1
    step scripts/wine-run.sh build/win64/e2e_tests.exe --gtest_filter='Scaling.*'
done
scripts/wine-run.sh reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true

# Windows' rules of a zone with daylight saving, as the schedule is told them.
echo "wine_tests in Europe/Berlin"
step env TZ=Europe/Berlin scripts/wine-run.sh build/win64/wine_tests.exe --gtest_filter='Zone.*'

# Across a daylight-saving change: Wine follows a POSIX rule in TZ, read from the Unix
# environment when a program starts, so a zone whose clocks go forward on the next whole minute
# at least 20 s ahead takes the running program across the change. Wine finds a zone's changes
# for Windows' rules by looking at the start of each month: the summer time lasts 100 days, so
# that the rules Windows gives agree with the clock.
dst_test() {
    local now at day
    now=$(date -u +%s)
    at=$(((now + 20 + 59) / 60 * 60))
    day=$(($(date -u -d "@$at" +%-j) - 1))
    echo "the running program across a daylight-saving change at $(date -u -d "@$at" +%H:%M) UTC"
    env TZ="VST0VDT-1,$day/$(date -u -d "@$at" +%H:%M):00,$(((day + 100) % 365))/02:00" \
        scripts/wine-run.sh build/win64/e2e_tests.exe --gtest_filter='DaylightSaving.*'
}
step dst_test

# A program directory named in Cyrillic, under a UTF-8 host locale (without one Wine cannot reach
# such a path at all; these machines have no en_US.UTF-8) and Windows' Western code page: it
# loads, fires, and its messages show the path as it is.
echo "the program in a directory named in another language"
step env WINE_LC_ALL=C.UTF-8 scripts/wine-run.sh build/win64/e2e_tests.exe \
    --gtest_filter='NothingLost.ADirectoryNamed*:CommandLine.FromABatchFile*'

echo "Fuzzing the event-file reader for 40 s and the due check for 20 s"
mkdir -p build/fuzz-corpus build/fuzz-corpus-due
cp tests/fuzz/corpus/* build/fuzz-corpus/
fuzz() { # target, seconds, corpus
    "build/native/$1" -max_total_time="$2" -max_len=65536 -artifact_prefix=build/ "$3" \
        2>"build/$1.log" || { tail -40 "build/$1.log"; return 1; }
    tail -1 "build/$1.log"
}
step fuzz event_file_fuzzer 40 build/fuzz-corpus
step fuzz due_check_fuzzer 20 build/fuzz-corpus-due

echo "steps: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
