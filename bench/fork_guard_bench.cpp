// What the fork guard costs an ordinary pass: its check alone (once per
// pass), and the same read-modify-write pass through ForEachPixel (which
// makes the check) and through the same loop without it. Small images show
// a per-pass cost best.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_config.h"
#include "parallel/for_each_pixel.h"
#include "pixel_buffer.h"

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

// ForEachPixel without the guard's check, so that the body compiles alike.
template <typename Body>
void UnguardedForEachPixel(std::int32_t count, Body body) {
  if (count <= 0) return;
#pragma omp parallel for schedule(static)
  for (std::int32_t i = 0; i < count; ++i) body(i);
}

void UnguardedPass(benchmark::State& state, std::int32_t size) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(size) * size, 0x80402010u);
  Pixel* p = pixels.data();
  for (auto _ : state) {
    UnguardedForEachPixel(size * size, [p](std::int32_t i) { p[i] ^= 0x00010101u; });
    benchmark::ClobberMemory();
  }
}

// The check alone, as each pass makes it once.
void GuardCheck(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ThreadTeamAllowed());
}

}  // namespace

void RegisterForkGuardBenchmarks() {
  benchmark::RegisterBenchmark("ForkGuard/Check/1", GuardCheck)
      ->Unit(benchmark::kNanosecond)->MinTime(0.1);
  for (std::int32_t size : kGuardSizes) {
    benchmark::RegisterBenchmark(Name("ForkGuard/Guarded", size).c_str(), GuardedPass, size)
        ->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.3);
    benchmark::RegisterBenchmark(Name("ForkGuard/Unguarded", size).c_str(), UnguardedPass, size)
        ->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.3);
  }
}

}  // namespace qveil::bench
