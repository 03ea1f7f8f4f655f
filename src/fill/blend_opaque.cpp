#include <cstdint>

#include "binding/for_each_pixel.h"
#include "fill/fill_steps.h"

namespace qveil {

namespace {

constexpr bool IsByte(std::int32_t v) { return v >= 0 && v <= 255; }

// The common case, fill in 0..255: every sum lies in 0 .. 65025, exact in
// unsigned 32 bits.
// (A type with a call operator, not a function: the pass's body must inline
// it, and a function pointer carried into the parallel loop does not.)
struct Mix {
  constexpr std::uint32_t operator()(std::int32_t a, std::uint32_t c,
                                     std::int32_t fill) const {
    const std::uint32_t weight = static_cast<std::uint32_t>(a);
    return (weight * c + (255u - weight) * static_cast<std::uint32_t>(fill)) / 255u;
  }
};

// Any 32-bit fill value: the sum is formed in 64 bits so it cannot overflow,
// and the result is clamped to a byte.
struct MixClamped {
  constexpr std::uint32_t operator()(std::int32_t a, std::uint32_t c,
                                     std::int32_t fill) const {
    const std::int64_t sum = std::int64_t{a} * c + std::int64_t{255 - a} * fill;
    if (sum <= 0) return 0;
    const std::int64_t mixed = sum / 255;
    return mixed > 255 ? 255u : static_cast<std::uint32_t>(mixed);
  }
};

template <typename MixFn>
void BlendMarked(Pixel* pixels, const std::int32_t* fillMask,
                 const std::int32_t* alphaPlane, std::int32_t count,
                 std::int32_t red, std::int32_t green, std::int32_t blue,
                 MixFn mix) {
  ForEachPixel(count, [=](std::int32_t i) {
    if (fillMask[i] != kMarked) return;
    const std::int32_t a = alphaPlane[i];
    const Pixel p = pixels[i];
    pixels[i] = MakePixel(255u, mix(a, ChannelOf(p, kRedShift), red),
                          mix(a, ChannelOf(p, kGreenShift), green),
                          mix(a, ChannelOf(p, kBlueShift), blue));
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
    BlendMarked(pixels, fillMask, alphaPlane, count, red, green, blue, Mix{});
  } else {
    BlendMarked(pixels, fillMask, alphaPlane, count, red, green, blue, MixClamped{});
  }
}

}  // namespace qveil
