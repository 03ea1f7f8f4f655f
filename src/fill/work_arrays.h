// The per-call work memory of AlphaFillColor: the seed fill's two coordinate
// stacks, 4 bytes a pixel each plus 4, and the bits, 2 bits a pixel.
// The stacks are reserved in full but only the slots the fill reaches are
// ever touched, so the memory a call really uses is the bits and the
// stacks' deepest point.
#ifndef Q_VEIL_KIT_WORK_ARRAYS_H
#define Q_VEIL_KIT_WORK_ARRAYS_H

#include <cstddef>
#include <cstdint>

#include "fill/fill_bits.h"

namespace qveil {

struct FillWorkArrays {
  std::int32_t* xStack;  // width * height + 1 slots
  std::int32_t* yStack;  // width * height + 1 slots
  FillBits bits;         // open bits, then marked bits, in one block
};

// The bytes AcquireFillWorkArrays requests for a width x height image (both
// positive, their product within 32 bits).
std::size_t FillWorkBytes(std::int32_t width, std::int32_t height);

// Requests all three blocks, in the order above, before testing any.
// Returns false, with every block that was obtained released, unless all
// were. Both sizes must be positive and their product fit 32 bits.
bool AcquireFillWorkArrays(std::int32_t width, std::int32_t height,
                           FillWorkArrays* arrays);

void ReleaseFillWorkArrays(FillWorkArrays* arrays);

}  // namespace qveil

#endif  // Q_VEIL_KIT_WORK_ARRAYS_H
