// The seed fill as it was before it went by runs: one pixel per pop, its four
// neighbours tested on the boundary mask (MarkBoundaries) and pushed in the
// order left, right, up, down. It marks the same region as MarkFillRegion;
// kept here only as the reference its speed is measured against.
#ifndef Q_VEIL_KIT_BENCH_PIXEL_STACK_FILL_H
#define Q_VEIL_KIT_BENCH_PIXEL_STACK_FILL_H

#include <cstdint>

#include "q_veil_kit/pixel_buffer.h"

namespace qveil::bench {

inline void PixelStackFill(std::int32_t* fillMask, std::int32_t* xStack,
                           std::int32_t* yStack, std::int32_t width,
                           std::int32_t height, std::int32_t seedX,
                           std::int32_t seedY) {
  std::int32_t top = 1;
  xStack[top] = seedX;
  yStack[top] = seedY;
  fillMask[seedY * width + seedX] = kMarked;
  auto visit = [&](std::int32_t x, std::int32_t y, std::int32_t index) {
    if (fillMask[index] == kUnmarked) {
      ++top;
      xStack[top] = x;
      yStack[top] = y;
      fillMask[index] = kMarked;
    }
  };
  while (top > 0) {
    const std::int32_t x = xStack[top];
    const std::int32_t y = yStack[top];
    --top;
    const std::int32_t index = y * width + x;
    if (x - 1 >= 0) visit(x - 1, y, index - 1);
    if (x + 1 < width) visit(x + 1, y, index + 1);
    if (y - 1 >= 0) visit(x, y - 1, index - width);
    if (y + 1 < height) visit(x, y + 1, index + width);
  }
}

}  // namespace qveil::bench

#endif  // Q_VEIL_KIT_BENCH_PIXEL_STACK_FILL_H
