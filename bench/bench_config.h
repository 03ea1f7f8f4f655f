// Sizes and iteration policy shared by every benchmark of the run.
#ifndef Q_VEIL_KIT_BENCH_CONFIG_H
#define Q_VEIL_KIT_BENCH_CONFIG_H

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace qveil::bench {

constexpr std::int32_t kSizes[] = {1024, 4096, 8192};
// One more size for the seed fill on the transparent picture only, so the
// cost per pixel can be followed from 1024 to 8192.
constexpr std::int32_t kScalingSize = 2048;

// Wall-clock time (the passes run on a thread team, so the calling thread's
// CPU time would undercount), in milliseconds. The 8192 x 8192 cases take
// a fixed few iterations so the whole run stays within minutes.
inline void Configure(benchmark::internal::Benchmark* b, std::int32_t size,
                      int bigIterations = 3) {
  b->UseRealTime()->Unit(benchmark::kMillisecond);
  if (size >= 8192) {
    b->Iterations(bigIterations);
  } else {
    b->MinTime(0.3);
  }
}

inline std::string Name(const std::string& what, std::int32_t size) {
  return what + "/" + std::to_string(size);
}

// `q_veil_kit_bench --memory-child PICTURE SIZE SOFT`: one call in a fresh
// process, for the Memory/... figures (call_bench.cpp).
constexpr const char* kMemoryChildFlag = "--memory-child";
int MemoryChild(int picture, std::int32_t size, bool soft);

void RegisterPassBenchmarks();
void RegisterFillBenchmarks();
void RegisterCallBenchmarks();
void RegisterPeerBenchmarks();  // nothing without OpenCV
void RegisterForkGuardBenchmarks();

}  // namespace qveil::bench

#endif  // Q_VEIL_KIT_BENCH_CONFIG_H
