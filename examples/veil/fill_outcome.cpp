#include "fill_outcome.h"

namespace veil {
namespace {

std::string Point(std::int64_t x, std::int64_t y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

bool Inside(const ImageView& image, const Seed& seed) {
  return seed.x >= 0 && seed.x < image.width && seed.y >= 0 &&
         seed.y < image.height;
}

std::uint32_t SeedAlpha(const ImageView& image, const Seed& seed) {
  return qveil::AlphaOf(
      image.pixels[static_cast<std::size_t>(seed.y) * image.width + seed.x]);
}

// The alpha the seed test compares: opaque mode first stretches alpha so
// that the threshold maps to 255.
std::int64_t TestedAlpha(std::uint32_t alpha, const FillRequest& request) {
  const int threshold = request.threshold;
  if (request.soft || threshold <= 0 || threshold >= 255) return alpha;
  const std::int64_t stretched = std::int64_t{alpha} * 255 / threshold;
  return stretched > 255 ? 255 : stretched;
}

}  // namespace

Seed SeedOf(const ImageView& image, const FillRequest& request) {
  return Seed{std::int64_t{request.offset_x} + image.width / 2,
              std::int64_t{request.offset_y} + image.height / 2};
}

FillPrediction PredictFill(const ImageView& image, const FillRequest& request) {
  const Seed seed = SeedOf(image, request);
  if (!Inside(image, seed)) return FillPrediction::kSeedOutside;
  if (TestedAlpha(SeedAlpha(image, seed), request) >= request.threshold) {
    return FillPrediction::kSeedOnBoundary;
  }
  return FillPrediction::kFills;
}

std::string ExplainNothingFilled(const ImageView& image,
                                 const FillRequest& request) {
  const Seed seed = SeedOf(image, request);
  if (!Inside(image, seed)) {
    return "the seed " + Point(seed.x, seed.y) + " is outside the " +
           std::to_string(image.width) + " x " + std::to_string(image.height) +
           " image (--at counts from the centre pixel " +
           Point(image.width / 2, image.height / 2) + ")";
  }
  const std::uint32_t alpha = SeedAlpha(image, seed);
  const std::int64_t tested = TestedAlpha(alpha, request);
  std::string why = "the seed pixel " + Point(seed.x, seed.y) +
                    " is a boundary: its alpha " + std::to_string(alpha);
  if (tested != alpha) {
    why += " (" + std::to_string(tested) + " once opaque mode stretches it)";
  }
  return why + " is not below the threshold " + std::to_string(request.threshold);
}

}  // namespace veil
