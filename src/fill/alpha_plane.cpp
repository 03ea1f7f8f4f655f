#include <cstdint>

#include "binding/for_each_pixel.h"
#include "fill/fill_steps.h"

namespace qveil {

void ExtractAlphaPlane(const Pixel* pixels, std::int32_t* alphaPlane,
                       std::int32_t width, std::int32_t height) {
  ForEachPixel(CountPixels(width, height), [=](std::int32_t i) {
    alphaPlane[i] = static_cast<std::int32_t>(AlphaOf(pixels[i]));
  });
}

void StretchAlphaPlane(std::int32_t* alphaPlane, std::int32_t threshold,
                       std::int32_t width, std::int32_t height) {
  // The plane holds bytes, so the 256 possible quotients are worked out once
  // here instead of one division per pixel (a divide costs more than the
  // pass's memory traffic).
  const std::uint32_t divisor = static_cast<std::uint32_t>(threshold);
  std::int32_t stretched[256];
  for (std::uint32_t a = 0; a < 256; ++a) {
    const std::uint32_t q = a * 255u / divisor;
    stretched[a] = static_cast<std::int32_t>(q > 255u ? 255u : q);
  }
  const std::int32_t* table = stretched;
  ForEachPixel(CountPixels(width, height), [=](std::int32_t i) {
    // The mask only keeps the lookup inside the table; plane values are
    // 0..255 already.
    alphaPlane[i] = table[static_cast<std::uint32_t>(alphaPlane[i]) & 0xFFu];
  });
}

void MarkBoundaries(const std::int32_t* alphaPlane, std::int32_t* fillMask,
                    std::int32_t threshold, std::int32_t width,
                    std::int32_t height) {
  ForEachPixel(CountPixels(width, height), [=](std::int32_t i) {
    fillMask[i] = alphaPlane[i] < threshold ? kUnmarked : kBoundary;
  });
}

}  // namespace qveil
