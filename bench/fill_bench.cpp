// The seed fill alone, on prepared planes, per picture, in three forms:
//   MarkFillRegionTwoReads/  the earlier fill: alpha plane and mask per test
//   MarkFillRegion/          the fill on a mask that carries the boundaries
//   BoundariesAndFill/       MarkBoundaries + MarkFillRegion, as a call runs
//                            them: what the one-read fill costs in all
// Reported as time per region pixel (report.py divides by region_px). The
// transparent picture also runs at 2048, for the row that shows how the cost
// per pixel grows with the image.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "bench_config.h"
#include "bench_images.h"
#include "fill/fill_steps.h"
#include "fill/work_arrays.h"
#include "two_read_fill.h"

namespace qveil::bench {

namespace {

enum class Form { kTwoReads, kOneRead, kBoundariesAndFill };

const char* FormName(Form form) {
  switch (form) {
    case Form::kTwoReads:
      return "MarkFillRegionTwoReads/";
    case Form::kOneRead:
      return "MarkFillRegion/";
    case Form::kBoundariesAndFill:
      return "BoundariesAndFill/";
  }
  return "?";
}

void Mark(benchmark::State& state, Form form, Picture picture, std::int32_t size) {
  const Image& image = GetImage(picture, size);
  FillWorkArrays w;
  if (!AcquireFillWorkArrays(size * size, &w)) {
    state.SkipWithError("out of memory");
    return;
  }
  const std::size_t count = static_cast<std::size_t>(size) * size;
  ExtractAlphaPlane(image.pixels.data(), w.alphaPlane, w.fillMask, size, size);
  StretchAlphaPlane(w.alphaPlane, kThreshold, size, size);
  // Warm the stacks once, so the figure is the fill and not first touch.
  std::memset(w.xStack, 0, (count + 1) * 4);
  std::memset(w.yStack, 0, (count + 1) * 4);
  for (auto _ : state) {
    switch (form) {
      case Form::kTwoReads:
        state.PauseTiming();
        std::memset(w.fillMask, 0, count * 4);
        state.ResumeTiming();
        MarkFillRegionTwoReads(w.alphaPlane, w.fillMask, w.xStack, w.yStack, size,
                               size, image.SeedX(), image.SeedY(), kThreshold);
        break;
      case Form::kOneRead:
        state.PauseTiming();
        MarkBoundaries(w.alphaPlane, w.fillMask, kThreshold, size, size);
        state.ResumeTiming();
        MarkFillRegion(w.fillMask, w.xStack, w.yStack, size, size, image.SeedX(),
                       image.SeedY());
        break;
      case Form::kBoundariesAndFill:
        MarkBoundaries(w.alphaPlane, w.fillMask, kThreshold, size, size);
        MarkFillRegion(w.fillMask, w.xStack, w.yStack, size, size, image.SeedX(),
                       image.SeedY());
        break;
    }
    benchmark::ClobberMemory();
  }
  ReleaseFillWorkArrays(&w);
  state.counters["region_px"] = static_cast<double>(image.regionPixels);
}

void Register(Form form, Picture picture, std::int32_t size) {
  const std::string what = std::string(FormName(form)) + PictureName(picture);
  Configure(benchmark::RegisterBenchmark(Name(what, size).c_str(), Mark, form,
                                         picture, size),
            size);
}

}  // namespace

void RegisterFillBenchmarks() {
  const Form forms[] = {Form::kTwoReads, Form::kOneRead, Form::kBoundariesAndFill};
  for (Form form : forms) Register(form, Picture::kTransparent, kScalingSize);
  for (std::int32_t size : kSizes) {
    for (Picture picture : {Picture::kTransparent, Picture::kNoise, Picture::kMaze}) {
      for (Form form : forms) Register(form, picture, size);
    }
  }
}

}  // namespace qveil::bench
