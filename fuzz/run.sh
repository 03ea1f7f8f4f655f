#!/bin/sh
# Runs the fuzzer on the committed corpus plus SECONDS of new inputs.
# New interesting inputs go to BUILD_DIR/fuzz-corpus (not the committed
# corpus); a crash leaves its input in BUILD_DIR/fuzz-findings.
# The passive wait policy only keeps idle OpenMP threads from spinning on
# the other core between the many tiny calls; results do not depend on it.
# Usage: fuzz/run.sh BUILD_DIR SECONDS
set -eu
build=$1
seconds=${2:-60}
here=$(dirname "$0")
mkdir -p "$build/fuzz-corpus" "$build/fuzz-findings"
export OMP_WAIT_POLICY=passive
export ASAN_OPTIONS=detect_leaks=1
exec "$build/fuzz/q_veil_kit_fuzz" -max_total_time="$seconds" -max_len=17000 \
  -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix="$build/fuzz-findings/" \
  "$build/fuzz-corpus" "$here/corpus"
