// The loop both blends run: over the marked bits of a pass, writing only
// the pixels whose bit is set.
#ifndef Q_VEIL_KIT_BLEND_MARKED_H
#define Q_VEIL_KIT_BLEND_MARKED_H

#include <cstdint>

#include "fill/fill_bits.h"
#include "fill/for_each_word.h"
#include "q_veil_kit/pixel_buffer.h"

namespace qveil {

namespace blend_detail {

// A word is looked at in blocks of 16 pixels: a block with no marked pixel
// is skipped, a fully marked one blended in a loop with no decision in it.
// In the others, a blend that vectorises (kVectorises) blends every pixel
// of the block and stores the marked ones, which the compiler makes a
// masked vector store where the processor has one (AVX2) instead of a
// branch per pixel, a coin toss on broken-up regions; any other blend goes
// from one set bit to the next.
constexpr std::int32_t kBlock = 16;

// The pixels p[0 .. size - 1] (size <= kBlock) whose bit is set in `marked`.
template <typename Blend>
inline void BlendBlock(Pixel* p, std::uint32_t marked, std::int32_t size,
                       const Blend& blend) {
  if (marked == (std::uint32_t{1} << size) - 1) {
    for (std::int32_t k = 0; k < size; ++k) p[k] = blend(p[k]);
  } else if (Blend::kVectorises) {
    for (std::int32_t k = 0; k < size; ++k) {
      const Pixel blended = blend(p[k]);
      if (marked >> k & 1u) p[k] = blended;
    }
  } else {
    for (; marked != 0; marked &= marked - 1) {
      const std::int32_t k = LowestBit(marked);
      p[k] = blend(p[k]);
    }
  }
}

// The `size` (1..64) pixels from p, as bit k of `marked` says for p[k].
template <typename Blend>
inline void BlendWord(Pixel* p, std::uint64_t marked, std::int32_t size,
                      const Blend& blend) {
  if (marked == 0) return;  // 64 pixels skipped at once
  if (marked == ~std::uint64_t{0}) {
    for (std::int32_t k = 0; k < kPixelsPerWord; ++k) p[k] = blend(p[k]);
    return;
  }
  for (std::int32_t first = 0; first < size; first += kBlock) {
    const auto block = static_cast<std::uint32_t>(marked >> first) & 0xFFFFu;
    if (block == 0) continue;
    const std::int32_t left = size - first;
    BlendBlock(p + first, block, left < kBlock ? left : kBlock, blend);
  }
}

}  // namespace blend_detail

// Sets p = blend(p) for every pixel p whose marked bit is set, one parallel
// pass over the words; the blends are types with a call operator, so that
// it inlines. Blend::kVectorises says whether blending a pixel for nothing
// is cheaper than a branch: true for the opaque blends, plain integer
// arithmetic; false for the soft ones, which divide or look up.
template <typename Blend>
void BlendMarked(Pixel* pixels, const FillBits& bits, std::int32_t width,
                 std::int32_t height, Blend blend) {
  const std::int32_t wordsPerRow = bits.wordsPerRow;
  const std::uint64_t* marked = bits.marked;
  ForEachWordSpan(wordsPerRow * height, [=](std::int32_t first, std::int32_t size) {
    for (std::int32_t k = first; k < first + size; ++k) {
      if (marked[k] == 0) continue;
      const WordPlace at = PlaceOfWord(k, wordsPerRow, width);
      blend_detail::BlendWord(pixels + static_cast<std::int64_t>(at.y) * width + at.x,
                              marked[k], at.pixels, blend);
    }
  });
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_BLEND_MARKED_H
