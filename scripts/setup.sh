#!/usr/bin/env bash
# Installs what building, running and testing Velkorin needs on Debian 12; quick when all is
# there already.
set -euo pipefail

packages=(
    cmake make clang clang-format libclang-rt-14-dev g++ googletest libgtest-dev libbenchmark-dev
    g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
    wine wine64 xvfb xauth openbox imagemagick x11-utils fonts-dejavu-core
    fp-utils libchm-bin wixl msitools zip unzip libxml2-utils
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
