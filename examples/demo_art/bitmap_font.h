// A 5 x 7 pixel font for the demo sheet's labels: capitals, digits and a
// little punctuation (lower case is drawn as capitals, anything else blank).
#ifndef DEMO_ART_BITMAP_FONT_H
#define DEMO_ART_BITMAP_FONT_H

#include <string>

#include "image.h"

namespace veil {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one blank column between glyphs

// Draws `text` with its top-left corner at (x, y), each font pixel a
// `scale` x `scale` square of `colour`; parts outside the image are clipped.
void DrawText(Image* image, int x, int y, int scale, const std::string& text,
              qveil::Pixel colour);

}  // namespace veil

#endif  // DEMO_ART_BITMAP_FONT_H
