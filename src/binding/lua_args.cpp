#include "binding/lua_args.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "binding/lua_compat.h"
#include "binding/number_conversion.h"

namespace qveil {

namespace {

// Whether the full userdata at `index` is an object of Lua's own libraries,
// whose block holds their state rather than pixels: a file handle (its
// FILE*, and from 5.2 the function that closes it) or LuaJIT's string buffer
// (its pointers). Written as pixels, they crash the interpreter. A file
// handle's metatable is the one the io library keeps in the registry; a
// string buffer's hides behind the `__metatable` text "buffer". Buffers
// with metatables of their own are left alone.
bool IsLibraryObject(lua_State* L, int index) {
  if (!lua_getmetatable(L, index)) return false;
  lua_getfield(L, LUA_REGISTRYINDEX, LUA_FILEHANDLE);
  bool found = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 1);
  if (!found) {
    lua_pushliteral(L, "__metatable");
    lua_rawget(L, -2);
    found = lua_type(L, -1) == LUA_TSTRING &&
            std::strcmp(lua_tostring(L, -1), "buffer") == 0;
    lua_pop(L, 1);
  }
  lua_pop(L, 1);
  return found;
}

}  // namespace

BufferArgument ReadBufferArgument(lua_State* L, int index) {
  constexpr std::size_t kUnknownSize = std::numeric_limits<std::size_t>::max();
  const int type = lua_type(L, index);
  if (type != LUA_TUSERDATA && type != LUA_TLIGHTUSERDATA) return {nullptr, 0};
  const void* address = lua_topointer(L, index);
  if (address == nullptr ||
      reinterpret_cast<std::uintptr_t>(address) % alignof(Pixel) != 0 ||
      (type == LUA_TUSERDATA && IsLibraryObject(L, index))) {
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
