#include "binding/lua_args.h"

#include <cstddef>
#include <cstdint>
#include <limits>

#include "binding/lua_compat.h"
#include "binding/number_conversion.h"

namespace qveil {

BufferArgument ReadBufferArgument(lua_State* L, int index) {
  constexpr std::size_t kUnknownSize = std::numeric_limits<std::size_t>::max();
  const int type = lua_type(L, index);
  if (type != LUA_TUSERDATA && type != LUA_TLIGHTUSERDATA) return {nullptr, 0};
  const void* address = lua_topointer(L, index);
  if (address == nullptr ||
      reinterpret_cast<std::uintptr_t>(address) % alignof(Pixel) != 0) {
    return {nullptr, 0};
  }
  const std::size_t bytes =
      type == LUA_TUSERDATA ? FullUserdataSize(L, index) : kUnknownSize;
  return {static_cast<Pixel*>(const_cast<void*>(address)), bytes};
}

Pixel* UsablePixels(const BufferArgument& buffer, std::int32_t width,
                    std::int32_t height) {
  const std::int32_t count = CountPixels(width, height);
  if (count > 0 && buffer.bytes / sizeof(Pixel) < static_cast<std::size_t>(count)) {
    return nullptr;
  }
  return buffer.pixels;
}

std::int32_t ReadInt32(lua_State* L, int index) {
  return TruncateToInt32(static_cast<double>(lua_tonumber(L, index)));
}

double ReadDouble(lua_State* L, int index) {
  return static_cast<double>(lua_tonumber(L, index));
}

bool ReadFlag(lua_State* L, int index) { return lua_toboolean(L, index) != 0; }

int ReturnBuffer(lua_State* L) {
  lua_settop(L, 1);
  return 1;
}

int ReturnNothing(lua_State* L) {
  lua_settop(L, 1);
  return 0;
}

}  // namespace qveil
