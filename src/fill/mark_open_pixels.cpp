#include <cstdint>

#include "fill/fill_steps.h"
#include "fill/for_each_word.h"

#ifdef Q_VEIL_KIT_AVX2_COPY
#include <immintrin.h>
#endif

namespace qveil {

namespace {

// The open bits of the `size` (1..64) pixels from p: bit k for p[k].
inline std::uint64_t OpenBits(const Pixel* p, std::int32_t size, std::uint32_t openAlphas) {
  std::uint64_t bits = 0;
  for (std::int32_t k = 0; k < size; ++k) {
    bits |= std::uint64_t{AlphaOf(p[k]) < openAlphas} << k;
  }
  return bits;
}

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
// The same bits for 64 pixels, eight at a time: the alphas compared with
// the limit as 32-bit lanes, the lanes' sign bits gathered into a byte.
__attribute__((target("avx2"))) inline std::uint64_t OpenBitsAvx2(const Pixel* p,
                                                                  __m256i openAlphas) {
  std::uint64_t bits = 0;
  for (std::int32_t k = 0; k < 8; ++k) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 8 * k));
    const __m256i open = _mm256_cmpgt_epi32(openAlphas, _mm256_srli_epi32(v, 24));
    const auto lanes = static_cast<std::uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(open)));
    bits |= std::uint64_t{lanes} << (8 * k);
  }
  return bits;
}

__attribute__((target("avx2"))) void MarkWordsAvx2(const Pixel* pixels,
                                                   std::uint32_t openAlphas,
                                                   const FillBits& bits, std::int32_t width,
                                                   std::int32_t first, std::int32_t size) {
  // Alphas are 0..255 and the limit 0..256: the signed comparison is exact.
  const __m256i limit = _mm256_set1_epi32(static_cast<std::int32_t>(openAlphas));
  for (std::int32_t k = first; k < first + size; ++k) {
    const WordPlace at = PlaceOfWord(k, bits.wordsPerRow, width);
    const Pixel* p = pixels + static_cast<std::int64_t>(at.y) * width + at.x;
    bits.open[k] = at.pixels == kPixelsPerWord ? OpenBitsAvx2(p, limit)
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
