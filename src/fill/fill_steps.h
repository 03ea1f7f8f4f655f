// The steps of AlphaFillColor, run in this order on per-call work arrays:
//   ExtractAlphaPlane -> [StretchAlphaPlane] -> (seed test) -> MarkBoundaries
//   -> MarkFillRegion -> BlendOpaque or BlendSoft.
// Every pass except MarkFillRegion is one parallel pass over width * height
// indices; MarkFillRegion runs on the calling thread.
#ifndef Q_VEIL_KIT_FILL_STEPS_H
#define Q_VEIL_KIT_FILL_STEPS_H

#include <cstdint>

#include "q_veil_kit/pixel_buffer.h"

namespace qveil {

// alphaPlane[i] = alpha byte of pixel i (0..255). The pixels are only read.
// The fill mask is left alone: MarkBoundaries writes every entry of it
// before anything reads it, so clearing it here would be a wasted pass.
void ExtractAlphaPlane(const Pixel* pixels, std::int32_t* alphaPlane,
                       std::int32_t width, std::int32_t height);

// Opaque mode's stretch, for 0 < threshold < 255:
//   alphaPlane[i] = min(255, alphaPlane[i] * 255 / threshold)
// in unsigned 32-bit arithmetic, rounding down. So the threshold itself and
// every alpha above it map to 255 (for threshold 128: 64 -> 127, 65 -> 129).
void StretchAlphaPlane(std::int32_t* alphaPlane, std::int32_t threshold,
                       std::int32_t width, std::int32_t height);

// Writes every entry of the fill mask, folding the threshold test into it,
// so that the seed fill reads one array instead of two:
//   fillMask[i] = kBoundary if alphaPlane[i] >= threshold (signed), else
//   kUnmarked.
// The alpha plane is only read.
void MarkBoundaries(const std::int32_t* alphaPlane, std::int32_t* fillMask,
                    std::int32_t threshold, std::int32_t width,
                    std::int32_t height);

// Marks kMarked in fillMask the 4-connected region of kUnmarked pixels (open
// ones, after MarkBoundaries) around the seed; kBoundary entries stay as they
// are. Needs 0 <= seed < size and an open seed. The stacks have
// width * height + 1 slots each; slot 0 is never used. It goes by runs: a
// popped pixel's run in its row is marked at once, and the first pixel of
// each open stretch above and below the run is pushed, marked as it is
// pushed (mark_fill_region.h).
void MarkFillRegion(std::int32_t* fillMask, std::int32_t* xStack,
                    std::int32_t* yStack, std::int32_t width,
                    std::int32_t height, std::int32_t seedX,
                    std::int32_t seedY);

// For each marked pixel, with a = alphaPlane[i] and m = 255 - a, each colour
// byte c becomes (a * c + m * fill) / 255 rounded down, and alpha 255.
// Fill components outside 0..255 give results clamped to 0..255.
// Unmarked pixels are never written.
void BlendOpaque(Pixel* pixels, const std::int32_t* fillMask,
                 const std::int32_t* alphaPlane, std::int32_t red,
                 std::int32_t green, std::int32_t blue, std::int32_t width,
                 std::int32_t height);

// For each marked pixel, in double, operation by operation:
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
void BlendSoft(Pixel* pixels, const std::int32_t* fillMask,
               const std::int32_t* alphaPlane, std::int32_t red,
               std::int32_t green, std::int32_t blue, std::int32_t threshold,
               double strength, std::int32_t width, std::int32_t height,
               std::int32_t* scratch);

}  // namespace qveil

#endif  // Q_VEIL_KIT_FILL_STEPS_H
