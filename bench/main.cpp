// Benchmarks of every step and of both whole calls, with the references
// their figures are reported against (bench/report.py forms the ratios):
//   Rmw/N                  one read-modify-write pass over N x N pixels
//   Peer*/...              the same job done with OpenCV, when built with it
//   ForkGuard/*/N          a pass with and without the fork guard's check
//   Memory/...             the peak memory one call adds (a child process)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "bench_config.h"

int main(int argc, char** argv) {
#ifdef __linux__
  if (argc == 5 && std::strcmp(argv[1], qveil::bench::kMemoryChildFlag) == 0) {
    return qveil::bench::MemoryChild(std::atoi(argv[2]), std::atoi(argv[3]), argv[4][0] == '1');
  }
#endif
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
