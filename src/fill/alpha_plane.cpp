#include <cstdint>

#include "binding/for_each_pixel.h"
#include "fill/fill_steps.h"

namespace qveil {

void ExtractAlphaPlane(const Pixel* pixels, std::int32_t* alphaPlane,
                       std::int32_t* fillMask, std::int32_t width,
                       std::int32_t height) {
  ForEachPixel(CountPixels(width, height), [=](std::int32_t i) {
    alphaPlane[i] = static_cast<std::int32_t>(AlphaOf(pixels[i]));
    fillMask[i] = kUnmarked;
  });
}

void StretchAlphaPlane(std::int32_t* alphaPlane, std::int32_t threshold,
                       std::int32_t width, std::int32_t height) {
  const std::uint32_t divisor = static_cast<std::uint32_t>(threshold);
  ForEachPixel(CountPixels(width, height), [=](std::int32_t i) {
    const std::uint32_t stretched =
        static_cast<std::uint32_t>(alphaPlane[i]) * 255u / divisor;
    alphaPlane[i] = static_cast<std::int32_t>(stretched > 255u ? 255u : stretched);
  });
}

}  // namespace qveil
