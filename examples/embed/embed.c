/* embed: the smallest host of Q_Veil_Kit. It owns a 5 x 3 image of
 * 0xAARRGGBB pixels, hands it to the module as a light userdata, fills,
 * converts to alpha, and prints the pixels; then does the same with a full
 * userdata that Lua allocates and owns.
 *   mkdir -p out
 *   cc -o out/embed examples/embed/embed.c $(pkg-config --cflags --libs lua5.1)
 *   LUA_CPATH='build/?.so;;' out/embed
 */
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kWidth = 5, kHeight = 3 };

/* Clear pixels, and an opaque grey wall down the centre column. */
static void Draw(uint32_t *pixels) {
  memset(pixels, 0, sizeof(uint32_t) * kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y) pixels[y * kWidth + kWidth / 2] = 0xFF808080u;
}

static void Print(const uint32_t *pixels) {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) printf(" %08X", (unsigned)pixels[y * kWidth + x]);
    printf("\n");
  }
}

/* Q_Veil_Kit[name](buffer, width, height, ...): the module table is at
 * stack index 1, the buffer at index `buffer`, then `count` numbers.
 * Prints the number of results, 1 (the buffer back) or 0 (the empty
 * result: nothing was filled), and how many pixels changed. LUA_MULTRET
 * keeps every result, so lua_gettop counts them; the module never raises,
 * but lua_pcall would catch any error. */
static void Call(lua_State *L, const char *name, const char *what, int buffer,
                 const double *numbers, int count, uint32_t *pixels) {
  uint32_t before[kWidth * kHeight];
  memcpy(before, pixels, sizeof before);
  const int base = lua_gettop(L);
  lua_getfield(L, 1, name);
  lua_pushvalue(L, buffer);
  lua_pushinteger(L, kWidth);
  lua_pushinteger(L, kHeight);
  for (int i = 0; i < count; ++i) lua_pushnumber(L, numbers[i]);
  if (lua_pcall(L, 3 + count, LUA_MULTRET, 0) != 0) {
    fprintf(stderr, "embed: %s\n", lua_tostring(L, -1));
    exit(1);
  }
  const int results = lua_gettop(L) - base;
  lua_settop(L, base);
  int changed = 0;
  for (int i = 0; i < kWidth * kHeight; ++i) changed += before[i] != pixels[i];
  printf("%s %s: %d result%s, %d pixels changed\n", name, what, results,
         results == 1 ? "" : "s", changed);
}

/* Fills left of the wall, then seeded on the wall, then converts to alpha.
 * The fill's arguments 4 to 9: red, green, blue, offsetX, offsetY (from the
 * centre pixel, here the wall), threshold; soft and strength are left out,
 * and an absent soft reads as false: opaque. */
static void Edit(lua_State *L, int buffer, uint32_t *pixels) {
  const double left_of_wall[] = {255, 128, 0, -1, 0, 128};
  const double on_wall[] = {255, 128, 0, 0, 0, 128};
  const double average[] = {4};
  Call(L, "AlphaFillColor", "left of the wall", buffer, left_of_wall, 6, pixels);
  Print(pixels);
  Call(L, "AlphaFillColor", "on the wall", buffer, on_wall, 6, pixels);
  Call(L, "AlphaDataSet", "from the average", buffer, average, 1, pixels);
  Print(pixels);
}

int main(void) {
  lua_State *L = luaL_newstate();
  if (L == NULL) return 1;
  luaL_openlibs(L);
  lua_getglobal(L, "require");
  lua_pushstring(L, "Q_Veil_Kit");
  if (lua_pcall(L, 1, 1, 0) != 0) {  /* leaves the module table at index 1 */
    fprintf(stderr, "embed: %s\n", lua_tostring(L, -1));
    lua_close(L);
    return 1;
  }

  /* The host's own memory, lent for each call as a light userdata. */
  uint32_t *pixels = malloc(sizeof(uint32_t) * kWidth * kHeight);
  if (pixels == NULL) {
    lua_close(L);
    return 1;
  }
  Draw(pixels);
  printf("light userdata, %d x %d:\n", kWidth, kHeight);
  Print(pixels);
  lua_pushlightuserdata(L, pixels);
  Edit(L, lua_gettop(L), pixels);
  lua_pop(L, 1);
  free(pixels);

  /* Memory that Lua allocates (aligned for any C type) and frees with the
   * state; it stays alive while it is on the stack. */
  uint32_t *owned = lua_newuserdata(L, sizeof(uint32_t) * kWidth * kHeight);
  Draw(owned);
  printf("full userdata, %d x %d:\n", kWidth, kHeight);
  Print(owned);
  Edit(L, lua_gettop(L), owned);

  lua_close(L);
  return 0;
}
