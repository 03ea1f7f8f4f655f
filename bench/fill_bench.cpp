// The seed fill alone, per picture, in three forms:
//   RunFill/         the run fill on a 32-bit mask, as it was before the bit
//                    rows (the reference, run_fill.h)
//   MarkFillRegion/  the run fill on the bit rows
//   OpenAndFill/     MarkOpenPixels + MarkFillRegion, as a call runs them
// Reported as time per region pixel (report.py divides by region_px). The
// transparent picture also runs at 2048, for the row that shows how the cost
// per pixel grows with the image, and as a single row, a single column and
// strips 16 and 40 pixels wide, each of about as many pixels as a 2048²
// image (.../row/2048, .../column/2048, .../strip16/2048, .../strip40/2048).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bench_config.h"
#include "bench_images.h"
#include "fill/fill_steps.h"
#include "fill/work_arrays.h"
#include "run_fill.h"

namespace qveil::bench {

namespace {

enum class Form { kRunFill, kBits, kOpenAndFill };

const char* FormName(Form form) {
  switch (form) {
    case Form::kRunFill:
      return "RunFill/";
    case Form::kBits:
      return "MarkFillRegion/";
    case Form::kOpenAndFill:
      return "OpenAndFill/";
  }
  return "?";
}

// One fill of `pixels` (width x height) from the seed, in the given form,
// timed; what each form needs before it is prepared untimed.
void Mark(benchmark::State& state, Form form, const Pixel* pixels, std::int32_t width,
          std::int32_t height, std::int32_t seedX, std::int32_t seedY,
          std::int64_t regionPixels) {
  FillWorkArrays w;
  const std::int32_t count = width * height;
  std::vector<std::int32_t> mask;
  if (form == Form::kRunFill) mask.resize(static_cast<std::size_t>(count));
  if (!AcquireFillWorkArrays(width, height, &w)) {
    state.SkipWithError("out of memory");
    return;
  }
  const std::int32_t openAlphas = OpenAlphaLimit(BenchRequest());
  // Warm the stacks once, so the figure is the fill and not first touch.
  std::memset(w.xStack, 0, (static_cast<std::size_t>(count) + 1) * 4);
  std::memset(w.yStack, 0, (static_cast<std::size_t>(count) + 1) * 4);
  const std::size_t markedBytes = static_cast<std::size_t>(WordsOfImage(width, height)) * 8;
  MarkOpenPixels(pixels, openAlphas, w.bits, width, height);
  for (auto _ : state) {
    switch (form) {
      case Form::kRunFill:
        state.PauseTiming();
        RunFillMask(pixels, openAlphas, mask.data(), count);
        state.ResumeTiming();
        RunFill(mask.data(), w.xStack, w.yStack, width, height, seedX, seedY);
        break;
      case Form::kBits:
        state.PauseTiming();
        std::memset(w.bits.marked, 0, markedBytes);
        state.ResumeTiming();
        MarkFillRegion(w.bits, w.xStack, w.yStack, seedX, seedY);
        break;
      case Form::kOpenAndFill:
        MarkOpenPixels(pixels, openAlphas, w.bits, width, height);
        MarkFillRegion(w.bits, w.xStack, w.yStack, seedX, seedY);
        break;
    }
    benchmark::ClobberMemory();
  }
  ReleaseFillWorkArrays(&w);
  state.counters["region_px"] = static_cast<double>(regionPixels);
}

void MarkPicture(benchmark::State& state, Form form, Picture picture, std::int32_t size) {
  const Image& image = GetImage(picture, size);
  Mark(state, form, image.pixels.data(), size, size, image.SeedX(), image.SeedY(),
       image.regionPixels);
}

// A transparent strip of about `count` pixels, `width` wide.
void MarkStrip(benchmark::State& state, Form form, std::int32_t width, std::int32_t count) {
  const std::int32_t height = count / width;
  const std::vector<Pixel> pixels(static_cast<std::size_t>(width) * height, 0);
  Mark(state, form, pixels.data(), width, height, width / 2, height / 2,
       std::int64_t{width} * height);
}

void Register(Form form, Picture picture, std::int32_t size) {
  const std::string what = std::string(FormName(form)) + PictureName(picture);
  Configure(benchmark::RegisterBenchmark(Name(what, size).c_str(), MarkPicture, form,
                                         picture, size),
            size);
}

}  // namespace

void RegisterFillBenchmarks() {
  const Form forms[] = {Form::kRunFill, Form::kBits, Form::kOpenAndFill};
  for (Form form : forms) Register(form, Picture::kTransparent, kScalingSize);
  for (Form form : forms) {
    // A single row, a single column, and strips narrower than a word whose
    // bits go by columns (16) and by rows (40).
    const std::pair<const char*, std::int32_t> strips[] = {
        {"row", kScalingSize * kScalingSize}, {"column", 1}, {"strip16", 16}, {"strip40", 40}};
    for (const auto& [name, width] : strips) {
      // Named by the square of as many pixels.
      Configure(benchmark::RegisterBenchmark(Name(std::string(FormName(form)) + name,
                                                  kScalingSize).c_str(),
                                             MarkStrip, form, width,
                                             kScalingSize * kScalingSize),
                kScalingSize);
    }
  }
  for (std::int32_t size : kSizes) {
    for (Picture picture : kFillPictures) {
      // The extra pictures are drawn for the comparison with the reference
      // form; at 8192 they would add a minute to the run.
      const bool extra = picture != Picture::kTransparent && picture != Picture::kNoise &&
                         picture != Picture::kMaze;
      if (extra && size >= 8192) continue;
      for (Form form : forms) {
        // What the classifying pass adds is the same on every picture: the
        // transparent and the noise ones show it.
        if (form == Form::kOpenAndFill && picture != Picture::kTransparent &&
            picture != Picture::kNoise) {
          continue;
        }
        Register(form, picture, size);
      }
    }
  }
}

}  // namespace qveil::bench
