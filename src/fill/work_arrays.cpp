#include "fill/work_arrays.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace qveil {

namespace {

std::int32_t* AllocateIntegers(std::size_t count) {
  return static_cast<std::int32_t*>(std::malloc(count * sizeof(std::int32_t)));
}

}  // namespace

bool AcquireFillWorkArrays(std::int32_t count, FillWorkArrays* arrays) {
  // Byte counts in size_t: count * 4 overflows 32 bits for large images.
  const std::size_t pixels = static_cast<std::size_t>(count);
  arrays->xStack = AllocateIntegers(pixels + 1);
  arrays->yStack = AllocateIntegers(pixels + 1);
  arrays->alphaPlane = AllocateIntegers(pixels);
  arrays->fillMask = AllocateIntegers(pixels);
  if (arrays->xStack && arrays->yStack && arrays->alphaPlane && arrays->fillMask) {
    return true;
  }
  ReleaseFillWorkArrays(arrays);
  return false;
}

void ReleaseFillWorkArrays(FillWorkArrays* arrays) {
  std::free(arrays->xStack);  // free(nullptr) is a no-op
  std::free(arrays->yStack);
  std::free(arrays->alphaPlane);
  std::free(arrays->fillMask);
  *arrays = FillWorkArrays{nullptr, nullptr, nullptr, nullptr};
}

}  // namespace qveil
