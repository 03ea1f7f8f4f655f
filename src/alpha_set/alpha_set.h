// Passes of AlphaDataSet: every pixel becomes a pure-alpha pixel whose alpha
// is taken from one chosen source.
#ifndef Q_VEIL_KIT_ALPHA_SET_H
#define Q_VEIL_KIT_ALPHA_SET_H

#include <cstdint>

#include "pixel_buffer.h"

namespace qveil {

// Sources of the new alpha; any other code keeps the pixel's own alpha.
constexpr std::int32_t kSourceRed = 1;
constexpr std::int32_t kSourceGreen = 2;
constexpr std::int32_t kSourceBlue = 3;
constexpr std::int32_t kSourceAverage = 4;

// Pixel i becomes v << 24 with v = red, green, blue, the average of the three
// (their sum divided by 3, rounded down) or the pixel's own alpha. Colour bytes
// end as 0. One parallel pass over `count` pixels; nothing for count <= 0.
void ConvertToAlpha(Pixel* pixels, std::int32_t count, std::int32_t source);

}  // namespace qveil

#endif  // Q_VEIL_KIT_ALPHA_SET_H
