// AlphaDataSet(pixels, width, height, source): converts the buffer in place
// to an alpha-only image and returns `pixels`.
//
// Sizes that cannot describe a buffer (a negative width or height, or a
// product beyond 32 bits) convert nothing; an unusable `pixels` value (not a
// buffer, or a full userdata smaller than the image) gives the empty result,
// as it does for AlphaFillColor.
#include <cstdint>

#include "alpha_set/alpha_set.h"
#include "binding/lua_args.h"
#include "binding/operations.h"

namespace qveil {

int AlphaDataSet(lua_State* L) {
  const BufferArgument buffer = ReadBufferArgument(L, 1);
  const std::int32_t width = ReadInt32(L, 2);
  const std::int32_t height = ReadInt32(L, 3);
  const std::int32_t source = ReadInt32(L, 4);
  Pixel* pixels = UsablePixels(buffer, width, height);
  if (pixels == nullptr) return ReturnNothing(L);

  const std::int32_t count = CountPixels(width, height);
  ConvertToAlpha(pixels, count, source);
  return ReturnBuffer(L);
}

}  // namespace qveil
