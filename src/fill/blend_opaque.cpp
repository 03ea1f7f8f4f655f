#include <cstdint>

#include "binding/for_each_pixel.h"
#include "fill/fill_steps.h"

namespace qveil {

namespace {

constexpr bool IsByte(std::int32_t v) { return v >= 0 && v <= 255; }

// The blends are types with a call operator, not functions: the pass's body
// must inline them, and a function pointer carried into the parallel loop
// does not get inlined.

// The common case, fill in 0..255. Every sum a * c + (255 - a) * fill lies
// in 0 .. 65025, so red and blue share one 32-bit word (one 16-bit lane
// each, no carry between them), and the exact quotient of such a sum x by
// 255 is (x + 1 + (x >> 8)) >> 8, with no lane overflowing either.
struct BlendInRange {
  std::uint32_t fillRedBlue;  // 0x00RR00BB
  std::uint32_t fillGreen;

  Pixel operator()(std::int32_t alpha, Pixel p) const {
    const std::uint32_t a = static_cast<std::uint32_t>(alpha);
    const std::uint32_t m = 255u - a;
    std::uint32_t rb = (p & 0x00FF00FFu) * a + fillRedBlue * m;
    std::uint32_t g = ChannelOf(p, kGreenShift) * a + fillGreen * m;
    rb = ((rb + 0x00010001u + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    g = (g + 1u + (g >> 8)) >> 8;
    return kOpaqueAlpha | rb | g << kGreenShift;
  }
};

// Any 32-bit fill value: each sum is formed in 64 bits so it cannot
// overflow, and the result is clamped to a byte.
struct BlendClamped {
  std::int32_t red, green, blue;

  static std::uint32_t Mix(std::int32_t a, std::uint32_t c, std::int32_t fill) {
    const std::int64_t sum = std::int64_t{a} * c + std::int64_t{255 - a} * fill;
    if (sum <= 0) return 0;
    const std::int64_t mixed = sum / 255;
    return mixed > 255 ? 255u : static_cast<std::uint32_t>(mixed);
  }

  Pixel operator()(std::int32_t a, Pixel p) const {
    return MakePixel(255u, Mix(a, ChannelOf(p, kRedShift), red),
                     Mix(a, ChannelOf(p, kGreenShift), green),
                     Mix(a, ChannelOf(p, kBlueShift), blue));
  }
};

template <typename Blend>
void BlendMarked(Pixel* pixels, const std::int32_t* fillMask,
                 const std::int32_t* alphaPlane, std::int32_t count, Blend blend) {
  ForEachPixel(count, [=](std::int32_t i) {
    if (fillMask[i] != kMarked) return;
    pixels[i] = blend(alphaPlane[i], pixels[i]);
  });
}

}  // namespace

void BlendOpaque(Pixel* pixels, const std::int32_t* fillMask,
                 const std::int32_t* alphaPlane, std::int32_t red,
                 std::int32_t green, std::int32_t blue, std::int32_t width,
                 std::int32_t height) {
  const std::int32_t count = CountPixels(width, height);
  // Decided once per call, so the per-pixel loop has no branch for it.
  if (IsByte(red) && IsByte(green) && IsByte(blue)) {
    const BlendInRange blend{static_cast<std::uint32_t>(red) << kRedShift |
                                 static_cast<std::uint32_t>(blue),
                             static_cast<std::uint32_t>(green)};
    BlendMarked(pixels, fillMask, alphaPlane, count, blend);
  } else {
    BlendMarked(pixels, fillMask, alphaPlane, count, BlendClamped{red, green, blue});
  }
}

}  // namespace qveil
