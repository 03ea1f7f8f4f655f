-- Leaves a finalizer that calls os.exit(arg[1]) when veil closes Lua; fails first on arg[2] "fail".
local function exit() os.exit(tonumber(arg[1])) end
keep = newproxy and newproxy(true) or setmetatable({}, { __gc = exit })
if newproxy then getmetatable(keep).__gc = exit end  -- 5.1 and LuaJIT: a table takes no __gc
if arg[2] == "fail" then error("script failed") end
