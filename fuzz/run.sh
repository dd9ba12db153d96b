#!/usr/bin/env bash
# The host-boundary fuzzer: builds it (clang, libFuzzer, ASan + UBSan) in build/fuzz,
# replays every input that ever found a fault, then fuzzes.
#
#   fuzz/run.sh [seconds]   fuzz for that long (default 600), from the committed corpus
#   fuzz/run.sh --ci        a fixed, bounded run (same inputs every time), as CI does
#
# New inputs go to build/fuzz/corpus (not to the committed fuzz/corpus); a fault
# leaves its input in build/fuzz/artifacts. Copy such an input into fuzz/regressions/
# under a name that says what it found, so that every later run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

mode=${1:-600}
cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DBRISDALE_FUZZ=ON >/dev/null
cmake --build build/fuzz --target host_boundary_fuzzer -j"$jobs" >/dev/null
fuzzer=build/fuzz/fuzz/host_boundary_fuzzer
mkdir -p build/fuzz/corpus build/fuzz/artifacts

# Each regression input once: it must now pass, quickly and in modest memory.
shopt -s nullglob
regressions=(fuzz/regressions/*)
shopt -u nullglob
if [ ${#regressions[@]} -gt 0 ]; then
  echo "fuzz: replaying ${#regressions[@]} regression inputs" >&2
  "$fuzzer" -timeout=10 -rss_limit_mb=1024 "${regressions[@]}" >build/fuzz/regressions.log 2>&1 || {
    tail -40 build/fuzz/regressions.log >&2
    echo "fuzz: a regression input fails again (build/fuzz/regressions.log)" >&2
    exit 1
  }
fi

# -timeout and -rss_limit_mb make a slow or memory-hungry input a finding too: the
# host's memory is bounded, so only the plug-in can make an input slow or large.
common=(-timeout=10 -rss_limit_mb=1024 -max_len=1024 -print_final_stats=1
        -artifact_prefix=build/fuzz/artifacts/)
if [ "$mode" = "--ci" ]; then
  # A fresh scratch corpus each time, seeded from the committed one, and a fixed seed:
  # the same executions on every run.
  rm -rf build/fuzz/ci-corpus && mkdir -p build/fuzz/ci-corpus
  echo "fuzz: bounded run (-runs=${BRISDALE_FUZZ_RUNS:-250000})" >&2
  "$fuzzer" "${common[@]}" -seed=1 -runs="${BRISDALE_FUZZ_RUNS:-250000}" \
            build/fuzz/ci-corpus fuzz/corpus >build/fuzz/ci.log 2>&1 || {
    tail -60 build/fuzz/ci.log >&2
    echo "fuzz: the bounded run found a fault (build/fuzz/ci.log, build/fuzz/artifacts)" >&2
    exit 1
  }
  grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec)' build/fuzz/ci.log >&2
else
  echo "fuzz: fuzzing for $mode s" >&2
  "$fuzzer" "${common[@]}" -max_total_time="$mode" -fork="$jobs" \
            build/fuzz/corpus fuzz/corpus
fi
