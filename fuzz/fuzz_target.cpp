// Differential fuzzer: each input becomes one call of AlphaFillColor or
// AlphaDataSet, made through a real Lua 5.1 state exactly as a script makes
// it, on a heap buffer of exactly the image's size (AddressSanitizer guards
// both of its ends). The call must give the reference model's results and
// bytes, the same bytes again with a one-thread team, and never raise a Lua
// error. Any mismatch aborts with the case printed.
#include <lua.hpp>
#include <omp.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_case.h"
#include "reference.h"

extern "C" int luaopen_Q_Veil_Kit(lua_State* L);

namespace qveil::fuzz {

namespace {

// One state for the whole run, the module loaded by `require` through
// package.preload, as a host that links the module in would do.
lua_State* State() {
  static lua_State* L = [] {
    lua_State* state = luaL_newstate();
    luaL_openlibs(state);
    lua_getglobal(state, "package");
    lua_getfield(state, -1, "preload");
    lua_pushcfunction(state, luaopen_Q_Veil_Kit);
    lua_setfield(state, -2, "Q_Veil_Kit");
    lua_settop(state, 0);
    if (luaL_dostring(state, "veil = require 'Q_Veil_Kit'") != 0) {
      std::fprintf(stderr, "require failed: %s\n", lua_tostring(state, -1));
      std::abort();
    }
    return state;
  }();
  return L;
}

void PushArg(lua_State* L, const Arg& arg) {
  switch (arg.kind) {
    case ArgKind::kNumber:
      lua_pushnumber(L, arg.number);
      break;
    case ArgKind::kNumericString: {
      char text[32];
      std::snprintf(text, sizeof text, "%d", static_cast<int>(arg.number));
      lua_pushstring(L, text);
      break;
    }
    case ArgKind::kText:
      lua_pushstring(L, "twelve");
      break;
    case ArgKind::kNil:
      lua_pushnil(L);
      break;
    case ArgKind::kFalse:
      lua_pushboolean(L, 0);
      break;
    case ArgKind::kTrue:
      lua_pushboolean(L, 1);
      break;
    case ArgKind::kTable:
      lua_newtable(L);
      break;
  }
}

[[noreturn]] void Fail(const FuzzCase& c, const char* what) {
  std::fprintf(stderr, "MISMATCH: %s\n  %s, buffer kind %d, %zu pixels, args:",
               what, c.fill ? "AlphaFillColor" : "AlphaDataSet",
               static_cast<int>(c.buffer), c.pixels.size());
  for (const Arg& arg : c.args) {
    std::fprintf(stderr, " [%d]%.17g", static_cast<int>(arg.kind), arg.number);
  }
  std::fprintf(stderr, "\n");
  std::abort();
}

// Makes the call on `pixels` (exactly c.pixels.size() of them, on the heap)
// and returns the number of results, checking the result conventions.
int CallModule(const FuzzCase& c, std::uint32_t* pixels) {
  lua_State* L = State();
  const std::size_t bytes = c.pixels.size() * sizeof(std::uint32_t);
  lua_getglobal(L, "veil");
  lua_getfield(L, -1, c.fill ? "AlphaFillColor" : "AlphaDataSet");
  lua_remove(L, -2);
  void* full = nullptr;
  switch (c.buffer) {
    case BufferKind::kLight:
      lua_pushlightuserdata(L, pixels);
      break;
    case BufferKind::kFull:
      full = lua_newuserdata(L, bytes);
      if (bytes > 0) std::memcpy(full, pixels, bytes);
      break;
    case BufferKind::kMisaligned:
      lua_pushlightuserdata(L, reinterpret_cast<unsigned char*>(pixels) + 1);
      break;
    case BufferKind::kNil:
      lua_pushnil(L);
      break;
    case BufferKind::kNumber:
      lua_pushnumber(L, 42);
      break;
    case BufferKind::kString:
      lua_pushstring(L, "pixels");
      break;
    case BufferKind::kTable:
      lua_newtable(L);
      break;
  }
  lua_pushvalue(L, -1);  // keep argument 1 to compare the result with
  lua_insert(L, -3);
  for (const Arg& arg : c.args) PushArg(L, arg);
  const int base = lua_gettop(L) - static_cast<int>(c.args.size()) - 2;
  if (lua_pcall(L, static_cast<int>(c.args.size()) + 1, LUA_MULTRET, 0) != 0) {
    Fail(c, "the call raised a Lua error");
  }
  const int results = lua_gettop(L) - base;
  if (results == 1 && !lua_rawequal(L, base, base + 1)) {
    Fail(c, "the result is not argument 1");
  }
  if (full != nullptr && bytes > 0) std::memcpy(pixels, full, bytes);
  lua_settop(L, 0);
  return results;
}

}  // namespace

}  // namespace qveil::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qveil::fuzz;
  const FuzzCase c = DecodeCase(data, size);
  const std::size_t count = c.pixels.size();
  const std::size_t bytes = count * sizeof(std::uint32_t);

  // Exactly the image's bytes on the heap: reading or writing past either
  // end is an AddressSanitizer report. (malloc(0) still gives an address.)
  auto* first = static_cast<std::uint32_t*>(std::malloc(bytes));
  auto* second = static_cast<std::uint32_t*>(std::malloc(bytes));
  if (first == nullptr || second == nullptr) std::abort();
  if (bytes > 0) {
    std::memcpy(first, c.pixels.data(), bytes);
    std::memcpy(second, c.pixels.data(), bytes);
  }

  std::vector<std::uint32_t> expected = c.pixels;
  const int expectedResults =
      c.fill ? ReferenceAlphaFillColor(c, expected) : ReferenceAlphaDataSet(c, expected);

  const int results = CallModule(c, first);
  // The same call with a one-thread team must give the same bytes.
  const int team = omp_get_max_threads();
  omp_set_num_threads(1);
  const int resultsAgain = CallModule(c, second);
  omp_set_num_threads(team);

  if (results != expectedResults) Fail(c, "result count differs from the reference");
  if (resultsAgain != results) Fail(c, "result count differs on one thread");
  for (std::size_t i = 0; i < count; ++i) {
    if (first[i] != expected[i]) {
      std::fprintf(stderr, "pixel %zu: module %08x, reference %08x, before %08x\n", i,
                   first[i], expected[i], c.pixels[i]);
      Fail(c, "pixels differ from the reference");
    }
    if (second[i] != first[i]) Fail(c, "pixels differ on one thread");
  }
  std::free(first);
  std::free(second);
  return 0;
}
