// The library's only exported symbol. Loading and unloading run no code of
// ours; everything happens inside the two operations.
#include <lua.hpp>

#include "binding/operations.h"

namespace {

const luaL_Reg kOperations[] = {
    {"AlphaFillColor", qveil::AlphaFillColor},
    {"AlphaDataSet", qveil::AlphaDataSet},
    {nullptr, nullptr},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int luaopen_Q_Veil_Kit(
    lua_State* L) {
  luaL_register(L, "Q_Veil_Kit", kOperations);
  return 1;
}
