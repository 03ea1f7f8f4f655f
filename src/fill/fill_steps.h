// The steps of AlphaFillColor, run in this order once the seed has been
// found open (OutcomeOfSeed, fill_rules.h) and the work memory obtained:
//   MarkOpenPixels -> MarkFillRegion -> BlendOpaque or BlendSoft.
// Nothing is stored per pixel but two bits (fill_bits.h): whatever depends
// on a pixel's alpha alone is worked out once per call (the open-alpha
// limit, the opaque weight factor, the soft blend's 256 weights) and
// applied to the pixel itself. MarkOpenPixels and the blends are parallel
// passes over the words of the bits; MarkFillRegion runs on the calling
// thread.
#ifndef Q_VEIL_KIT_FILL_STEPS_H
#define Q_VEIL_KIT_FILL_STEPS_H

#include <cstdint>

#include "fill/fill_bits.h"
#include "fill/fill_rules.h"
#include "pixel_buffer.h"

namespace qveil {

constexpr std::int32_t kAlphaValues = 256;

// Sets the open bit of every pixel whose alpha is below `openAlphas` and
// clears every marked bit, the bits past each line's end included, in
// either layout (fill_bits.h). The pixels are only read.
void MarkOpenPixels(const Pixel* pixels, std::int32_t openAlphas,
                    const FillBits& bits, std::int32_t width, std::int32_t height);

// Marks the 4-connected region of open pixels around the seed (x, y).
// Needs an open seed inside the image and no marked bit set
// (MarkOpenPixels). The stacks have width * height + 1 slots each; slot 0
// is never used. It goes by runs along the lines of the bits: a popped
// pixel's run in its line is marked at once, and the first pixel of each
// open stretch in the lines on either side of the run is pushed, marked as
// it is pushed (mark_fill_region.h).
void MarkFillRegion(const FillBits& bits, std::int32_t* xStack, std::int32_t* yStack,
                    std::int32_t seedX, std::int32_t seedY);

// For each marked pixel, with a = WeightOf(its alpha, WeightFactor(request))
// (fill_rules.h) and m = 255 - a, each colour byte c becomes
// (a * c + m * fill) / 255 rounded down, and alpha 255; fill is the
// request's colour. Fill components outside 0..255 give results clamped to
// 0..255. Unmarked pixels are never written.
void BlendOpaque(Pixel* pixels, const FillBits& bits, const FillRequest& request,
                 std::int32_t width, std::int32_t height);

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
