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

// The average of three bytes, floor(sum / 3), as the high half of
// sum * 21846 in 16 bits: exact for every sum up to 765 (21846 / 65536
// overshoots 1 / 3 by 1 / 98304, less than 1 / 128 over the whole range,
// and a third's fraction is at most 2 / 3, so no quotient crosses a whole
// number). The sum and the multiply fit 16-bit lanes, which every vector
// unit multiplies (SSE2 has no 32-bit multiply); unlike a table lookup at a
// computed index, it vectorises, and the pass runs at memory speed.
void AverageToAlpha(Pixel* pixels, std::int32_t count) {
  ForEachSpan(count, [pixels](std::int32_t first, std::int32_t size) {
    for (std::int32_t i = first; i < first + size; ++i) {
      const Pixel p = pixels[i];
      const auto sum = static_cast<std::uint16_t>(
          ChannelOf(p, kRedShift) + ChannelOf(p, kGreenShift) + ChannelOf(p, kBlueShift));
      const auto third = static_cast<std::uint16_t>(std::uint32_t{sum} * 21846u >> 16);
      pixels[i] = std::uint32_t{third} << kAlphaShift;
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
