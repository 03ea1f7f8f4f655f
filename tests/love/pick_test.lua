-- examples/love/veil_pick.lua under plain LuaJIT (no LÖVE): from ROOT, a
-- tree laid out as the release archives unpack (ROOT/q_veil_kit/PLATFORM/
-- lua5.1/Q_Veil_Kit.EXT), it loads this system's file; from a folder
-- without the tree it names the file it looked for and loads nothing.
--   luajit pick_test.lua ROOT
local root = assert(arg and arg[1], "usage: luajit pick_test.lua ROOT")
local here = assert(arg[0]:match("^(.*)[/\\]"), "run it by its path")
package.path = here .. "/../../examples/love/?.lua;" .. package.path
local pick = require "veil_pick"

local ext = package.config:sub(1, 1) == "\\" and "dll" or "so"
local file = "/lua5%.1/Q_Veil_Kit%." .. ext .. "$"

local module, message = pick(root .. "/q_veil_kit")  -- holds no q_veil_kit/ itself
assert(module == nil and message:find("q_veil_kit/q_veil_kit/[%w_-]+" .. file),
  "without the tree: " .. tostring(message))
assert(package.loaded.Q_Veil_Kit == nil, "loaded without the tree")

local path
module, path = pick(root)
assert(type(module) == "table", "from " .. root .. ": " .. tostring(path))
assert(path:gsub("\\", "/"):find("q_veil_kit/[%w_-]+" .. file), path)
assert(require("Q_Veil_Kit") == module, "require gives another table")
assert(type(module.AlphaFillColor) == "function" and type(module.AlphaDataSet) == "function")
-- The real module: a string is no buffer, refused with no result.
assert(select("#", module.AlphaDataSet("pixels", 1, 1, 1)) == 0, "a string was taken as a buffer")
print(("ok: %s picked %s"):format(jit and jit.os .. " " .. jit.arch or _VERSION, path))
