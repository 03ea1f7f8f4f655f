// The four per-call arrays of AlphaFillColor: 16 bytes per pixel plus 8.
#ifndef Q_VEIL_KIT_WORK_ARRAYS_H
#define Q_VEIL_KIT_WORK_ARRAYS_H

#include <cstdint>

namespace qveil {

struct FillWorkArrays {
  std::int32_t* xStack;      // count + 1 slots
  std::int32_t* yStack;      // count + 1 slots
  std::int32_t* alphaPlane;  // count entries
  std::int32_t* fillMask;    // count entries
};

// Requests all four arrays, in the order above, before testing any. Returns
// false, with every array that was obtained released, unless all four were.
// `count` must be positive.
bool AcquireFillWorkArrays(std::int32_t count, FillWorkArrays* arrays);

void ReleaseFillWorkArrays(FillWorkArrays* arrays);

}  // namespace qveil

#endif  // Q_VEIL_KIT_WORK_ARRAYS_H
