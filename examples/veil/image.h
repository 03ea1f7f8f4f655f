// The images `veil` works on: the module's pixel layout (32-bit 0xAARRGGBB,
// rows without gaps, straight alpha) plus the size.
#ifndef VEIL_IMAGE_H
#define VEIL_IMAGE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pixel_buffer.h"

namespace veil {

// Pixels that live elsewhere: in a Lua userdata (the veil commands) or in an
// Image (the demo's tools). Read-only: only the module changes them.
struct ImageView {
  std::int32_t width = 0;
  std::int32_t height = 0;
  const qveil::Pixel* pixels = nullptr;  // width * height, pixel 0 first

  std::size_t Count() const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  }
};

// An image that owns its pixels.
struct Image {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<qveil::Pixel> pixels;  // width * height, pixel 0 first

  ImageView View() const { return ImageView{width, height, pixels.data()}; }
};

}  // namespace veil

#endif  // VEIL_IMAGE_H
