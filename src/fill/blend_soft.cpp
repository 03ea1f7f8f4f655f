#include <cstdint>

#include "binding/for_each_pixel.h"
#include "fill/fill_steps.h"

namespace qveil {

namespace {

// Truncation toward zero into 0..255; NaN stores 0. A plain cast of NaN or
// of a value beyond the integer range would be undefined.
inline std::uint32_t TruncateToByte(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<std::uint32_t>(value);
}

}  // namespace

void BlendSoft(Pixel* pixels, const std::int32_t* fillMask,
               const std::int32_t* alphaPlane, std::int32_t red,
               std::int32_t green, std::int32_t blue, std::int32_t threshold,
               double strength, std::int32_t width, std::int32_t height) {
  const double t = threshold;
  const double fillRed = red;
  const double fillGreen = green;
  const double fillBlue = blue;
  ForEachPixel(CountPixels(width, height), [=](std::int32_t i) {
    if (fillMask[i] != kMarked) return;
    const std::int32_t a = alphaPlane[i];
    const double ad = a;
    // The order of operations is part of the result: the project builds
    // with -ffp-contract=off so none of these is fused.
    const double opacity = ((255.0 - ad) - ((255.0 - t) * ad) / t) * strength;
    if (!(opacity > 0.0)) return;
    const double total = ad + opacity;
    const Pixel p = pixels[i];
    const auto mix = [&](unsigned shift, double fill) {
      const double weighted =
          static_cast<double>(static_cast<std::int32_t>(ChannelOf(p, shift)) * a);
      return TruncateToByte((weighted + fill * opacity) / total);
    };
    pixels[i] = MakePixel(TruncateToByte(total), mix(kRedShift, fillRed),
                          mix(kGreenShift, fillGreen), mix(kBlueShift, fillBlue));
  });
}

}  // namespace qveil
