-- Loaded by busted before the veil test files: puts their shared helpers on
-- the module path.
local source = assert(os.getenv("Q_VEIL_KIT_SOURCE"), "Q_VEIL_KIT_SOURCE is not set")
package.path = source .. "/tests/veil/?.lua;" .. package.path
