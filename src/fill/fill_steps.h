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

// alphaPlane[i] = alpha byte of pixel i (0..255); fillMask[i] = 0.
// The pixels are only read.
void ExtractAlphaPlane(const Pixel* pixels, std::int32_t* alphaPlane,
                       std::int32_t* fillMask, std::int32_t width,
                       std::int32_t height);

// Opaque mode's stretch, for 0 < threshold < 255:
//   alphaPlane[i] = min(255, alphaPlane[i] * 255 / threshold)
// in unsigned 32-bit arithmetic, rounding down. So the threshold itself and
// every alpha above it map to 255 (for threshold 128: 64 -> 127, 65 -> 129).
void StretchAlphaPlane(std::int32_t* alphaPlane, std::int32_t threshold,
                       std::int32_t width, std::int32_t height);

// Folds the threshold test into the fill mask, so that the seed fill reads
// one array per neighbour instead of two:
//   fillMask[i] = kBoundary if alphaPlane[i] >= threshold (signed), else
//   kUnmarked.
// The alpha plane is only read.
void MarkBoundaries(const std::int32_t* alphaPlane, std::int32_t* fillMask,
                    std::int32_t threshold, std::int32_t width,
                    std::int32_t height);

// Marks kMarked in fillMask the 4-connected region of kUnmarked pixels (open
// ones, after MarkBoundaries) around the seed; kBoundary entries stay as they
// are. Needs 0 <= seed < size and an open seed. The stacks have
// width * height + 1 slots each; slot 0 is never used. A pixel is marked when
// it is pushed; neighbours are pushed in the order left, right, up, down and
// the last pushed is popped first.
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
// stores 0). Unmarked and skipped pixels are never written.
void BlendSoft(Pixel* pixels, const std::int32_t* fillMask,
               const std::int32_t* alphaPlane, std::int32_t red,
               std::int32_t green, std::int32_t blue, std::int32_t threshold,
               double strength, std::int32_t width, std::int32_t height);

}  // namespace qveil

#endif  // Q_VEIL_KIT_FILL_STEPS_H
