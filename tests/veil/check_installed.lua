-- Loads the module from one folder only and runs both operations once:
--   LUA check_installed.lua MODULE_DIR TESTBUF_DIR
local module_dir, testbuf_dir = assert(arg[1]), assert(arg[2])
-- No default entries: the module can only come from MODULE_DIR (the
-- testbuf folder holds no Q_Veil_Kit.so).
package.cpath = module_dir .. "/?.so;" .. testbuf_dir .. "/?.so"
local veil = require "Q_Veil_Kit"
local testbuf = require "testbuf"

local pixel = testbuf.new(1, 0x80C86432)
assert(veil.AlphaDataSet(pixel, 1, 1, 1) == pixel, "AlphaDataSet did not return the buffer")
assert(testbuf.get(pixel, 0) == 0xC8000000, "AlphaDataSet: wrong alpha")

local clear = testbuf.new(25, 0)
assert(veil.AlphaFillColor(clear, 5, 5, 200, 100, 50, 0, 0, 128, false, 1) == clear,
       "AlphaFillColor did not fill")
for i = 0, 24 do
  assert(testbuf.get(clear, i) == 0xFFC86432, "AlphaFillColor: wrong pixel")
end
print("ok: " .. module_dir .. "/Q_Veil_Kit.so")
