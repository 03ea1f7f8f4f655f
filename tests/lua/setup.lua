-- Loaded by busted before any test file: puts the build tree (the module)
-- and the test helpers on the search paths, so nothing must be installed.
local build = assert(os.getenv("Q_VEIL_KIT_BUILD"), "Q_VEIL_KIT_BUILD is not set")
local support = assert(os.getenv("Q_VEIL_KIT_TEST_SUPPORT"))
local source = assert(os.getenv("Q_VEIL_KIT_SOURCE"))
package.cpath = build .. "/?.so;" .. support .. "/?.so;" .. package.cpath
package.path = source .. "/tests/lua/?.lua;" .. package.path
