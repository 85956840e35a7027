#!/usr/bin/env bash
# Runs a Windows program under Wine the way every test does: the 64-bit loader in a 64-bit
# prefix (the build tree's own unless one is given), so that nothing needs a kernel that runs
# 32-bit programs; a fixed locale unless one is given, no debug noise, and a virtual display
# when there is none.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
locale=${WINE_LC_ALL:-en_US.UTF-8}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -z "${DISPLAY:-}" ]; then
    exec env LC_ALL="$locale" xvfb-run -a -s "-screen 0 1280x1024x24" "$WINELOADER" "$@"
fi
exec env LC_ALL="$locale" "$WINELOADER" "$@"
