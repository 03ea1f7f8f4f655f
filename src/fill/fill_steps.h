// The steps of AlphaFillColor, run in this order once the seed has been
// found open (PredictFill, fill_rules.h) and the work memory obtained:
//   BuildAlphaWeights -> CountOpenAlphas -> MarkOpenPixels
//   -> MarkFillRegion -> BlendOpaque or BlendSoft.
// Nothing is stored per pixel but two bits (fill_bits.h): whatever depends
// on a pixel's alpha alone is a 256-entry table, looked up from the pixel
// itself. MarkOpenPixels and the blends are parallel passes over the words
// of the bit rows; MarkFillRegion runs on the calling thread.
#ifndef Q_VEIL_KIT_FILL_STEPS_H
#define Q_VEIL_KIT_FILL_STEPS_H

#include <cstdint>

#include "fill/fill_bits.h"
#include "fill/fill_rules.h"
#include "pixel_buffer.h"

namespace qveil {

constexpr std::int32_t kAlphaValues = 256;

// weights[a] = TestedAlpha(a, threshold, stretch) (fill_rules.h), the weight
// of a pixel of alpha a in the threshold test and in the opaque blend: with
// the stretch, the threshold itself and every alpha above it map to 255 (for
// threshold 128: 64 -> 127, 65 -> 129).
void BuildAlphaWeights(std::int32_t threshold, bool stretch,
                       std::int32_t weights[kAlphaValues]);

// The same weights as one multiply, for the blend, where a table lookup per
// pixel would be a gather that does not vectorise well: for every alpha a,
//   weights[a] = min(255, (a * factor) >> 16)   (unsigned 32-bit)
// with factor = ceil(255 * 65536 / threshold) for the stretch and 65536
// without. Exact: a * factor < 2^32, and the rounding error of the factor,
// below threshold, times a stays below 2^16 wherever a < threshold.
std::uint32_t WeightFactor(std::int32_t threshold, bool stretch);

inline std::uint32_t WeightOf(std::uint32_t alpha, std::uint32_t factor) {
  const std::uint32_t weight = (alpha * factor) >> 16;
  return weight < 255u ? weight : 255u;
}

// How many alphas have a weight below `threshold` (signed comparison). The
// weights never fall as the alpha grows, so those are the alphas 0 .. the
// count - 1: a pixel is open exactly when its alpha is below the count.
std::int32_t CountOpenAlphas(const std::int32_t weights[kAlphaValues],
                             std::int32_t threshold);

// Sets the open bit of every pixel whose alpha is below `openAlphas` and
// clears every marked bit, the bits past each line's end included, in
// either layout (fill_bits.h). The pixels are only read.
void MarkOpenPixels(const Pixel* pixels, std::int32_t openAlphas,
                    const FillBits& bits, std::int32_t width, std::int32_t height);

// Marks the 4-connected region of open pixels around the seed. Needs
// 0 <= seedX < width, 0 <= seedY < height, an open seed and no marked bit
// set (MarkOpenPixels). The stacks have width * height + 1 slots each; slot
// 0 is never used. It goes by runs over the bit rows: a popped pixel's run
// in its row is marked at once, and the first pixel of each open stretch
// above and below the run is pushed, marked as it is pushed
// (mark_fill_region.h).
void MarkFillRegion(const FillBits& bits, std::int32_t* xStack,
                    std::int32_t* yStack, std::int32_t width,
                    std::int32_t height, std::int32_t seedX, std::int32_t seedY);

// For each marked pixel, with a = WeightOf(its alpha, weightFactor) and
// m = 255 - a, each colour byte c becomes (a * c + m * fill) / 255 rounded
// down, and alpha 255; fill is the request's colour (the rest of the request
// is not read). Fill components outside 0..255 give results clamped
// to 0..255. Unmarked pixels are never written.
void BlendOpaque(Pixel* pixels, const FillBits& bits, std::uint32_t weightFactor,
                 const FillRequest& request, std::int32_t width, std::int32_t height);

// For each marked pixel, with a its own (raw) alpha, t the request's
// threshold and fill its colour, in double, operation by operation:
//   H = ((255 - a) - ((255 - t) * a) / t) * strength   (fades to 0 at a = t)
//   skip the pixel unless H > 0; P = a + H;
//   c' = trunc((c * a + fill * H) / P), alpha' = trunc(P).
// Each stored value is clamped to 0..255 (NaN, from an infinite strength,
// stores 0). Unmarked pixels are never written; a skipped one keeps its
// value. The rounding does not depend on the compiler's contraction of
// floating-point operations (blend_soft.cpp).
// `scratch`, when not nullptr, is width * height + 1 integers the blend may
// overwrite (the call passes the x stack, free once the fill is done); on a
// large image it holds a table that saves the per-pixel divisions.
void BlendSoft(Pixel* pixels, const FillBits& bits, const FillRequest& request,
               std::int32_t width, std::int32_t height, std::int32_t* scratch);

}  // namespace qveil

#endif  // Q_VEIL_KIT_FILL_STEPS_H
