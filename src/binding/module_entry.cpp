// The library's only exported symbol. Loading and unloading run no code of
// ours; everything happens inside the two operations.
//
// The same source builds for Lua 5.1 (and LuaJIT) and for 5.2 to 5.4: what
// differs between them is in lua_compat.h. Only the entry and the argument
// readers (lua_args.cpp) see the Lua API; the passes never do.
#include <lua.hpp>

#include "binding/lua_compat.h"
#include "binding/operations.h"

namespace {

const char kLibraryName[] = "Q_Veil_Kit";

const luaL_Reg kOperations[] = {
    {"AlphaFillColor", qveil::AlphaFillColor},
    {"AlphaDataSet", qveil::AlphaDataSet},
    {nullptr, nullptr},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int luaopen_Q_Veil_Kit(
    lua_State* L) {
  qveil::RegisterLibrary(L, kLibraryName, kOperations);
  return 1;
}
