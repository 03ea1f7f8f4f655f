#include "binding/lua_args.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "binding/lua_compat.h"
#include "binding/number_conversion.h"

namespace qveil {

namespace {

// Pushes metatable[name] without calling any metamethod (the metatable is
// on top of the stack).
int PushRawField(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_rawget(L, -2);
  return lua_type(L, -1);
}

// Whether the full userdata at `index` is an object whose block holds its
// state rather than pixels; written as pixels, it crashes its host:
// - a file handle of Lua's io library (its FILE*, and from 5.2 the function
//   that closes it): its metatable is the one the library keeps in the
//   registry;
// - LuaJIT's string buffer (its pointers): its metatable hides behind the
//   `__metatable` text "buffer";
// - any LÖVE object (ImageData, ByteData, ...), whose block is a pointer to
//   the object: its metatable answers `typeOf`, as no pixel buffer's does.
// Buffers with metatables of their own are left alone.
bool IsObjectNotPixels(lua_State* L, int index) {
  if (!lua_getmetatable(L, index)) return false;
  lua_getfield(L, LUA_REGISTRYINDEX, LUA_FILEHANDLE);
  bool found = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 1);
  if (!found) {
    found = PushRawField(L, "__metatable") == LUA_TSTRING &&
            std::strcmp(lua_tostring(L, -1), "buffer") == 0;
    lua_pop(L, 1);
  }
  if (!found) {
    found = PushRawField(L, "typeOf") == LUA_TFUNCTION;
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
      (type == LUA_TUSERDATA && IsObjectNotPixels(L, index))) {
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
