#include "fill/mark_fill_region.h"

#include <cstdint>

#include "fill/fill_steps.h"

namespace qveil {

void MarkFillRegion(const FillBits& bits, std::int32_t* xStack, std::int32_t* yStack,
                    std::int32_t seedX, std::int32_t seedY) {
  const LinePoint seed = LinePointOf(bits, seedX, seedY);
  MarkFillRegionWith(bits, xStack, yStack, seed.along, seed.line,
                     [](std::int32_t, std::int32_t, std::int32_t) {});
}

}  // namespace qveil
