// The loop both blends run: over the marked pixels of a pass, writing no
// other pixel.
#ifndef Q_VEIL_KIT_BLEND_MARKED_H
#define Q_VEIL_KIT_BLEND_MARKED_H

#include <cstdint>

#include "binding/for_each_span.h"
#include "q_veil_kit/pixel_buffer.h"

namespace qveil {

namespace blend_detail {

// Blocks of kBlock pixels: a block with no marked pixel is skipped. In the
// others, a blend that vectorises (kVectorises) blends every pixel of the
// block in a loop with no decision in it and stores the marked ones; any
// other blend goes through the marked pixels one by one. Only marked pixels
// are written.
constexpr std::int32_t kBlock = 16;

inline std::int32_t CountMarked(const std::int32_t* fillMask) {
  std::int32_t marked = 0;  // counted, not tested one by one: no early exit
  for (std::int32_t k = 0; k < kBlock; ++k) marked += fillMask[k] == kMarked;
  return marked;
}

// Pixels 0 .. size - 1 of the span starting at the given addresses.
template <typename Blend>
inline void BlendSpan(Pixel* pixels, const std::int32_t* fillMask,
                      const std::int32_t* alphaPlane, std::int32_t size,
                      const Blend& blend) {
  std::int32_t first = 0;
  for (; size - first >= kBlock; first += kBlock) {
    const std::int32_t marked = CountMarked(fillMask + first);
    if (marked == 0) continue;
    if (Blend::kVectorises) {
      // Every pixel of the block is blended and the marked ones stored, in
      // a loop with no other decision: the compiler makes the store a masked
      // vector store where the processor has one (AVX2), instead of a
      // branch per pixel, a coin toss on broken-up regions.
      for (std::int32_t k = first; k < first + kBlock; ++k) {
        const Pixel blended = blend(alphaPlane[k], pixels[k]);
        if (marked == kBlock || fillMask[k] == kMarked) pixels[k] = blended;
      }
      continue;
    }
    if (marked == kBlock) {
      for (std::int32_t k = first; k < first + kBlock; ++k) {
        pixels[k] = blend(alphaPlane[k], pixels[k]);
      }
      continue;
    }
    // The marked pixels' places first, gathered without a branch; then one
    // loop over them, whose only unpredictable branch is its end.
    std::int32_t places[kBlock];
    std::int32_t count = 0;
    for (std::int32_t k = first; k < first + kBlock; ++k) {
      places[count] = k;
      count += fillMask[k] == kMarked;
    }
    for (std::int32_t j = 0; j < count; ++j) {
      const std::int32_t k = places[j];
      pixels[k] = blend(alphaPlane[k], pixels[k]);
    }
  }
  for (std::int32_t k = first; k < size; ++k) {
    if (fillMask[k] == kMarked) pixels[k] = blend(alphaPlane[k], pixels[k]);
  }
}

}  // namespace blend_detail

// Sets pixels[i] = blend(alphaPlane[i], pixels[i]) for every marked pixel
// i < count, one parallel pass; the blends are types with a call operator,
// so that it inlines. Blend::kVectorises says whether blending a pixel for
// nothing is cheaper than a branch: true for the opaque blends, plain
// integer arithmetic; false for the soft ones, which divide or look up.
template <typename Blend>
void BlendMarked(Pixel* pixels, const std::int32_t* fillMask,
                 const std::int32_t* alphaPlane, std::int32_t count, Blend blend) {
  ForEachSpan(count, [=](std::int32_t first, std::int32_t size) {
    blend_detail::BlendSpan(pixels + first, fillMask + first, alphaPlane + first, size,
                            blend);
  });
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_BLEND_MARKED_H
