// Bit rows for the blends' tests, marked where a predicate of the pixel
// index says so (the open bits, which the blends do not read, the same).
#ifndef Q_VEIL_KIT_TEST_MARKED_BITS_H
#define Q_VEIL_KIT_TEST_MARKED_BITS_H

#include <cstdint>
#include <vector>

#include "fill/fill_bits.h"

namespace qveil {

struct MarkedBits {
  std::vector<std::uint64_t> words;
  FillBits bits;

  template <typename IsMarked>
  MarkedBits(std::int32_t width, std::int32_t height, IsMarked isMarked)
      : words(static_cast<std::size_t>(WordsPerLine(width) * height)) {
    const std::int32_t wordsPerRow = WordsPerLine(width);
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t x = 0; x < width; ++x) {
        if (!isMarked(y * width + x)) continue;
        words[static_cast<std::size_t>(y * wordsPerRow + x / 64)] |= std::uint64_t{1} << (x % 64);
      }
    }
    bits = FillBits{wordsPerRow, height, words.data(), words.data()};
  }
};

}  // namespace qveil

#endif  // Q_VEIL_KIT_TEST_MARKED_BITS_H
