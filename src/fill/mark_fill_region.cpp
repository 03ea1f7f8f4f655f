#include "fill/mark_fill_region.h"

#include <cstdint>

#include "fill/fill_steps.h"

namespace qveil {

void MarkFillRegion(const FillBits& bits, std::int32_t* xStack, std::int32_t* yStack,
                    std::int32_t width, std::int32_t height, std::int32_t seedX,
                    std::int32_t seedY) {
  const auto noHook = [](std::int32_t, std::int32_t, std::int32_t) {};
  if (bits.byColumns) {
    MarkFillRegionWith(bits, xStack, yStack, height, width, seedY, seedX, noHook);
  } else {
    MarkFillRegionWith(bits, xStack, yStack, width, height, seedX, seedY, noHook);
  }
}

}  // namespace qveil
