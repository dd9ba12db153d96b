#!/usr/bin/env bash
# Every test: installs what is missing, builds both trees, runs the native suite and
# the Windows test program (the real Brisdale.auf, under Wine); then the native suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer, a ten-minute soak, and
# the host-boundary fuzzer (its regression inputs and a bounded run).
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

echo "== native suite under AddressSanitizer and UndefinedBehaviorSanitizer" >&2
cmake -S . -B build/asan -DBRISDALE_SANITIZE=ON >/dev/null
cmake --build build/asan -j"$jobs"
ctest --test-dir build/asan --output-on-failure -j"$jobs"

echo "== soak: ten minutes of edit under the sanitizers" >&2
build/asan/tests/soak/soak 600

echo "== host-boundary fuzzer: regression inputs and a bounded run" >&2
fuzz/run.sh --ci
