#include "fill_outcome.h"

namespace veil {
namespace {

std::string Point(std::int64_t x, std::int64_t y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

}  // namespace

Seed SeedOf(const Image& image, const FillRequest& request) {
  return Seed{std::int64_t{request.offset_x} + image.width / 2,
              std::int64_t{request.offset_y} + image.height / 2};
}

std::string ExplainNothingFilled(const Image& image, const FillRequest& request) {
  const Seed seed = SeedOf(image, request);
  if (seed.x < 0 || seed.x >= image.width || seed.y < 0 ||
      seed.y >= image.height) {
    return "the seed " + Point(seed.x, seed.y) + " is outside the " +
           std::to_string(image.width) + " x " + std::to_string(image.height) +
           " image (--at counts from the centre pixel " +
           Point(image.width / 2, image.height / 2) + ")";
  }
  const qveil::Pixel pixel =
      image.pixels[static_cast<std::size_t>(seed.y) * image.width + seed.x];
  const std::uint32_t alpha = qveil::AlphaOf(pixel);
  const int threshold = request.threshold;
  std::string why = "the seed pixel " + Point(seed.x, seed.y) +
                    " is a boundary: its alpha " + std::to_string(alpha);
  // Opaque mode first stretches alpha so that the threshold maps to 255.
  if (!request.soft && threshold > 0 && threshold < 255) {
    std::uint32_t stretched = alpha * 255u / static_cast<std::uint32_t>(threshold);
    if (stretched > 255) stretched = 255;
    if (stretched >= static_cast<std::uint32_t>(threshold)) {
      if (stretched != alpha) {
        why += " (" + std::to_string(stretched) + " once opaque mode stretches it)";
      }
    } else {
      return "the module filled nothing (seed " + Point(seed.x, seed.y) + ")";
    }
  } else if (static_cast<std::int64_t>(alpha) < threshold) {
    return "the module filled nothing (seed " + Point(seed.x, seed.y) + ")";
  }
  return why + " is not below the threshold " + std::to_string(threshold);
}

}  // namespace veil
