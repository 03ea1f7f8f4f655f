-- Runs adaptor_test.lua inside LÖVE: each group of checks is a function, a
-- failed check or an error fails its group, and LÖVE exits with status 1
-- when any group failed. The module comes from Q_VEIL_KIT_BUILD and the
-- adaptor from the example app's folder under Q_VEIL_KIT_SOURCE.
function love.load()
  local build = assert(os.getenv("Q_VEIL_KIT_BUILD"), "Q_VEIL_KIT_BUILD is not set")
  local source = assert(os.getenv("Q_VEIL_KIT_SOURCE"), "Q_VEIL_KIT_SOURCE is not set")
  package.cpath = build .. "/?.so;" .. package.cpath
  package.path = source .. "/examples/love/?.lua;" .. package.path
  local groups = require "adaptor_test"
  local failed = 0
  for _, group in ipairs(groups) do
    local passed, message = xpcall(group[2], debug.traceback)
    print((passed and "ok    " or "FAIL  ") .. group[1])
    if not passed then
      print(message)
      failed = failed + 1
    end
  end
  print(("%d of %d groups passed (%s)"):format(#groups - failed, #groups, jit and jit.version or _VERSION))
  love.event.quit(failed == 0 and 0 or 1)
end
