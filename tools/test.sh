#!/usr/bin/env bash
# Every test: installs what is missing, builds both trees, runs the native suite and
# the Windows test program (the real Brisdale.auf, under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

tools/bootstrap.sh

echo "== native build and tests" >&2
cmake -S . -B build/native >/dev/null
cmake --build build/native -j"$jobs"
ctest --test-dir build/native --output-on-failure -j"$jobs"

echo "== win32 build and tests (Brisdale.auf under Wine)" >&2
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 -j"$jobs"
ctest --test-dir build/win32 --output-on-failure
