// A test image for the blends: 1024 x 256 pixels holding every pair of an
// alpha value a and a colour byte c,
// four times over with the colour bytes in other orders. 2^18 pixels: just
// large enough for the soft blend's table.
#ifndef Q_VEIL_KIT_TEST_ALPHA_PAIRS_IMAGE_H
#define Q_VEIL_KIT_TEST_ALPHA_PAIRS_IMAGE_H

#include <cstdint>
#include <vector>

#include "pixel_buffer.h"

namespace qveil {

struct AlphaPairsImage {
  static constexpr std::int32_t kWidth = 1024, kHeight = 256, kCount = kWidth * kHeight;
  std::vector<Pixel> pixels;

  AlphaPairsImage() : pixels(kCount) {
    for (std::int32_t i = 0; i < kCount; ++i) {
      const std::uint32_t a = static_cast<std::uint32_t>(i) >> 8 & 0xFF;
      const std::uint32_t c = static_cast<std::uint32_t>(i) & 0xFF;
      const std::uint32_t turn = static_cast<std::uint32_t>(i) >> 16;
      pixels[static_cast<std::size_t>(i)] = MakePixel(a, c, (c + 85 * turn) & 0xFF, 255 - c);
    }
  }
};

}  // namespace qveil

#endif  // Q_VEIL_KIT_TEST_ALPHA_PAIRS_IMAGE_H
