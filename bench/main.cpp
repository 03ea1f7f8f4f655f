// Benchmarks of every step and of both whole calls, with the references
// their figures are reported against (bench/report.py forms the ratios):
//   Rmw/N                  one read-modify-write pass over N x N pixels
//   Peer*/...              the same job done with OpenCV, when built with it
//   ForkGuard/*/N          a pass with and without the fork guard's check
#include <benchmark/benchmark.h>

#include "bench_config.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  qveil::bench::RegisterPassBenchmarks();
  qveil::bench::RegisterFillBenchmarks();
  qveil::bench::RegisterCallBenchmarks();
  qveil::bench::RegisterPeerBenchmarks();
  qveil::bench::RegisterForkGuardBenchmarks();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
