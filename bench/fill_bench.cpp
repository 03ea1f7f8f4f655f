// MarkFillRegion alone, on prepared planes, per picture. Reported as time per
// region pixel (report.py divides by the region_px counter).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "bench_config.h"
#include "bench_images.h"
#include "fill/fill_steps.h"
#include "fill/work_arrays.h"

namespace qveil::bench {

namespace {

void Mark(benchmark::State& state, Picture picture, std::int32_t size) {
  const Image& image = GetImage(picture, size);
  FillWorkArrays w;
  if (!AcquireFillWorkArrays(size * size, &w)) {
    state.SkipWithError("out of memory");
    return;
  }
  ExtractAlphaPlane(image.pixels.data(), w.alphaPlane, w.fillMask, size, size);
  StretchAlphaPlane(w.alphaPlane, kThreshold, size, size);
  // Warm the stacks once, so the figure is the fill and not first touch.
  std::memset(w.xStack, 0, (static_cast<std::size_t>(size) * size + 1) * 4);
  std::memset(w.yStack, 0, (static_cast<std::size_t>(size) * size + 1) * 4);
  for (auto _ : state) {
    state.PauseTiming();
    std::memset(w.fillMask, 0, static_cast<std::size_t>(size) * size * 4);
    state.ResumeTiming();
    MarkFillRegion(w.alphaPlane, w.fillMask, w.xStack, w.yStack, size, size,
                   image.SeedX(), image.SeedY(), kThreshold);
    benchmark::ClobberMemory();
  }
  ReleaseFillWorkArrays(&w);
  state.counters["region_px"] = static_cast<double>(image.regionPixels);
}

}  // namespace

void RegisterFillBenchmarks() {
  for (std::int32_t size : kSizes) {
    for (Picture picture : {Picture::kTransparent, Picture::kNoise, Picture::kMaze}) {
      Configure(benchmark::RegisterBenchmark(
                    Name(std::string("MarkFillRegion/") + PictureName(picture), size)
                        .c_str(),
                    Mark, picture, size),
                size);
    }
  }
}

}  // namespace qveil::bench
