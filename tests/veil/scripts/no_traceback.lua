-- Takes debug.traceback away, then fails: veil still reports the message.
debug.traceback = nil
local function fail()
  error("the script's own message")
end
fail()
