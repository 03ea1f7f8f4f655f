// The per-pixel passes, each against one read-modify-write pass over the
// same buffer: the memory limit for a pass.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "alpha_set/alpha_set.h"
#include "bench_config.h"
#include "bench_images.h"
#include "parallel/for_each_pixel.h"
#include "fill/fill_steps.h"
#include "fill/work_arrays.h"

namespace qveil::bench {

namespace {

void Rmw(benchmark::State& state, std::int32_t size) {
  std::vector<Pixel> pixels = GetImage(Picture::kNoise, size).pixels;
  Pixel* p = pixels.data();
  for (auto _ : state) {
    ForEachPixel(size * size, [p](std::int32_t i) { p[i] ^= 0x00010101u; });
    benchmark::ClobberMemory();
  }
}

void Convert(benchmark::State& state, std::int32_t size, std::int32_t source) {
  std::vector<Pixel> pixels = GetImage(Picture::kNoise, size).pixels;
  for (auto _ : state) {
    ConvertToAlpha(pixels.data(), size * size, source);
    benchmark::ClobberMemory();
  }
}

// Work arrays acquired once and the bits set before timing: the passes
// alone.
struct Prepared {
  FillWorkArrays work{};
  std::int32_t openAlphas = OpenAlphaLimit(BenchRequest());
  explicit Prepared(const Image& image, bool fill) {
    const std::int32_t n = image.size;
    AcquireFillWorkArrays(n, n, &work);
    MarkOpenPixels(image.pixels.data(), openAlphas, work.bits, n, n);
    if (fill) MarkFillRegion(work.bits, work.xStack, work.yStack, image.SeedX(), image.SeedY());
  }
  ~Prepared() { ReleaseFillWorkArrays(&work); }
};

void OpenPixels(benchmark::State& state, std::int32_t size) {
  const Image& image = GetImage(Picture::kNoise, size);
  Prepared prepared(image, false);
  for (auto _ : state) {
    MarkOpenPixels(image.pixels.data(), prepared.openAlphas, prepared.work.bits, size, size);
    benchmark::ClobberMemory();
  }
}

void Blend(benchmark::State& state, Picture picture, std::int32_t size, bool soft) {
  const Image& image = GetImage(picture, size);
  Prepared prepared(image, true);
  const FillWorkArrays& w = prepared.work;
  std::vector<Pixel> pixels = image.pixels;
  for (auto _ : state) {
    // A fresh copy each time, untimed: the weights come from the pixels the
    // blends write.
    state.PauseTiming();
    pixels = image.pixels;
    state.ResumeTiming();
    if (soft) {
      BlendSoft(pixels.data(), w.bits, BenchRequest(true), size, size, w.xStack);
    } else {
      BlendOpaque(pixels.data(), w.bits, BenchRequest(), size, size);
    }
    benchmark::ClobberMemory();
  }
}

}  // namespace

void RegisterPassBenchmarks() {
  for (std::int32_t size : kSizes) {
    Configure(benchmark::RegisterBenchmark(Name("Rmw", size).c_str(), Rmw, size), size);
    for (std::int32_t source : {0, 1, 4}) {
      Configure(benchmark::RegisterBenchmark(
                    Name("ConvertToAlpha/src" + std::to_string(source), size).c_str(),
                    Convert, size, source),
                size);
    }
    Configure(benchmark::RegisterBenchmark(Name("MarkOpenPixels", size).c_str(),
                                           OpenPixels, size),
              size);
    for (Picture picture : {Picture::kTransparent, Picture::kNoise}) {
      for (bool soft : {false, true}) {
        const std::string what = std::string(soft ? "BlendSoft/" : "BlendOpaque/") +
                                 PictureName(picture);
        Configure(benchmark::RegisterBenchmark(Name(what, size).c_str(), Blend,
                                               picture, size, soft),
                  size);
      }
    }
  }
}

}  // namespace qveil::bench
