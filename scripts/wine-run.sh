#!/usr/bin/env bash
# Runs a Windows program under Wine the way every test does: the build tree's own prefix, a
# fixed locale unless one is given, no debug noise, and a virtual display when there is none.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
locale=${WINE_LC_ALL:-en_US.UTF-8}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -z "${DISPLAY:-}" ]; then
    exec env LC_ALL="$locale" xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@"
fi
exec env LC_ALL="$locale" wine "$@"
