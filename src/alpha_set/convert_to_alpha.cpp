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

// The average of three bytes, floor(sum / 3) for a sum up to 765, in two
// exact forms, each the faster where it runs. With AVX2, sum * 683 >> 11 in
// 32-bit lanes (683 / 2048 overshoots 1 / 3 by less than 1 / 6000). The
// portable form needs no 32-bit multiply, which SSE2 lacks: the high half of
// sum * 21846 in 16-bit lanes, which every vector unit multiplies (21846 /
// 65536 overshoots by 1 / 98304). Either error, times 765, stays below
// 1 / 128, and a third's fraction is at most 2 / 3, so no quotient crosses
// a whole number. Unlike a table lookup at a computed index, both
// vectorise, and the pass runs at memory speed.
#ifdef Q_VEIL_KIT_AVX2_COPY
inline std::uint32_t ThirdOf(std::uint32_t sum, Avx2Code) { return sum * 683u >> 11; }
#endif

inline std::uint32_t ThirdOf(std::uint32_t sum, PortableCode) {
  const auto sum16 = static_cast<std::uint16_t>(sum);
  return static_cast<std::uint16_t>(std::uint32_t{sum16} * 21846u >> 16);
}

void AverageToAlpha(Pixel* pixels, std::int32_t count) {
  ForEachSpanOf(count, kPixelsPerSpan, [pixels](std::int32_t first, std::int32_t size, auto code) {
    for (std::int32_t i = first; i < first + size; ++i) {
      const Pixel p = pixels[i];
      const std::uint32_t sum =
          ChannelOf(p, kRedShift) + ChannelOf(p, kGreenShift) + ChannelOf(p, kBlueShift);
      pixels[i] = ThirdOf(sum, code) << kAlphaShift;
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
