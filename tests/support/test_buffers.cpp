// testbuf: a test-only Lua module that makes pixel buffers for the module
// under test and inspects them. Pixel indices are 0-based, like the buffer.
#include <lua.hpp>
#include <omp.h>

#include <cstdint>
#include <cstring>

#include "binding/lua_compat.h"

namespace {

using Pixel = std::uint32_t;

// A buffer is a full userdata holding nothing but its pixels, so the address
// the module reads from it is pixel 0, as a host's own buffer would be.
struct Buffer {
  std::int64_t count;
  Pixel* pixels;
};

Buffer CheckBuffer(lua_State* L, int index) {
  void* memory = luaL_checkudata(L, index, "testbuf.buffer");
  const std::size_t bytes = qveil::FullUserdataSize(L, index);
  return Buffer{static_cast<std::int64_t>(bytes / sizeof(Pixel)),
                static_cast<Pixel*>(memory)};
}

std::int64_t CheckIndex(lua_State* L, const Buffer& b, int index) {
  const lua_Number i = luaL_checknumber(L, index);
  luaL_argcheck(L, i >= 0 && i < static_cast<lua_Number>(b.count), index,
                "pixel index out of range");
  return static_cast<std::int64_t>(i);
}

Buffer NewBuffer(lua_State* L, std::int64_t count) {
  const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(Pixel);
  Pixel* pixels = static_cast<Pixel*>(lua_newuserdata(L, bytes));
  std::memset(pixels, 0, bytes);
  luaL_getmetatable(L, "testbuf.buffer");
  lua_setmetatable(L, -2);
  return Buffer{count, pixels};
}

// new(count [, value]): a buffer of `count` pixels, all `value` (default 0).
int New(lua_State* L) {
  const lua_Number count = luaL_checknumber(L, 1);
  luaL_argcheck(L, count >= 0 && count <= (1 << 28), 1, "bad pixel count");
  const Pixel value = static_cast<Pixel>(luaL_optnumber(L, 2, 0));
  Buffer b = NewBuffer(L, static_cast<std::int64_t>(count));
  for (std::int64_t i = 0; i < b.count; ++i) b.pixels[i] = value;
  return 1;
}

// address(buffer [, byte_offset]): the pixel address as a light userdata.
int Address(lua_State* L) {
  const lua_Integer offset = luaL_optinteger(L, 2, 0);
  lua_pushlightuserdata(
      L, reinterpret_cast<unsigned char*>(CheckBuffer(L, 1).pixels) + offset);
  return 1;
}

int Get(lua_State* L) {
  const Buffer b = CheckBuffer(L, 1);
  lua_pushnumber(L, b.pixels[CheckIndex(L, b, 2)]);
  return 1;
}

int Set(lua_State* L) {
  const Buffer b = CheckBuffer(L, 1);
  const std::int64_t i = CheckIndex(L, b, 2);
  b.pixels[i] = static_cast<Pixel>(luaL_checknumber(L, 3));
  return 0;
}

int Count(lua_State* L) {
  lua_pushnumber(L, static_cast<lua_Number>(CheckBuffer(L, 1).count));
  return 1;
}

// randomize(buffer, seed): deterministic pseudo-random pixels, the same
// bytes under every interpreter.
int Randomize(lua_State* L) {
  const Buffer b = CheckBuffer(L, 1);
  std::uint64_t state = static_cast<std::uint64_t>(luaL_checknumber(L, 2)) * 2 + 1;
  for (std::int64_t i = 0; i < b.count; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    b.pixels[i] = static_cast<Pixel>(state >> 32);
  }
  return 0;
}

int Copy(lua_State* L) {
  const Buffer from = CheckBuffer(L, 1);
  const Buffer to = NewBuffer(L, from.count);
  std::memcpy(to.pixels, from.pixels,
              static_cast<std::size_t>(from.count) * sizeof(Pixel));
  return 1;
}

// tally(buffer, value): how many pixels equal `value`.
int Tally(lua_State* L) {
  const Buffer b = CheckBuffer(L, 1);
  const Pixel value = static_cast<Pixel>(luaL_checknumber(L, 2));
  std::int64_t matches = 0;
  for (std::int64_t i = 0; i < b.count; ++i) matches += b.pixels[i] == value;
  lua_pushnumber(L, static_cast<lua_Number>(matches));
  return 1;
}

// equal(a, b): true, or false and the first differing index.
int Equal(lua_State* L) {
  const Buffer a = CheckBuffer(L, 1);
  const Buffer b = CheckBuffer(L, 2);
  if (a.count != b.count) {
    lua_pushboolean(L, 0);
    lua_pushnumber(L, -1);
    return 2;
  }
  for (std::int64_t i = 0; i < a.count; ++i) {
    if (a.pixels[i] != b.pixels[i]) {
      lua_pushboolean(L, 0);
      lua_pushnumber(L, static_cast<lua_Number>(i));
      return 2;
    }
  }
  lua_pushboolean(L, 1);
  return 1;
}

int default_team_size = 1;

// set_threads([n]): the OpenMP team size for later passes of this thread;
// without n, the runtime's default again.
int SetThreads(lua_State* L) {
  omp_set_num_threads(static_cast<int>(luaL_optinteger(L, 1, default_team_size)));
  return 0;
}

const luaL_Reg kFunctions[] = {
    {"new", New},           {"address", Address}, {"get", Get},
    {"set", Set},           {"count", Count},     {"randomize", Randomize},
    {"copy", Copy},         {"equal", Equal},     {"tally", Tally},     {"set_threads", SetThreads},
    {nullptr, nullptr},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int luaopen_testbuf(
    lua_State* L) {
  default_team_size = omp_get_max_threads();
  luaL_newmetatable(L, "testbuf.buffer");
  lua_pop(L, 1);
  qveil::RegisterLibrary(L, "testbuf", kFunctions);
  return 1;
}
