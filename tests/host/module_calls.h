/* The module in a C host's Lua state, shared by the host tests: the module
 * table at stack index 1 and a pixel buffer at index 2. */
#ifndef Q_VEIL_KIT_TESTS_MODULE_CALLS_H
#define Q_VEIL_KIT_TESTS_MODULE_CALLS_H

#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
#include <stdint.h>
#include <stdio.h>

/* A state with the module and a buffer of `pixel_count` pixels; null (and
 * the reason on stderr) when the module does not load. */
static lua_State *LoadModule(int pixel_count, uint32_t **pixels) {
  lua_State *L = luaL_newstate();
  luaL_openlibs(L);
  lua_getglobal(L, "require");
  lua_pushstring(L, "Q_Veil_Kit");
  if (lua_pcall(L, 1, 1, 0) != 0) {
    fprintf(stderr, "%s\n", lua_tostring(L, -1));
    return NULL;
  }
  *pixels = lua_newuserdata(L, sizeof(uint32_t) * (size_t)pixel_count);
  return L;
}

/* Q_Veil_Kit[name](buffer, side, side, numbers...); the number of results,
 * -1 on a Lua error. */
static int Call(lua_State *L, const char *name, int side, const double *numbers, int count) {
  const int base = lua_gettop(L);
  lua_getfield(L, 1, name);
  lua_pushvalue(L, 2);
  lua_pushnumber(L, side);
  lua_pushnumber(L, side);
  for (int i = 0; i < count; ++i) lua_pushnumber(L, numbers[i]);
  if (lua_pcall(L, 2 + 1 + count, LUA_MULTRET, 0) != 0) return -1;
  const int results = lua_gettop(L) - base;
  lua_settop(L, base);
  return results;
}

#endif
