#include <cstdint>

#include "alpha_set/alpha_set.h"
#include "binding/for_each_pixel.h"

namespace qveil {

namespace {

// The source is chosen once, outside the loop, so no pass has a decision left
// in its body. A channel move is then a shift and a mask per pixel, which the
// compiler vectorises.
template <unsigned Shift>
void MoveChannelToAlpha(Pixel* pixels, std::int32_t count) {
  ForEachPixel(count, [pixels](std::int32_t i) {
    pixels[i] = ChannelOf(pixels[i], Shift) << kAlphaShift;
  });
}

// The average is not vectorised: the table lookup at a computed index would
// need a gather, so each thread converts one pixel at a time.
void AverageToAlpha(Pixel* pixels, std::int32_t count,
                    const std::int32_t* thirds) {
  ForEachPixel(count, [pixels, thirds](std::int32_t i) {
    const Pixel p = pixels[i];
    const std::uint32_t sum = ChannelOf(p, kRedShift) +
                              ChannelOf(p, kGreenShift) +
                              ChannelOf(p, kBlueShift);
    pixels[i] = static_cast<std::uint32_t>(thirds[sum]) << kAlphaShift;
  });
}

}  // namespace

void BuildThirdsTable(std::int32_t* table) {
  ForEachPixel(kThirdsTableSize, [table](std::int32_t i) { table[i] = i / 3; });
}

void ConvertToAlpha(Pixel* pixels, std::int32_t count, std::int32_t source,
                    const std::int32_t* thirds) {
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
      AverageToAlpha(pixels, count, thirds);
      break;
    default:
      MoveChannelToAlpha<kAlphaShift>(pixels, count);
      break;
  }
}

}  // namespace qveil
