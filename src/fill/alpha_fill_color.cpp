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
#include "fill/fill_rules.h"
#include "fill/fill_steps.h"
#include "fill/work_arrays.h"

namespace qveil {

namespace {

// The fill on the work arrays, once the seed has been found open. Split
// from the Lua function so the arrays are released in one place.
void FillFromSeed(Pixel* pixels, const FillWorkArrays& work, std::int32_t width,
                  std::int32_t height, const FillRequest& request, SeedPoint seed) {
  MarkOpenPixels(pixels, OpenAlphaLimit(request), work.bits, width, height);
  MarkFillRegion(work.bits, work.xStack, work.yStack, static_cast<std::int32_t>(seed.x),
                 static_cast<std::int32_t>(seed.y));
  if (request.soft) {
    // The x stack is done with once the region is marked.
    BlendSoft(pixels, work.bits, request, width, height, work.xStack);
  } else {
    BlendOpaque(pixels, work.bits, request, width, height);
  }
}

}  // namespace

int AlphaFillColor(lua_State* L) {
  const BufferArgument buffer = ReadBufferArgument(L, 1);
  const std::int32_t width = ReadInt32(L, 2);
  const std::int32_t height = ReadInt32(L, 3);
  // Braces evaluate in order: arguments 4 to 11.
  const FillRequest request{ReadInt32(L, 4), ReadInt32(L, 5), ReadInt32(L, 6),
                            ReadInt32(L, 7), ReadInt32(L, 8), ReadInt32(L, 9),
                            ReadFlag(L, 10),  ReadDouble(L, 11)};
  Pixel* pixels = UsablePixels(buffer, width, height);
  if (pixels == nullptr) return ReturnNothing(L);

  // A zero or negative size leaves no pixel for a seed, and a product beyond
  // 32 bits is refused: neither requests memory. Nor does a seed outside the
  // image or on a boundary.
  if (CountPixels(width, height) <= 0) return ReturnNothing(L);
  const SeedPoint seed = SeedOf(width, height, request);
  if (OutcomeOfSeed(pixels, width, height, request, seed) != FillOutcome::kFills) {
    return ReturnNothing(L);
  }

  FillWorkArrays work;
  if (!AcquireFillWorkArrays(width, height, &work)) return ReturnNothing(L);
  FillFromSeed(pixels, work, width, height, request, seed);
  ReleaseFillWorkArrays(&work);
  return ReturnBuffer(L);
}

}  // namespace qveil
