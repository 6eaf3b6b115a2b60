#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for N
# seconds (default 60) on its seed corpus. Findings go to fuzz/findings/<target>/.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKIVO_FUZZ=ON -DKIVO_TESTS=OFF -DKIVO_BENCH=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
cmake --build build/fuzz --target "${targets[@]}"
status=0
for t in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$t
  mkdir -p "$corpus" "fuzz/findings/$t"
  seeds=fuzz/corpus/${t#fuzz_}
  echo "== $t for ${seconds}s =="
  if ! build/fuzz/fuzz/$t -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
       -artifact_prefix="fuzz/findings/$t/" -print_final_stats=1 \
       "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) 2>"build/fuzz/$t.log"; then
    echo "!! $t found a problem: see build/fuzz/$t.log and fuzz/findings/$t/"
    tail -n 30 "build/fuzz/$t.log"
    status=1
  else
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "build/fuzz/$t.log" || true
  fi
done
exit $status
