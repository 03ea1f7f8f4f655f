#include "fill/work_arrays.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace qveil {

namespace {

// The one place that asks the operating system for more than malloc: blocks
// of a few huge pages or more are aligned to the huge page size and offered
// to the kernel for transparent huge pages, one fault per 2 MiB instead of
// per 4 KiB. They still come from the heap allocator and go back with
// free().
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kHugeEnough = 4 * kHugePage;

void* AllocateBlock(std::size_t bytes) {
#ifdef _WIN32
  // No posix_memalign there, and free() cannot release _aligned_malloc's
  // blocks: plain malloc keeps allocation and release paired.
  return std::malloc(bytes);
#else
  if (bytes < kHugeEnough) return std::malloc(bytes);
  void* block = nullptr;
  if (posix_memalign(&block, kHugePage, bytes) != 0) return nullptr;
#ifdef MADV_HUGEPAGE  // Linux only; elsewhere the alignment alone remains
  // Only a hint: without huge pages the block works all the same.
  madvise(block, bytes - bytes % kHugePage, MADV_HUGEPAGE);
#endif
  return block;
#endif
}

// Byte counts in size_t: count * 4 overflows 32 bits for large images.
std::size_t StackSlots(std::int32_t width, std::int32_t height) {
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) + 1;
}

}  // namespace

std::size_t FillWorkBytes(std::int32_t width, std::int32_t height) {
  return 2 * StackSlots(width, height) * sizeof(std::int32_t) +
         2 * static_cast<std::size_t>(WordsOfImage(width, height)) * sizeof(std::uint64_t);
}

bool AcquireFillWorkArrays(std::int32_t width, std::int32_t height,
                           FillWorkArrays* arrays) {
  const std::size_t slots = StackSlots(width, height);
  const auto words = static_cast<std::size_t>(WordsOfImage(width, height));
  arrays->xStack = static_cast<std::int32_t*>(AllocateBlock(slots * sizeof(std::int32_t)));
  arrays->yStack = static_cast<std::int32_t*>(AllocateBlock(slots * sizeof(std::int32_t)));
  auto* bits = static_cast<std::uint64_t*>(AllocateBlock(2 * words * sizeof(std::uint64_t)));
  arrays->bits = FillBitsOn(bits, width, height);
  if (arrays->xStack && arrays->yStack && bits) return true;
  ReleaseFillWorkArrays(arrays);
  return false;
}

void ReleaseFillWorkArrays(FillWorkArrays* arrays) {
  std::free(arrays->xStack);  // free(nullptr) is a no-op
  std::free(arrays->yStack);
  std::free(arrays->bits.open);  // the marked rows are in the same block
  *arrays = FillWorkArrays{nullptr, nullptr, FillBits{0, 0, nullptr, nullptr}};
}

}  // namespace qveil
