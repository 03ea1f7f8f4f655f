#include <cstdint>

#include "fill/column_bits.h"
#include "fill/fill_steps.h"
#include "fill/for_each_word.h"
#include "fill/open_bits.h"

namespace qveil {

void MarkOpenPixels(const Pixel* pixels, std::int32_t openAlphas, const FillBits& bits,
                    std::int32_t width, std::int32_t height) {
  const auto limit = static_cast<std::uint32_t>(openAlphas);
  const FillBits b = bits;
  if (bits.byColumns) {
    ForEachRowBlock(width, height, [=](std::int32_t block, std::int32_t rows, auto code) {
      const Pixel* p = pixels + static_cast<std::int64_t>(block) * kRowsPerBlock * width;
      const std::int32_t count = rows * width;
      std::uint64_t words[kPixelsPerWord];
      for (std::int32_t first = 0; first < count; first += kPixelsPerWord) {
        const std::int32_t left = count - first;
        words[WordOf(first)] =
            OpenBits(p + first, left < kPixelsPerWord ? left : kPixelsPerWord, limit, code);
      }
      std::uint64_t columns[kPixelsPerWord];
      ColumnsFromPixelOrder(words, width, rows, columns);
      for (std::int32_t x = 0; x < width; ++x) {
        const std::int64_t k = static_cast<std::int64_t>(x) * b.wordsPerLine + block;
        b.open[k] = columns[x];
        b.marked[k] = 0;
      }
    });
    return;
  }
  ForEachWordSpan(bits.wordsPerLine * height,
                  [=](std::int32_t first, std::int32_t size, auto code) {
                    for (std::int32_t k = first; k < first + size; ++k) {
                      const WordPlace at = PlaceOfWord(k, b.wordsPerLine, width);
                      const Pixel* p = pixels + static_cast<std::int64_t>(at.y) * width + at.x;
                      b.open[k] = OpenBits(p, at.pixels, limit, code);
                      b.marked[k] = 0;
                    }
                  });
}

}  // namespace qveil
