// Argument rules shared by both operations. Every reader is non-raising:
// the module never turns a bad argument into a Lua error.
#ifndef Q_VEIL_KIT_LUA_ARGS_H
#define Q_VEIL_KIT_LUA_ARGS_H

#include <lua.hpp>

#include <cstddef>
#include <cstdint>

#include "pixel_buffer.h"

namespace qveil {

// Argument 1 as read: the address of pixel 0, and how many bytes lie behind
// it when that can be known.
struct BufferArgument {
  // nullptr when the value cannot be a pixel buffer: anything but a full or
  // light userdata, a null address, an address that is not 4-byte aligned
  // (reading pixels through it would be undefined), or an object whose
  // block holds no pixels: a file handle or string buffer of Lua's own
  // libraries, or a LÖVE object.
  Pixel* pixels;
  // The block size of a full userdata. A light userdata is a bare address:
  // its size cannot be known, and a short one stays the caller's fault.
  std::size_t bytes;
};

BufferArgument ReadBufferArgument(lua_State* L, int index);

// The buffer's pixels, or nullptr when it is not a buffer or is a full
// userdata smaller than width x height pixels: writing that many pixels into
// it would overrun Lua's own heap. Sizes that describe no pixel leave
// nothing to check, since no pass touches a pixel then.
Pixel* UsablePixels(const BufferArgument& buffer, std::int32_t width,
                    std::int32_t height);

// lua_tonumber truncated toward zero to 32 bits; absent and non-numeric
// values read as 0. From Lua 5.3 on, an integer argument becomes a double
// here too, so 2^63 - 1 saturates like any other large number.
std::int32_t ReadInt32(lua_State* L, int index);

// lua_tonumber as a double; absent and non-numeric values read as 0.
double ReadDouble(lua_State* L, int index);

// lua_toboolean: false only for nil, false and an absent argument.
bool ReadFlag(lua_State* L, int index);

// Results. Both cut the stack to argument 1 first, so a success hands back
// the caller's own userdata and extra arguments are dropped.
int ReturnBuffer(lua_State* L);
int ReturnNothing(lua_State* L);

}  // namespace qveil

#endif  // Q_VEIL_KIT_LUA_ARGS_H
