#include <cstdint>

#include "fill/blend_marked.h"
#include "fill/fill_steps.h"

namespace qveil {

namespace {

constexpr bool IsByte(std::int32_t v) { return v >= 0 && v <= 255; }

// The blends are types with a call operator, not functions: the pass's body
// must inline them, and a function pointer carried into the parallel loop
// does not get inlined.

// The common case, fill in 0..255. Every sum a * c + (255 - a) * fill lies
// in 0 .. 65025, and the exact quotient of such a sum x by 255 is
// (x + 1 + (x >> 8)) >> 8, with no step above 65280: all of it fits 16-bit
// lanes, eight to a 128-bit register.
struct BlendInRange {
  static constexpr bool kVectorises = true;

  std::uint32_t weightFactor;
  std::uint16_t fillRed, fillGreen, fillBlue;

  static bool ChangesTransparent() { return true; }

  static std::uint32_t Mix(std::uint16_t a, std::uint16_t m, std::uint32_t c,
                           std::uint16_t fill) {
    const std::uint16_t x = static_cast<std::uint16_t>(c * a + fill * m);
    return static_cast<std::uint16_t>(x + 1u + (x >> 8)) >> 8;
  }

  Pixel operator()(Pixel p) const {
    const std::uint16_t a = static_cast<std::uint16_t>(WeightOf(AlphaOf(p), weightFactor));
    const std::uint16_t m = static_cast<std::uint16_t>(255u - a);
    return kOpaqueAlpha | Mix(a, m, ChannelOf(p, kRedShift), fillRed) << kRedShift |
           Mix(a, m, ChannelOf(p, kGreenShift), fillGreen) << kGreenShift |
           Mix(a, m, ChannelOf(p, kBlueShift), fillBlue);
  }
};

// Any 32-bit fill value: each sum is formed in 64 bits so it cannot
// overflow, and the result is clamped to a byte.
struct BlendClamped {
  static constexpr bool kVectorises = true;

  std::uint32_t weightFactor;
  std::int32_t red, green, blue;

  static bool ChangesTransparent() { return true; }

  static std::uint32_t Mix(std::int32_t a, std::uint32_t c, std::int32_t fill) {
    const std::int64_t sum = std::int64_t{a} * c + std::int64_t{255 - a} * fill;
    if (sum <= 0) return 0;
    const std::int64_t mixed = sum / 255;
    return mixed > 255 ? 255u : static_cast<std::uint32_t>(mixed);
  }

  Pixel operator()(Pixel p) const {
    const auto a = static_cast<std::int32_t>(WeightOf(AlphaOf(p), weightFactor));
    return MakePixel(255u, Mix(a, ChannelOf(p, kRedShift), red),
                     Mix(a, ChannelOf(p, kGreenShift), green),
                     Mix(a, ChannelOf(p, kBlueShift), blue));
  }
};

}  // namespace

void BlendOpaque(Pixel* pixels, const FillBits& bits, const FillRequest& request,
                 std::int32_t width, std::int32_t height) {
  const std::uint32_t weightFactor = WeightFactor(request);
  const std::int32_t red = request.red, green = request.green, blue = request.blue;
  // Decided once per call, so the per-pixel loop has no branch for it.
  if (IsByte(red) && IsByte(green) && IsByte(blue)) {
    const BlendInRange blend{weightFactor, static_cast<std::uint16_t>(red),
                             static_cast<std::uint16_t>(green),
                             static_cast<std::uint16_t>(blue)};
    BlendMarked(pixels, bits, width, height, blend);
  } else {
    BlendMarked(pixels, bits, width, height, BlendClamped{weightFactor, red, green, blue});
  }
}

}  // namespace qveil
