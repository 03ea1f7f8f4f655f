#include <cstdint>

#include "fill/fill_steps.h"
#include "fill/for_each_word.h"
#include "fill/open_bits.h"

namespace qveil {

void MarkOpenPixels(const Pixel* pixels, std::int32_t openAlphas, const FillBits& bits,
                    std::int32_t width, std::int32_t height) {
  const auto limit = static_cast<std::uint32_t>(openAlphas);
  const FillBits b = bits;
  ForEachWordSpan(bits.wordsPerRow * height,
                  [=](std::int32_t first, std::int32_t size, auto code) {
                    for (std::int32_t k = first; k < first + size; ++k) {
                      const WordPlace at = PlaceOfWord(k, b.wordsPerRow, width);
                      const Pixel* p = pixels + static_cast<std::int64_t>(at.y) * width + at.x;
                      b.open[k] = OpenBits(p, at.pixels, limit, code);
                      b.marked[k] = 0;
                    }
                  });
}

}  // namespace qveil
