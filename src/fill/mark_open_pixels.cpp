#include <cstdint>

#include "fill/fill_steps.h"
#include "fill/for_each_word.h"
#include "fill/open_bits.h"

namespace qveil {

namespace {

// Words first .. first + size - 1, in the plain form.
void MarkWords(const Pixel* pixels, std::uint32_t openAlphas, const FillBits& bits,
               std::int32_t width, std::int32_t first, std::int32_t size) {
  for (std::int32_t k = first; k < first + size; ++k) {
    const WordPlace at = PlaceOfWord(k, bits.wordsPerRow, width);
    bits.open[k] = OpenBits(pixels + static_cast<std::int64_t>(at.y) * width + at.x,
                            at.pixels, openAlphas);
    bits.marked[k] = 0;
  }
}

#ifdef Q_VEIL_KIT_AVX2_COPY
__attribute__((target("avx2"))) void MarkWordsAvx2(const Pixel* pixels,
                                                   std::uint32_t openAlphas,
                                                   const FillBits& bits, std::int32_t width,
                                                   std::int32_t first, std::int32_t size) {
  for (std::int32_t k = first; k < first + size; ++k) {
    const WordPlace at = PlaceOfWord(k, bits.wordsPerRow, width);
    const Pixel* p = pixels + static_cast<std::int64_t>(at.y) * width + at.x;
    bits.open[k] = at.pixels == kPixelsPerWord ? OpenBitsAvx2(p, openAlphas)
                                               : OpenBits(p, at.pixels, openAlphas);
    bits.marked[k] = 0;
  }
}
#endif

}  // namespace

void MarkOpenPixels(const Pixel* pixels, std::int32_t openAlphas, const FillBits& bits,
                    std::int32_t width, std::int32_t height) {
  const std::int32_t words = bits.wordsPerRow * height;
  const std::int32_t spans = words / kWordsPerSpan + (words % kWordsPerSpan != 0);
  const auto limit = static_cast<std::uint32_t>(openAlphas);
  const bool avx2 = span_detail::HaveAvx2();
  static_cast<void>(avx2);  // unused where there is no AVX2 form
  ForEachPixel(spans, [=, &bits](std::int32_t span) {
    const std::int32_t first = span * kWordsPerSpan;
    const std::int32_t size = words - first < kWordsPerSpan ? words - first : kWordsPerSpan;
#ifdef Q_VEIL_KIT_AVX2_COPY
    if (avx2) {
      MarkWordsAvx2(pixels, limit, bits, width, first, size);
      return;
    }
#endif
    MarkWords(pixels, limit, bits, width, first, size);
  });
}

}  // namespace qveil
