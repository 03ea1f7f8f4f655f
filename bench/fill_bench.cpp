// The seed fill alone, on prepared planes, per picture, in three forms:
//   PixelStackFill/     the fill before it went by runs: one pixel per pop,
//                       on the boundary mask (the reference)
//   MarkFillRegion/     the run fill, on the boundary mask
//   BoundariesAndFill/  MarkBoundaries + MarkFillRegion, as a call runs them
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
#include "pixel_stack_fill.h"

namespace qveil::bench {

namespace {

enum class Form { kPixelStack, kRuns, kBoundariesAndFill };

const char* FormName(Form form) {
  switch (form) {
    case Form::kPixelStack:
      return "PixelStackFill/";
    case Form::kRuns:
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
  ExtractAlphaPlane(image.pixels.data(), w.alphaPlane, size, size);
  StretchAlphaPlane(w.alphaPlane, kThreshold, size, size);
  // Warm the stacks once, so the figure is the fill and not first touch.
  std::memset(w.xStack, 0, (count + 1) * 4);
  std::memset(w.yStack, 0, (count + 1) * 4);
  for (auto _ : state) {
    if (form != Form::kBoundariesAndFill) state.PauseTiming();
    MarkBoundaries(w.alphaPlane, w.fillMask, kThreshold, size, size);
    if (form != Form::kBoundariesAndFill) state.ResumeTiming();
    if (form == Form::kPixelStack) {
      PixelStackFill(w.fillMask, w.xStack, w.yStack, size, size, image.SeedX(),
                     image.SeedY());
    } else {
      MarkFillRegion(w.fillMask, w.xStack, w.yStack, size, size, image.SeedX(),
                     image.SeedY());
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
  const Form forms[] = {Form::kPixelStack, Form::kRuns, Form::kBoundariesAndFill};
  for (Form form : forms) Register(form, Picture::kTransparent, kScalingSize);
  for (std::int32_t size : kSizes) {
    for (Picture picture : kFillPictures) {
      // The spiral and the checkerboard are drawn for the comparison with
      // the reference form; at 8192 they would add a minute to the run.
      const bool extra = picture == Picture::kSpiral || picture == Picture::kChecker;
      if (extra && size >= 8192) continue;
      for (Form form : forms) {
        // What the boundary pass adds is the same on every picture: the
        // transparent one shows it.
        if (form == Form::kBoundariesAndFill && picture != Picture::kTransparent) continue;
        Register(form, picture, size);
      }
    }
  }
}

}  // namespace qveil::bench
