// What the fork guard costs an ordinary pass: the same read-modify-write
// pass through ForEachPixel (which asks the guard first) and through a bare
// OpenMP loop that does not. Small images show a per-pass cost best.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_config.h"
#include "binding/for_each_pixel.h"
#include "q_veil_kit/pixel_buffer.h"

namespace qveil::bench {

namespace {

constexpr std::int32_t kGuardSizes[] = {64, 1024};

void GuardedPass(benchmark::State& state, std::int32_t size) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(size) * size, 0x80402010u);
  Pixel* p = pixels.data();
  for (auto _ : state) {
    ForEachPixel(size * size, [p](std::int32_t i) { p[i] ^= 0x00010101u; });
    benchmark::ClobberMemory();
  }
}

void UnguardedPass(benchmark::State& state, std::int32_t size) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(size) * size, 0x80402010u);
  Pixel* p = pixels.data();
  const std::int32_t count = size * size;
  for (auto _ : state) {
#pragma omp parallel for schedule(static)
    for (std::int32_t i = 0; i < count; ++i) p[i] ^= 0x00010101u;
    benchmark::ClobberMemory();
  }
}

}  // namespace

void RegisterForkGuardBenchmarks() {
  for (std::int32_t size : kGuardSizes) {
    benchmark::RegisterBenchmark(Name("ForkGuard/Guarded", size).c_str(), GuardedPass, size)
        ->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.3);
    benchmark::RegisterBenchmark(Name("ForkGuard/Unguarded", size).c_str(), UnguardedPass, size)
        ->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.3);
  }
}

}  // namespace qveil::bench
