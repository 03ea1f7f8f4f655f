// The rules of a fill that a host may need to know beside the call itself,
// written once: what a fill is asked, where its seed lies, the alpha the
// threshold test compares, and why a call fills nothing. AlphaFillColor
// follows them, and veil links them to tell its user what happened. No Lua
// here.
#ifndef Q_VEIL_KIT_FILL_RULES_H
#define Q_VEIL_KIT_FILL_RULES_H

#include <cstddef>
#include <cstdint>

#include "pixel_buffer.h"

namespace qveil {

// Everything AlphaFillColor takes besides the buffer and its size.
struct FillRequest {
  std::int32_t red;  // the fill colour; stored bytes are clamped to 0..255
  std::int32_t green;
  std::int32_t blue;
  std::int32_t offsetX;  // the seed, counted from the centre pixel
  std::int32_t offsetY;
  std::int32_t threshold;
  bool soft;
  double strength;  // soft mode only
};

// A seed in 64 bits: an offset near the 32-bit limits cannot overflow.
struct SeedPoint {
  std::int64_t x;
  std::int64_t y;
};

// The centre pixel, (width / 2, height / 2), rounded down.
SeedPoint CentreOf(std::int32_t width, std::int32_t height);

// The seed: the request's offset from the centre pixel.
SeedPoint SeedOf(std::int32_t width, std::int32_t height, const FillRequest& request);

// Opaque mode stretches each alpha before the threshold test and the blend,
// so that the threshold maps to 255; only for 0 < threshold < 255.
bool StretchesAlpha(const FillRequest& request);

// The alpha the threshold test compares, for a pixel of alpha `alpha`:
//   min(255, alpha * 255 / threshold), rounded down, with `stretch`;
//   alpha itself otherwise.
// A pixel is open when this is below the threshold.
std::int32_t TestedAlpha(std::uint32_t alpha, std::int32_t threshold, bool stretch);

enum class FillOutcome {
  kFills,           // the seed pixel is open: the call fills, memory allowing
  kSeedOutside,     // the seed is not in the image
  kSeedOnBoundary,  // the seed pixel is not open
};

// What AlphaFillColor does with `request` on a width x height image of at
// least one pixel. Where this says kFills and the call returns nothing, its
// work memory (FillWorkBytes) could not be had.
FillOutcome PredictFill(const Pixel* pixels, std::int32_t width, std::int32_t height,
                        const FillRequest& request);

}  // namespace qveil

#endif  // Q_VEIL_KIT_FILL_RULES_H
