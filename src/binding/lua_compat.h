// Every difference between the Lua versions the module builds for (5.1 and
// LuaJIT, 5.2, 5.3, 5.4) lives here; the rest of the code is written against
// one API. Used by the module entry, the argument readers and the test
// buffer module.
#ifndef Q_VEIL_KIT_LUA_COMPAT_H
#define Q_VEIL_KIT_LUA_COMPAT_H

#include <lua.hpp>

#include <cstddef>

namespace qveil {

// The size in bytes of the block of the full userdata at `index`.
inline std::size_t FullUserdataSize(lua_State* L, int index) {
#if LUA_VERSION_NUM >= 502
  return lua_rawlen(L, index);
#else
  return lua_objlen(L, index);
#endif
}

// luaL_register(L, name, list) as Lua 5.1 defines it: leaves on the stack the
// library table, which every Lua host sees the same way.
//
// Lua 5.2 dropped luaL_register, and its compatibility copy is compiled in
// only on request, so from 5.2 on its steps are repeated with the API those
// versions have: a table already in the loaded table is reused as it is;
// otherwise the global of that name is reused (read raw), or created when
// absent (stored through any metamethod), and any other global value is a
// name conflict, raised as Lua's own error; the table is recorded in the
// loaded table; then the functions are stored into it in list order.
inline void RegisterLibrary(lua_State* L, const char* name, const luaL_Reg* list) {
#if LUA_VERSION_NUM >= 502
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
#else
  luaL_register(L, name, list);
#endif
}

}  // namespace qveil

#endif  // Q_VEIL_KIT_LUA_COMPAT_H
