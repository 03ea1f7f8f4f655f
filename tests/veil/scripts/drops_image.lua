-- Converts the image, then drops every reference to a userdata it can reach
-- (the host's registry entries included) and makes Lua reuse freed memory.
-- Each step is a function of its own, so that no register of the chunk
-- still holds the image.
local veil = require "Q_Veil_Kit"
local function convert() assert(veil.AlphaDataSet(pixels, width, height, 2) == pixels) end
local function drop()
  local registry = debug.getregistry()
  for key, value in pairs(registry) do
    if type(value) == "userdata" then registry[key] = nil end
  end
  pixels = nil
end
local function reuse()
  local filler = {}
  for i = 1, 20000 do filler[i] = ("%064d"):format(i) end
  return filler
end
convert()
drop()
collectgarbage()
reuse()
