#!/usr/bin/env bash
# Makes tests/package/Velkorin-1.0.msi, the 32-bit package of Velkorin 1.0 that the upgrade test
# installs before the 64-bit one: built from the 1.0 sources with their own scripts, in a
# scratch folder. Needs the repository's history and Debian's g++-mingw-w64-i686 (a compiler for
# this machine, no i386 package); the tests themselves only read the committed package.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
release=914137d9292a1f261962c8cc3d173599db7b00f3 # the last 32-bit Velkorin, version 1.0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
git -C "$here" archive "$release" | tar -x -C "$work"
# Its set-up script would install 32-bit Wine, which it needs only to run its tests.
printf '#!/bin/sh\nexit 0\n' >"$work/scripts/setup.sh"
bash "$work/scripts/package.sh" >/dev/null
cp "$work/dist/Velkorin-1.0.msi" "$here/tests/package/Velkorin-1.0.msi"
ls -l "$here/tests/package/Velkorin-1.0.msi"
