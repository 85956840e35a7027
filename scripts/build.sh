#!/usr/bin/env bash
# Builds both configurations: the Windows program with its Wine tests (build/win64) and the
# portable core with its native tests, benchmarks and fuzzer (build/native).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j "$jobs"
cmake -S . -B build/native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j "$jobs"
