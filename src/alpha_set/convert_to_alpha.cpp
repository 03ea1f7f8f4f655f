#include <cstdint>

#include "alpha_set/alpha_set.h"
#include "parallel/for_each_span.h"

namespace qveil {

namespace {

// The source is chosen once, outside the loop, so no pass has a decision left
// in its body. A channel move is then a shift and a mask per pixel, which the
// compiler vectorises; both passes go by spans, for the AVX2 copy.
template <unsigned Shift>
void MoveChannelToAlpha(Pixel* pixels, std::int32_t count) {
  ForEachSpan(count, [pixels](std::int32_t first, std::int32_t size) {
    for (std::int32_t i = first; i < first + size; ++i) {
      pixels[i] = ChannelOf(pixels[i], Shift) << kAlphaShift;
    }
  });
}

// The average of three bytes, floor(sum / 3), as sum * 683 >> 11: exact for
// every sum up to 765 (683 / 2048 overshoots 1 / 3 by less than 1 / 6000, and
// a third's fraction is at most 2 / 3, so no quotient crosses a whole
// number). Unlike a table lookup at a computed index, a multiply and a shift
// vectorise, and the pass runs at memory speed.
void AverageToAlpha(Pixel* pixels, std::int32_t count) {
  ForEachSpan(count, [pixels](std::int32_t first, std::int32_t size) {
    for (std::int32_t i = first; i < first + size; ++i) {
      const Pixel p = pixels[i];
      const std::uint32_t sum = ChannelOf(p, kRedShift) +
                                ChannelOf(p, kGreenShift) +
                                ChannelOf(p, kBlueShift);
      pixels[i] = (sum * 683u >> 11) << kAlphaShift;
    }
  });
}

}  // namespace

void ConvertToAlpha(Pixel* pixels, std::int32_t count, std::int32_t source) {
  switch (source) {
    case kSourceRed:
      MoveChannelToAlpha<kRedShift>(pixels, count);
      break;
    case kSourceGreen:
      MoveChannelToAlpha<kGreenShift>(pixels, count);
      break;
    case kSourceBlue:
      MoveChannelToAlpha<kBlueShift>(pixels, count);
      break;
    case kSourceAverage:
      AverageToAlpha(pixels, count);
      break;
    default:
      MoveChannelToAlpha<kAlphaShift>(pixels, count);
      break;
  }
}

}  // namespace qveil
