// AlphaFillColor(pixels, width, height, red, green, blue, offsetX, offsetY,
//                threshold, soft, strength)
//
// Bucket fill guided by the alpha channel: marks the 4-connected region
// around the seed (an offset from the centre pixel) whose alpha is below
// `threshold` (in opaque mode after stretching the alpha so that the
// threshold maps to 255), then composites the fill colour into it.
// Returns `pixels` once the region has been composited, and nothing, with
// the buffer untouched, when `pixels` is not a buffer or is a full userdata
// smaller than the image, when the sizes are empty, negative or too large,
// the work memory cannot be had, the seed lies outside the buffer, or the
// seed pixel is a boundary.
#include <cstdint>

#include "binding/lua_args.h"
#include "binding/operations.h"
#include "fill/fill_steps.h"
#include "fill/work_arrays.h"

namespace qveil {

namespace {

// The fill on the work arrays, from a seed inside the image; false when the
// seed pixel is a boundary, before any work memory or pixel is written.
// Split from the Lua function so the arrays are released in one place.
bool FillFromSeed(Pixel* pixels, const FillWorkArrays& work, std::int32_t width,
                  std::int32_t height, std::int32_t red, std::int32_t green,
                  std::int32_t blue, std::int32_t seedX, std::int32_t seedY,
                  std::int32_t threshold, bool soft, double strength) {
  // The weights depend on the alpha alone: 256 of them stand in for a plane
  // of them. Soft mode weighs with the raw alpha.
  const bool stretch = !soft && threshold > 0 && threshold < 255;
  std::int32_t weights[kAlphaValues];
  BuildAlphaWeights(threshold, stretch, weights);
  const std::int32_t openAlphas = CountOpenAlphas(weights, threshold);
  const Pixel seed = pixels[static_cast<std::int64_t>(seedY) * width + seedX];
  if (AlphaOf(seed) >= static_cast<std::uint32_t>(openAlphas)) return false;

  MarkOpenPixels(pixels, openAlphas, work.bits, width, height);
  MarkFillRegion(work.bits, work.xStack, work.yStack, width, height, seedX, seedY);
  if (soft) {
    // The x stack is done with once the region is marked.
    BlendSoft(pixels, work.bits, red, green, blue, threshold, strength, width, height,
              work.xStack);
  } else {
    BlendOpaque(pixels, work.bits, WeightFactor(threshold, stretch), red, green, blue, width,
                height);
  }
  return true;
}

}  // namespace

int AlphaFillColor(lua_State* L) {
  const BufferArgument buffer = ReadBufferArgument(L, 1);
  const std::int32_t width = ReadInt32(L, 2);
  const std::int32_t height = ReadInt32(L, 3);
  const std::int32_t red = ReadInt32(L, 4);
  const std::int32_t green = ReadInt32(L, 5);
  const std::int32_t blue = ReadInt32(L, 6);
  const std::int32_t offsetX = ReadInt32(L, 7);
  const std::int32_t offsetY = ReadInt32(L, 8);
  const std::int32_t threshold = ReadInt32(L, 9);
  const bool soft = ReadFlag(L, 10);
  const double strength = ReadDouble(L, 11);
  lua_settop(L, 1);
  Pixel* pixels = UsablePixels(buffer, width, height);
  if (pixels == nullptr) return ReturnNothing(L);

  // A zero or negative size leaves no pixel for a seed, and a product beyond
  // 32 bits is refused: neither requests memory.
  const std::int32_t count = CountPixels(width, height);
  if (count <= 0) return ReturnNothing(L);

  FillWorkArrays work;
  if (!AcquireFillWorkArrays(width, height, &work)) return ReturnNothing(L);

  // The seed is an offset from the centre pixel; formed in 64 bits so that an
  // offset near the 32-bit limits cannot overflow.
  const std::int64_t seedX = std::int64_t{offsetX} + width / 2;
  const std::int64_t seedY = std::int64_t{offsetY} + height / 2;
  bool filled = false;
  if (seedX >= 0 && seedX < width && seedY >= 0 && seedY < height) {
    filled = FillFromSeed(pixels, work, width, height, red, green, blue,
                          static_cast<std::int32_t>(seedX),
                          static_cast<std::int32_t>(seedY), threshold, soft,
                          strength);
  }
  ReleaseFillWorkArrays(&work);
  return filled ? ReturnBuffer(L) : ReturnNothing(L);
}

}  // namespace qveil
