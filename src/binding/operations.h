// The Lua-facing operations, registered by the module entry.
#ifndef Q_VEIL_KIT_OPERATIONS_H
#define Q_VEIL_KIT_OPERATIONS_H

#include <lua.hpp>

namespace qveil {

// AlphaFillColor(pixels, width, height, red, green, blue, offsetX, offsetY,
//                threshold, soft, strength) -> pixels, or nothing
int AlphaFillColor(lua_State* L);

// AlphaDataSet(pixels, width, height, source) -> pixels
int AlphaDataSet(lua_State* L);

}  // namespace qveil

#endif  // Q_VEIL_KIT_OPERATIONS_H
