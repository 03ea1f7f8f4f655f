#!/bin/sh
# Runs the benchmarks and prints the ratio tables: everything under the
# OpenMP runtime's defaults, then the whole opaque calls (with their
# references) on 1 and 2 threads, with the default and the passive wait
# policy; every figure the median of three interleaved repetitions. The module
# never changes these settings; only this script's environment does. With a
# second build of the portable copies alone (Q_VEIL_KIT_PORTABLE_ONLY), the
# passes and the calls that have an AVX2 copy run last in both builds in
# turn, five rounds, against the default build (bench/compare.sh): under the
# runtime's defaults and on one thread, where the code's own speed shows
# rather than the memory's.
# Usage: bench/run.sh BUILD_DIR [PORTABLE_BUILD_DIR]
set -eu
build=$1
out=$build/bench-results
bin=$build/bench/q_veil_kit_bench
mkdir -p "$out"
python3 "$(dirname "$0")/report.py" --machine
echo "== all benchmarks, runtime defaults ($(nproc) cores; uptime:$(uptime | sed 's/.*load/ load/'))"
# Three repetitions, interleaved at random, and the median of each: on a
# shared machine a single run of a 200 ms call can come out twice as slow.
repeat="--benchmark_repetitions=3 --benchmark_enable_random_interleaving=true
  --benchmark_display_aggregates_only=true"
# shellcheck disable=SC2086  # $repeat is several options
env -u OMP_NUM_THREADS -u OMP_WAIT_POLICY "$bin" $repeat \
  --benchmark_out="$out/default.json" --benchmark_out_format=json
whole='^(Call/AlphaFillColor/opaque|PeerPipeline)/.*/4096/'
for threads in 1 2; do
  for wait in default passive; do
    echo "== whole opaque calls, $threads thread(s), wait policy $wait"
    # shellcheck disable=SC2086
    if [ "$wait" = default ]; then
      env -u OMP_WAIT_POLICY OMP_NUM_THREADS=$threads "$bin" $repeat \
        --benchmark_filter="$whole" \
        --benchmark_out="$out/t$threads-$wait.json" --benchmark_out_format=json >/dev/null
    else
      OMP_WAIT_POLICY=passive OMP_NUM_THREADS=$threads "$bin" $repeat \
        --benchmark_filter="$whole" \
        --benchmark_out="$out/t$threads-$wait.json" --benchmark_out_format=json >/dev/null
    fi
  done
done
python3 "$(dirname "$0")/report.py" "$out"
if [ $# -ge 2 ]; then
  portable='^(Call/AlphaFillColor/opaque/(transparent/4096|noise/2048)|Call/AlphaDataSet/src[0-4]/4096|MarkOpenPixels/4096|BlendOpaque/(transparent|noise)/4096|ConvertToAlpha/src[014]/4096)/'
  echo "== the portable build against the default one, runtime defaults, then one thread"
  env -u OMP_NUM_THREADS -u OMP_WAIT_POLICY "$(dirname "$0")/compare.sh" "$out/portable" \
    "$portable" 5 default="$build" portable="$2"
  OMP_NUM_THREADS=1 "$(dirname "$0")/compare.sh" "$out/portable-t1" \
    "$portable" 5 default="$build" portable="$2"
fi
