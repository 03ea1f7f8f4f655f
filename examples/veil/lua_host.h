// The embedded Lua state (5.1 to 5.4): the module loaded through `require`,
// the image handed over as a full userdata of exactly its size plus width and
// height, and every Lua call made in protected mode so that no Lua error
// escapes into the C++ code.
#ifndef VEIL_LUA_HOST_H
#define VEIL_LUA_HOST_H

#include <lua.hpp>

#include <cstddef>
#include <string>
#include <vector>

#include "fill/fill_rules.h"
#include "image.h"

namespace veil {

// A new state with the standard libraries and the module loaded, or null
// with the reason in `error`. `module_path` is prepended to package.cpath.
lua_State* StartLua(const std::string& module_path, std::string* error);

// The module search path for a veil binary in `program_dir`: beside the
// program (the build tree), then where an install puts the module.
std::string ModuleSearchPath(const std::string& program_dir);

// Memory for an image of `count` pixels in `lua_state` (a lua_State*): a
// full userdata of exactly count * 4 bytes, so that the module can refuse a
// width and height that do not fit in it. It becomes the image every call
// below hands to Lua, and lives as long as the state. Null when the memory
// cannot be had. Fits png_io's PixelAllocator. Besides the registry, the
// userdata is kept where no script reaches, so no script can free it.
qveil::Pixel* NewImageUserdata(void* lua_state, std::size_t count);

// AlphaDataSet(pixels, width, height, source) on the image.
bool CallAlphaDataSet(lua_State* L, const ImageView& image, int source,
                      std::string* error);

// The module's own description of a fill's arguments.
using FillRequest = qveil::FillRequest;

// AlphaFillColor(pixels, width, height, r, g, b, x, y, threshold, soft,
// strength) on the image. `filled` tells whether the module returned the
// buffer (a region was filled) or nothing.
bool CallAlphaFillColor(lua_State* L, const ImageView& image,
                        const FillRequest& request, bool* filled,
                        std::string* error);

// Compiles a script file, to be run by RunScript. False with Lua's message
// (a syntax error names the file and line) in `error`.
bool LoadScript(lua_State* L, const std::string& script, std::string* error);

// Runs the loaded script with the globals `pixels` (the image's userdata),
// `width`, `height` and `arg` (arg[0] the script, arg[1..] `args`). A
// failure leaves its message (an error object's __tostring text) and the
// stack traceback in `error`; the script cannot take the traceback away by
// changing `debug`.
bool RunScript(lua_State* L, const std::string& script,
               const std::vector<std::string>& args, const ImageView& image,
               std::string* error);

}  // namespace veil

#endif  // VEIL_LUA_HOST_H
