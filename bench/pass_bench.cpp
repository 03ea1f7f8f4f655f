// The per-pixel passes, each against one read-modify-write pass over the
// same buffer: the memory limit for a pass.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "alpha_set/alpha_set.h"
#include "bench_config.h"
#include "bench_images.h"
#include "binding/for_each_pixel.h"
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

// Work arrays acquired once and touched before timing: the passes alone.
struct Planes {
  FillWorkArrays work{};
  Planes(const Image& image) {
    const std::int32_t n = image.size;
    AcquireFillWorkArrays(n * n, &work);
    ExtractAlphaPlane(image.pixels.data(), work.alphaPlane, n, n);
  }
  ~Planes() { ReleaseFillWorkArrays(&work); }
};

void Extract(benchmark::State& state, std::int32_t size) {
  const Image& image = GetImage(Picture::kNoise, size);
  Planes planes(image);
  for (auto _ : state) {
    ExtractAlphaPlane(image.pixels.data(), planes.work.alphaPlane, size, size);
    benchmark::ClobberMemory();
  }
}

void Stretch(benchmark::State& state, std::int32_t size) {
  const Image& image = GetImage(Picture::kNoise, size);
  Planes planes(image);
  for (auto _ : state) {
    // Stretching an already stretched plane does the same work per pixel.
    StretchAlphaPlane(planes.work.alphaPlane, kThreshold, size, size);
    benchmark::ClobberMemory();
  }
}

void Boundaries(benchmark::State& state, std::int32_t size) {
  const Image& image = GetImage(Picture::kNoise, size);
  Planes planes(image);
  StretchAlphaPlane(planes.work.alphaPlane, kThreshold, size, size);
  for (auto _ : state) {
    MarkBoundaries(planes.work.alphaPlane, planes.work.fillMask, kThreshold, size,
                   size);
    benchmark::ClobberMemory();
  }
}

void Blend(benchmark::State& state, Picture picture, std::int32_t size, bool soft) {
  const Image& image = GetImage(picture, size);
  Planes planes(image);
  FillWorkArrays& w = planes.work;
  if (!soft) StretchAlphaPlane(w.alphaPlane, kThreshold, size, size);
  MarkBoundaries(w.alphaPlane, w.fillMask, kThreshold, size, size);
  MarkFillRegion(w.fillMask, w.xStack, w.yStack, size, size, image.SeedX(),
                 image.SeedY());
  std::vector<Pixel> pixels = image.pixels;
  // Both blends read the weights from the planes, not from the pixels they
  // write, so every iteration does the same work.
  for (auto _ : state) {
    if (soft) {
      BlendSoft(pixels.data(), w.fillMask, w.alphaPlane, 200, 100, 50, kThreshold,
                0.75, size, size, w.xStack);
    } else {
      BlendOpaque(pixels.data(), w.fillMask, w.alphaPlane, 200, 100, 50, size, size);
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
    Configure(benchmark::RegisterBenchmark(Name("ExtractAlphaPlane", size).c_str(),
                                           Extract, size),
              size);
    Configure(benchmark::RegisterBenchmark(Name("StretchAlphaPlane", size).c_str(),
                                           Stretch, size),
              size);
    Configure(benchmark::RegisterBenchmark(Name("MarkBoundaries", size).c_str(),
                                           Boundaries, size),
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
