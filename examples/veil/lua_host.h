// The embedded Lua 5.1 state: the module loaded through `require`, images
// handed over as a light userdata plus width and height, and every Lua call
// made in protected mode so that no Lua error escapes into the C++ code.
#ifndef VEIL_LUA_HOST_H
#define VEIL_LUA_HOST_H

#include <lua.hpp>

#include <string>
#include <vector>

#include "image.h"

namespace veil {

// A new state with the standard libraries and the module loaded, or null
// with the reason in `error`. `module_path` is prepended to package.cpath.
lua_State* StartLua(const std::string& module_path, std::string* error);

// The module search path for a veil binary in `program_dir`: beside the
// program (the build tree), then where an install puts the module.
std::string ModuleSearchPath(const std::string& program_dir);

// AlphaDataSet(pixels, width, height, source).
bool CallAlphaDataSet(lua_State* L, Image* image, int source,
                      std::string* error);

struct FillRequest {
  int red = 0;
  int green = 0;
  int blue = 0;
  int offset_x = 0;
  int offset_y = 0;
  int threshold = 0;
  bool soft = false;
  double strength = 1.0;
};

// AlphaFillColor(pixels, width, height, r, g, b, x, y, threshold, soft,
// strength). `filled` tells whether the module returned the buffer (a region
// was filled) or nothing.
bool CallAlphaFillColor(lua_State* L, Image* image, const FillRequest& request,
                        bool* filled, std::string* error);

// Runs a script file with the globals `pixels`, `width`, `height` and `arg`
// (arg[0] the script, arg[1..] `args`). A failure leaves its message and, for
// a runtime error, the stack traceback in `error`.
bool RunScript(lua_State* L, const std::string& script,
               const std::vector<std::string>& args, Image* image,
               std::string* error);

}  // namespace veil

#endif  // VEIL_LUA_HOST_H
