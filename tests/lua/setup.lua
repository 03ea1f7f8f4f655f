-- Loaded by busted (or runner.lua) before any test file: puts the build tree
-- (the module) and the test helpers on the search paths, so nothing must be
-- installed.
-- Q_VEIL_KIT_MODULE_DIR, when set, is where the module is taken from instead
-- (make dist: an unpacked archive; testbuf stays in the build).
local build = assert(os.getenv("Q_VEIL_KIT_MODULE_DIR") or os.getenv("Q_VEIL_KIT_BUILD"),
  "Q_VEIL_KIT_BUILD is not set")
local support = assert(os.getenv("Q_VEIL_KIT_TEST_SUPPORT"))
local source = assert(os.getenv("Q_VEIL_KIT_SOURCE"))
local suffix = package.config:sub(1, 1) == "\\" and ".dll" or ".so"  -- Windows: .dll
package.cpath = build .. "/?" .. suffix .. ";" .. support .. "/?" .. suffix .. ";" .. package.cpath
package.path = source .. "/tests/lua/?.lua;" .. package.path
