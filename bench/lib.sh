# Shared helpers for bench/compare_*.sh: time and peak memory of whole commands,
# measured in the same run so that ratios, not absolute times, are reported.
# shellcheck shell=bash

BENCH_REPEAT=${BENCH_REPEAT:-3}

# measure NAME CMD... -> sets MEASURED_SECONDS (best of BENCH_REPEAT) and MEASURED_KB
measure() {
  local name=$1; shift
  local best="" kb=0 out t m
  for _ in $(seq "$BENCH_REPEAT"); do
    # time's report goes to a file: the command's own stderr is discarded.
    local report
    report=$(mktemp)
    /usr/bin/time -o "$report" -f '%e %M' "$@" >/dev/null 2>/dev/null || true
    out=$(tail -n 1 "$report")
    rm -f "$report"
    t=${out% *}; m=${out#* }
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
    [ "$m" -gt "$kb" ] && kb=$m
  done
  MEASURED_SECONDS=$best
  MEASURED_KB=$kb
  printf '  %-34s %8.3f s %9d KiB\n' "$name" "$best" "$kb"
}

# ratio A B -> prints A/B with two decimals
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b == 0) b = 0.001; printf "%.2f", a / b }'; }
