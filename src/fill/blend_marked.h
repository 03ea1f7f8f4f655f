// The loop both blends run: over the marked bits of a pass, writing only
// the pixels whose bit is set.
#ifndef Q_VEIL_KIT_BLEND_MARKED_H
#define Q_VEIL_KIT_BLEND_MARKED_H

#include <cstdint>

#include "fill/fill_bits.h"
#include "parallel/for_each_span.h"
#include "pixel_buffer.h"

#ifdef Q_VEIL_KIT_AVX2_COPY
#include <immintrin.h>
#endif

namespace qveil {

namespace blend_detail {

// A word is looked at in blocks of 16 pixels: a block with no marked pixel
// is skipped, a fully marked one blended in a loop with no decision in it.
// In the others, a blend that vectorises (kVectorises) blends every pixel
// of the block into a scratch block, in a loop with no decision, and the
// marked ones are stored from it: with masked vector stores in the AVX2
// copy, one by one in the portable one (no branch per pixel, a coin toss on
// broken-up regions, in either). Any other blend goes from one set bit to
// the next. Only marked pixels are ever written.
constexpr std::int32_t kBlock = 16;

// p[k] = blended[k] for each bit k set in `marked` (below bit 16).
inline void StoreMarked(Pixel* p, const Pixel* blended, std::uint32_t marked, PortableCode) {
  for (; marked != 0; marked &= marked - 1) {
    const std::int32_t k = LowestBit(marked);
    p[k] = blended[k];
  }
}

#ifdef Q_VEIL_KIT_AVX2_COPY
__attribute__((target("avx2"))) inline void StoreMarked(Pixel* p, const Pixel* blended,
                                                        std::uint32_t marked, Avx2Code) {
  // Lane k of each half is all ones where bit k of that half's byte is set.
  const __m256i laneBits = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
  for (std::int32_t half = 0; half < 2; ++half) {
    const auto byte = static_cast<std::int32_t>(marked >> (8 * half) & 0xFFu);
    const __m256i lanes = _mm256_cmpeq_epi32(
        _mm256_and_si256(_mm256_set1_epi32(byte), laneBits), laneBits);
    const __m256i values =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(blended + 8 * half));
    _mm256_maskstore_epi32(reinterpret_cast<int*>(p + 8 * half), lanes, values);
  }
}
#endif

// The pixels p[0 .. size - 1] (size <= kBlock) whose bit is set in `marked`.
template <typename Blend, typename Code>
inline void BlendBlock(Pixel* p, std::uint32_t marked, std::int32_t size, const Blend& blend,
                       Code code) {
  if (marked == (std::uint32_t{1} << size) - 1) {
    for (std::int32_t k = 0; k < size; ++k) p[k] = blend(p[k]);
  } else if (Blend::kVectorises && size == kBlock) {
    Pixel blended[kBlock];
    for (std::int32_t k = 0; k < kBlock; ++k) blended[k] = blend(p[k]);
    StoreMarked(p, blended, marked, code);
  } else {
    for (; marked != 0; marked &= marked - 1) {
      const std::int32_t k = LowestBit(marked);
      p[k] = blend(p[k]);
    }
  }
}

// The `size` (1..64) pixels from p, as bit k of `marked` says for p[k].
template <typename Blend, typename Code>
inline void BlendWord(Pixel* p, std::uint64_t marked, std::int32_t size, const Blend& blend,
                      Code code) {
  if (marked == 0) return;  // 64 pixels skipped at once
  if (marked == ~std::uint64_t{0}) {
    // Every blend gives all fully transparent pixels one value, whatever
    // their colour (a weight of 0 leaves the colour no part), or leaves
    // them as they are: on a blank canvas, the common case, a word of them
    // is one value stored 64 times.
    Pixel any = 0;
    for (std::int32_t k = 0; k < kPixelsPerWord; ++k) any |= p[k];
    if (AlphaOf(any) == 0) {
      if (!blend.ChangesTransparent()) return;
      const Pixel value = blend(Pixel{0});
      for (std::int32_t k = 0; k < kPixelsPerWord; ++k) p[k] = value;
      return;
    }
    for (std::int32_t k = 0; k < kPixelsPerWord; ++k) p[k] = blend(p[k]);
    return;
  }
  for (std::int32_t first = 0; first < size; first += kBlock) {
    const auto block = static_cast<std::uint32_t>(marked >> first) & 0xFFFFu;
    if (block == 0) continue;
    const std::int32_t left = size - first;
    BlendBlock(p + first, block, left < kBlock ? left : kBlock, blend, code);
  }
}

}  // namespace blend_detail

// Sets p = blend(p) for every pixel p whose marked bit is set, one parallel
// pass over the words; the blends are types with a call operator, so that
// it inlines. Blend::kVectorises says whether blending a pixel for nothing
// is cheaper than a branch: true for the opaque blends, plain integer
// arithmetic; false for the soft ones, which divide or look up.
// blend.ChangesTransparent() says whether a pixel of alpha 0 changes at all;
// when it does, it becomes blend(0), whatever its colour.
template <typename Blend>
void BlendMarked(Pixel* pixels, const FillBits& bits, std::int32_t width,
                 std::int32_t height, Blend blend) {
  const std::uint64_t* marked = bits.marked;
  ForEachWordGroup(bits, width, height, [=](const auto& group, auto code) {
    std::uint64_t words[kPixelsPerWord];
    if (!group.Load(marked, words)) return;
    Pixel* p = pixels + group.first;
    for (std::int32_t j = 0; j < group.Words(); ++j) {
      blend_detail::BlendWord(p + j * kPixelsPerWord, words[j], group.PixelsOfWord(j), blend,
                              code);
    }
  });
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_BLEND_MARKED_H
