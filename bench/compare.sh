#!/bin/sh
# Runs the same benchmarks from several builds in turn, ROUNDS times over,
# so that every build's figures come from the same minutes of a shared
# machine, and prints each figure's median with its ratio to the first
# build's (report.py --compare). The thread settings are the caller's.
# Usage: bench/compare.sh OUT_DIR FILTER ROUNDS LABEL=BUILD_DIR...
set -eu
out=$1
filter=$2
rounds=$3
shift 3
mkdir -p "$out"
rm -f "$out"/*.json
round=1
while [ "$round" -le "$rounds" ]; do
  for build in "$@"; do
    "${build#*=}/bench/q_veil_kit_bench" \
      --benchmark_filter="$filter" \
      --benchmark_out="$out/${build%%=*}-$round.json" --benchmark_out_format=json >/dev/null
  done
  round=$((round + 1))
done
python3 "$(dirname "$0")/report.py" --compare "$out" "$@"
