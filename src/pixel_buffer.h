// Memory layout shared by every pass of the module.
//
// A PixelBuffer is `width` x `height` 32-bit pixels stored row after row with
// no gap between rows; pixel (x, y) has index y * width + x. Each pixel is a
// little-endian word that reads 0xAARRGGBB: byte 0 blue, byte 1 green,
// byte 2 red, byte 3 alpha.
//
// The layout is the module's whole contract with its hosts, described in the
// README's Lua API; the fill's work memory is its own (fill/work_arrays.h).
#ifndef Q_VEIL_KIT_PIXEL_BUFFER_H
#define Q_VEIL_KIT_PIXEL_BUFFER_H

#include <cstdint>

namespace qveil {

using Pixel = std::uint32_t;

constexpr unsigned kBlueShift = 0;
constexpr unsigned kGreenShift = 8;
constexpr unsigned kRedShift = 16;
constexpr unsigned kAlphaShift = 24;

constexpr Pixel kOpaqueAlpha = 0xFF000000u;

// The byte of `pixel` that starts at bit `shift` (0, 8, 16 or 24).
constexpr std::uint32_t ChannelOf(Pixel pixel, unsigned shift) {
  return (pixel >> shift) & 0xFFu;
}

constexpr std::uint32_t AlphaOf(Pixel pixel) { return pixel >> kAlphaShift; }

constexpr Pixel MakePixel(std::uint32_t alpha, std::uint32_t red,
                          std::uint32_t green, std::uint32_t blue) {
  return alpha << kAlphaShift | red << kRedShift | green << kGreenShift |
         blue << kBlueShift;
}

// The pixel count width * height when both sizes are non-negative and the
// product fits in 32 bits; -1 for every size that cannot describe a buffer.
constexpr std::int32_t CountPixels(std::int32_t width, std::int32_t height) {
  if (width < 0 || height < 0) return -1;
  const std::int64_t count = std::int64_t{width} * height;
  return count > INT32_MAX ? -1 : static_cast<std::int32_t>(count);
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_PIXEL_BUFFER_H
