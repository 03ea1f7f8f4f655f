#include "fill/fill_rules.h"

namespace qveil {

SeedPoint CentreOf(std::int32_t width, std::int32_t height) {
  return SeedPoint{width / 2, height / 2};
}

SeedPoint SeedOf(std::int32_t width, std::int32_t height, const FillRequest& request) {
  const SeedPoint centre = CentreOf(width, height);
  return SeedPoint{centre.x + request.offsetX, centre.y + request.offsetY};
}

bool StretchesAlpha(const FillRequest& request) {
  return !request.soft && request.threshold > 0 && request.threshold < 255;
}

std::int32_t TestedAlpha(std::uint32_t alpha, std::int32_t threshold, bool stretch) {
  if (!stretch) return static_cast<std::int32_t>(alpha);
  // Unsigned: alpha * 255 < 2^16, and a stretch has 0 < threshold.
  const std::uint32_t q = alpha * 255u / static_cast<std::uint32_t>(threshold);
  return static_cast<std::int32_t>(q > 255u ? 255u : q);
}

std::int32_t OpenAlphaLimit(const FillRequest& request) {
  const std::int32_t t = request.threshold;
  if (StretchesAlpha(request)) return (t * t + 254) / 255;
  return t < 0 ? 0 : t > 256 ? 256 : t;
}

std::uint32_t WeightFactor(const FillRequest& request) {
  if (!StretchesAlpha(request)) return 65536u;
  const auto divisor = static_cast<std::uint32_t>(request.threshold);
  return (255u * 65536u + divisor - 1) / divisor;
}

FillOutcome PredictFill(const Pixel* pixels, std::int32_t width, std::int32_t height,
                        const FillRequest& request) {
  return OutcomeOfSeed(pixels, width, height, request, SeedOf(width, height, request));
}

FillOutcome OutcomeOfSeed(const Pixel* pixels, std::int32_t width, std::int32_t height,
                          const FillRequest& request, SeedPoint seed) {
  if (seed.x < 0 || seed.x >= width || seed.y < 0 || seed.y >= height) {
    return FillOutcome::kSeedOutside;
  }
  const std::uint32_t alpha = AlphaOf(pixels[seed.y * width + seed.x]);
  return static_cast<std::int32_t>(alpha) < OpenAlphaLimit(request)
             ? FillOutcome::kFills
             : FillOutcome::kSeedOnBoundary;
}

}  // namespace qveil
