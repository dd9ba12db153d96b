#!/usr/bin/env bash
# The benchmarks, in one run:
#   1. FilterProc per frame (29.97 fps, 48000 Hz stereo) against memcpy of the same
#      bytes, through the reference host with call recording off;
#   2. `brisdale render --offset-ms 100` on a generated 10-minute 48000 Hz stereo WAV
#      against `sox in.wav out.wav delay 0.1 0.1`, best of three runs each.
# Builds what it needs in build/native. Extra arguments go to the Google Benchmark
# program (e.g. --benchmark_filter=offset).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/native
cd "$root"

[ -d "$build/bench" ] || cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target filter_proc_bench brisdale -j"$(nproc)" >/dev/null

echo "== FilterProc per frame, against memcpy"
"$build/bench/filter_proc_bench" "$@"

echo
echo "== brisdale render --offset-ms 100 against sox delay 0.1 0.1 (10 minutes, 48000 Hz stereo)"
data=$build/bench-data
mkdir -p "$data"
input=$data/in-10min.wav
if [ ! -f "$input" ]; then
  sox -n -r 48000 -c 2 -b 16 "$input" synth 600 sine 440 sine 660 vol 0.5
fi

# Best of three wall-clock seconds of a command.
best_of_three() {
  local best="" start end seconds
  for _ in 1 2 3; do
    rm -f "$data/out.wav"
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
    if [ -z "$best" ] || awk -v s="$seconds" -v b="$best" 'BEGIN { exit !(s < b) }'; then
      best=$seconds
    fi
  done
  awk -v b="$best" 'BEGIN { printf "%.3f", b }' 
}

brisdale_s=$(best_of_three "$build/renderer/brisdale" render "$input" "$data/out.wav" --offset-ms 100 --quiet)
sox_s=$(best_of_three sox "$input" "$data/out.wav" delay 0.1 0.1)
rm -f "$data/out.wav"
awk -v b="$brisdale_s" -v s="$sox_s" 'BEGIN {
  printf "brisdale render  %.3f s\nsox delay        %.3f s\nratio            %.2fx (aim: at most 1.2x)\n", b, s, b / s
}' 
