#!/usr/bin/env bash
# Builds Kivo (Release) and runs every benchmark: the Google Benchmark stages and
# the whole-program comparisons against giflib, gifsicle, ImageMagick and FFmpeg.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release
export KIVO_CLI=$PWD/build/release/src/cli/kivo-cli
export BENCH_BIN=$PWD/build/release/bench
export BENCH_OUT=$PWD/bench/out
mkdir -p "$BENCH_OUT"
for b in build/release/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b") =="
  "$b" --benchmark_min_time=0.2
done
for s in bench/compare_*.sh; do
  [ -f "$s" ] || continue
  echo "== $(basename "$s" .sh) =="
  bash "$s"
done
