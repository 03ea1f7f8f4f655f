// The stack fill behind MarkFillRegion, with a hook that sees every pop, so
// tests can pin the order of work and the stack depth. The hook is a template
// parameter: MarkFillRegion passes one that does nothing and costs nothing.
#ifndef Q_VEIL_KIT_MARK_FILL_REGION_H
#define Q_VEIL_KIT_MARK_FILL_REGION_H

#include <cstdint>

#include "q_veil_kit/pixel_buffer.h"

namespace qveil {

// onPop(x, y, top) runs for each popped pixel; top is the slot it came from.
// fillMask holds kUnmarked for open pixels and kBoundary for the others
// (MarkBoundaries): a neighbour is accepted on one read of it.
template <typename OnPop>
void MarkFillRegionWith(std::int32_t* fillMask, std::int32_t* xStack,
                        std::int32_t* yStack, std::int32_t width,
                        std::int32_t height, std::int32_t seedX,
                        std::int32_t seedY, OnPop onPop) {
  std::int32_t top = 1;  // slot 0 is never used: top counts pending pixels
  xStack[top] = seedX;
  yStack[top] = seedY;
  fillMask[seedY * width + seedX] = kMarked;

  // Accepting marks at push time, so no pixel is ever pushed twice and the
  // stacks (width * height + 1 slots) cannot overflow.
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
    onPop(x, y, top);
    --top;
    const std::int32_t index = y * width + x;
    if (x - 1 >= 0) visit(x - 1, y, index - 1);
    if (x + 1 < width) visit(x + 1, y, index + 1);
    if (y - 1 >= 0) visit(x, y - 1, index - width);
    if (y + 1 < height) visit(x, y + 1, index + width);
  }
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_MARK_FILL_REGION_H
