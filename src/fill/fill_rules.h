// The rules of a fill that a host may need to know beside the call itself,
// written once: what a fill is asked, where its seed lies, the threshold
// rule with the forms the passes use, and why a call fills nothing.
// AlphaFillColor follows them; a host may link them to tell its user what
// happened. No Lua here.
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

// The threshold rule: the alpha the test compares, for a pixel of alpha
// `alpha`:
//   min(255, alpha * 255 / threshold), rounded down, with `stretch`;
//   alpha itself otherwise.
// A pixel is open when this is below the threshold. It is also the pixel's
// weight in the opaque blend: with the stretch, the threshold and every
// alpha above it map to 255 (for threshold 128: 64 -> 127, 65 -> 129).
std::int32_t TestedAlpha(std::uint32_t alpha, std::int32_t threshold, bool stretch);

// What the passes use instead, each derived from the rule once per call,
// for every alpha the same answer (a unit test holds both to TestedAlpha
// for every alpha and threshold):
//
// The open-alpha limit: a pixel is open exactly when its raw alpha is below
// it. The tested alpha never falls as the alpha grows, so the open alphas
// are 0 .. limit - 1. Without the stretch the limit is the threshold (within
// 0..256); with it, floor(a * 255 / t) < t (t < 255) holds exactly when
// a * 255 < t * t, for the a below ceil(t * t / 255).
std::int32_t OpenAlphaLimit(const FillRequest& request);

// The opaque blend's weights as one multiply, where a lookup per pixel
// would be a gather that does not vectorise well:
//   TestedAlpha(a, threshold, stretch) = WeightOf(a, WeightFactor(request))
//                                      = min(255, (a * factor) >> 16)
// with factor = ceil(255 * 65536 / threshold) for the stretch and 65536
// without. Exact: a * factor < 2^32, and the rounding error of the factor,
// below threshold, times a stays below 2^16 wherever a < threshold.
std::uint32_t WeightFactor(const FillRequest& request);

inline std::uint32_t WeightOf(std::uint32_t alpha, std::uint32_t factor) {
  const std::uint32_t weight = (alpha * factor) >> 16;
  return weight < 255u ? weight : 255u;
}

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

// The same for the seed `seed`, SeedOf(width, height, request).
FillOutcome OutcomeOfSeed(const Pixel* pixels, std::int32_t width, std::int32_t height,
                          const FillRequest& request, SeedPoint seed);

}  // namespace qveil

#endif  // Q_VEIL_KIT_FILL_RULES_H
