-- Builds and installs the Q_Veil_Kit module with CMake:
--   luarocks make rockspecs/q_veil_kit-1.0.0-1.rockspec
-- from the top of a checkout. Needs a C++17 compiler with OpenMP and CMake
-- (on Windows, MinGW-w64). `make source-rock` makes a .src.rock from it that
-- `luarocks install FILE` builds anywhere, offline.
rockspec_format = "3.0"
package = "q_veil_kit"
version = "1.0.0-1"
source = {
   -- `luarocks make` builds the checkout it is run in; nothing is fetched.
   url = "git+file://./",
}
description = {
   summary = "Edits 32-bit 0xAARRGGBB pixel buffers in place: alpha from a channel, alpha-guided bucket fill",
   detailed = [[
      Q_Veil_Kit is a Lua extension module (C++17, OpenMP) for Lua 5.1 to
      5.4 and LuaJIT, with two operations on caller-owned pixel buffers:
      AlphaDataSet turns an image into an alpha-only image, AlphaFillColor
      is a bucket fill guided by the alpha channel. The module is not linked
      against a Lua library: the host supplies the Lua API.
   ]],
}
dependencies = {
   "lua >= 5.1, < 5.5",
}
build = {
   type = "cmake",
   variables = {
      CMAKE_BUILD_TYPE = "Release",
      CMAKE_INSTALL_PREFIX = "$(PREFIX)",
      -- The headers LuaRocks was set up with decide the Lua version.
      LUA_INCLUDE_DIR = "$(LUA_INCDIR)",
      -- luarocks collects the module from the rock's lib folder.
      LUA_CMOD_DIR = "$(LIBDIR)",
   },
   platforms = {
      windows = {
         variables = {
            -- The Lua library a module DLL links with. Elsewhere the host
            -- supplies the Lua API when it loads the module, and LuaRocks
            -- may know no Lua library at all.
            LUA_LIBRARY = "$(LUA_LIBDIR)/$(LUALIB)",
         },
      },
   },
}
