// The library's only exported symbol. Loading and unloading run no code of
// ours; everything happens inside the two operations.
//
// The same source builds for Lua 5.1 (and LuaJIT) and for 5.2 to 5.4. Only
// the registration below and the argument readers (lua_args.cpp) see the
// Lua API; the passes never do.
#include <lua.hpp>

#include "binding/operations.h"

namespace {

const char kLibraryName[] = "Q_Veil_Kit";

const luaL_Reg kOperations[] = {
    {"AlphaFillColor", qveil::AlphaFillColor},
    {"AlphaDataSet", qveil::AlphaDataSet},
    {nullptr, nullptr},
};

#if LUA_VERSION_NUM >= 502
// Lua 5.2 dropped luaL_register, and its compatibility copy is compiled in
// only on request. This is what 5.1's luaL_register(L, name, list) does, step
// by step, with the API that 5.2 to 5.4 have, so that every host sees the
// same library: a table already in the loaded table is reused as it is;
// otherwise the global of that name is reused (read raw), or created when
// absent (stored through any metamethod), and any other global value is a
// name conflict, raised as Lua's own error; the table is recorded in the
// loaded table; then the functions are stored into it in list order and it
// is left on the stack.
void RegisterLibrary(lua_State* L, const char* name, const luaL_Reg* list) {
  int size = 0;
  for (const luaL_Reg* entry = list; entry->name != nullptr; ++entry) ++size;
  luaL_getsubtable(L, LUA_REGISTRYINDEX, "_LOADED");
  lua_getfield(L, -1, name);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    lua_pushglobaltable(L);
    lua_pushstring(L, name);
    lua_rawget(L, -2);
    if (lua_isnil(L, -1)) {
      lua_pop(L, 1);
      lua_createtable(L, 0, size);
      lua_pushstring(L, name);
      lua_pushvalue(L, -2);
      lua_settable(L, -4);
    } else if (!lua_istable(L, -1)) {
      luaL_error(L, "name conflict for module '%s'", name);
    }
    lua_remove(L, -2);  // the global table
    lua_pushvalue(L, -1);
    lua_setfield(L, -3, name);
  }
  lua_remove(L, -2);  // the loaded table
  luaL_setfuncs(L, list, 0);
}
#else
void RegisterLibrary(lua_State* L, const char* name, const luaL_Reg* list) {
  luaL_register(L, name, list);
}
#endif

}  // namespace

extern "C" __attribute__((visibility("default"))) int luaopen_Q_Veil_Kit(
    lua_State* L) {
  RegisterLibrary(L, kLibraryName, kOperations);
  return 1;
}
