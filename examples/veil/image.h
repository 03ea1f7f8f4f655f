// The image a `veil` command works on: the module's pixel layout (32-bit
// 0xAARRGGBB, rows without gaps, straight alpha) plus its size.
#ifndef VEIL_IMAGE_H
#define VEIL_IMAGE_H

#include <cstdint>
#include <vector>

#include "q_veil_kit/pixel_buffer.h"

namespace veil {

struct Image {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<qveil::Pixel> pixels;  // width * height, pixel 0 first
};

}  // namespace veil

#endif  // VEIL_IMAGE_H
