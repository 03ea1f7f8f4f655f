#include "binding/lua_args.h"

#include <cstdint>

#include "binding/number_conversion.h"

namespace qveil {

Pixel* ReadPixelBuffer(lua_State* L, int index) {
  const int type = lua_type(L, index);
  if (type != LUA_TUSERDATA && type != LUA_TLIGHTUSERDATA) return nullptr;
  const void* address = lua_topointer(L, index);
  if (address == nullptr) return nullptr;
  if (reinterpret_cast<std::uintptr_t>(address) % alignof(Pixel) != 0) {
    return nullptr;
  }
  return static_cast<Pixel*>(const_cast<void*>(address));
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
