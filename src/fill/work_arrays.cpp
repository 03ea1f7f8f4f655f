#include "fill/work_arrays.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace qveil {

namespace {

// The arrays are touched for the first time during the call, so on a large
// image page faults cost as much as the passes. Blocks of a few huge pages
// or more are aligned to the huge page size and offered to the kernel for
// transparent huge pages: one fault per 2 MiB instead of per 4 KiB, and far
// fewer TLB misses in the seed fill's column-wise walk. They still come from
// the heap allocator and go back with free().
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kHugeEnough = 4 * kHugePage;

std::int32_t* AllocateIntegers(std::size_t count) {
  const std::size_t bytes = count * sizeof(std::int32_t);
#ifdef _WIN32
  // No posix_memalign there, and free() cannot release _aligned_malloc's
  // blocks: plain malloc keeps allocation and release paired.
  return static_cast<std::int32_t*>(std::malloc(bytes));
#else
  if (bytes < kHugeEnough) return static_cast<std::int32_t*>(std::malloc(bytes));
  void* block = nullptr;
  if (posix_memalign(&block, kHugePage, bytes) != 0) return nullptr;
#ifdef MADV_HUGEPAGE  // Linux only; elsewhere the alignment alone remains
  // Only a hint: without huge pages the block works all the same.
  madvise(block, bytes - bytes % kHugePage, MADV_HUGEPAGE);
#endif
  return static_cast<std::int32_t*>(block);
#endif
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
