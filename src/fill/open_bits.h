// The classifying step of MarkOpenPixels for one word: which of up to 64
// pixels have an alpha below the limit. A plain form for every processor
// and, on x86, an AVX2 form for whole words; both give the same bits.
#ifndef Q_VEIL_KIT_OPEN_BITS_H
#define Q_VEIL_KIT_OPEN_BITS_H

#include <cstdint>
#include <cstring>

#include "parallel/for_each_span.h"
#include "fill/fill_bits.h"
#include "pixel_buffer.h"

#ifdef Q_VEIL_KIT_AVX2_COPY
#include <immintrin.h>
#endif

namespace qveil {

// The open bits of the `size` (1..64) pixels from p: bit k for p[k]. A
// whole word compares into 64 bytes first, one compare a lane, which
// compilers vectorise for any processor (NEON on arm64, SSE2 on x86-64),
// and then packs each 8 bytes of 0 or 1 into 8 bits with one multiply:
// byte i (little-endian, as the pixels) times 0x0102040810204080 lands on bit 56 + i, and the other
// products fall on bits below 56 or beyond 63, each on a bit of its own,
// so no carry reaches the top byte. Alphas are 0..255 and the limit 0..256,
// so the signed comparison is exact.
inline std::uint64_t OpenBits(const Pixel* p, std::int32_t size, std::uint32_t openAlphas,
                              PortableCode = {}) {
  const auto limit = static_cast<std::int32_t>(openAlphas);
  std::uint64_t bits = 0;
  if (size < kPixelsPerWord) {
    for (std::int32_t k = 0; k < size; ++k) {
      bits |= std::uint64_t{static_cast<std::int32_t>(AlphaOf(p[k])) < limit} << k;
    }
    return bits;
  }
  std::uint8_t open[kPixelsPerWord];
  for (std::int32_t k = 0; k < kPixelsPerWord; ++k) {
    open[k] = static_cast<std::int32_t>(AlphaOf(p[k])) < limit;
  }
  for (std::int32_t k = 0; k < kPixelsPerWord; k += 8) {
    std::uint64_t eight;
    std::memcpy(&eight, open + k, sizeof eight);
    bits |= (eight * 0x0102040810204080u >> 56) << k;
  }
  return bits;
}

#ifdef Q_VEIL_KIT_AVX2_COPY
// The same bits for 64 pixels, eight at a time: the alphas compared with
// the limit (in every lane) as 32-bit lanes, the lanes' sign bits gathered
// into a byte. Alphas are 0..255 and the limit 0..256, so the signed
// comparison is exact.
__attribute__((target("avx2"))) inline std::uint64_t OpenBitsAvx2(const Pixel* p,
                                                                  std::uint32_t openAlphas) {
  const __m256i limit = _mm256_set1_epi32(static_cast<std::int32_t>(openAlphas));
  std::uint64_t bits = 0;
  for (std::int32_t k = 0; k < 8; ++k) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 8 * k));
    const __m256i open = _mm256_cmpgt_epi32(limit, _mm256_srli_epi32(v, 24));
    const auto lanes =
        static_cast<std::uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(open)));
    bits |= std::uint64_t{lanes} << (8 * k);
  }
  return bits;
}

__attribute__((target("avx2"))) inline std::uint64_t OpenBits(const Pixel* p,
                                                              std::int32_t size,
                                                              std::uint32_t openAlphas,
                                                              Avx2Code) {
  return size == kPixelsPerWord ? OpenBitsAvx2(p, openAlphas) : OpenBits(p, size, openAlphas);
}
#endif

}  // namespace qveil

#endif  // Q_VEIL_KIT_OPEN_BITS_H
