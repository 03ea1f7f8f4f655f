-- Helpers shared by the Lua test files.
local testbuf = require "testbuf"

local support = {}

-- Where the module is loaded from (see setup.lua).
support.build_dir = os.getenv("Q_VEIL_KIT_MODULE_DIR") or os.getenv("Q_VEIL_KIT_BUILD")
support.interpreter = os.getenv("Q_VEIL_KIT_LUA") or "lua5.1"
support.sanitized = os.getenv("Q_VEIL_KIT_SANITIZED") == "1"
-- A Windows build (run under wine here): DLLs, cmd.exe, no POSIX tools.
support.windows = package.config:sub(1, 1) == "\\"
support.module_suffix = support.windows and ".dll" or ".so"
support.module_file = support.build_dir .. "/Q_Veil_Kit" .. support.module_suffix

-- Every result of a call, with its count (nil results included).
function support.pack(...)
  return { n = select("#", ...), ... }
end

-- A buffer from a list of pixel values.
function support.buffer(values)
  local buf = testbuf.new(#values)
  for i, v in ipairs(values) do testbuf.set(buf, i - 1, v) end
  return buf
end

-- A buffer's pixels as a list.
function support.values(buf)
  local out = {}
  for i = 0, testbuf.count(buf) - 1 do out[i + 1] = testbuf.get(buf, i) end
  return out
end

-- Full userdata whose blocks hold fewer than 64 x 64 pixels, each with its
-- name: Lua's own file handle, an empty proxy where the Lua has newproxy, and
-- a one-pixel test buffer (whose pixel 0 must come back unchanged).
function support.short_full_userdata()
  local cases = { { "io.stdout", io.stdout }, { "one pixel", testbuf.new(1, 0x12345678) } }
  if newproxy then cases[#cases + 1] = { "newproxy(true)", newproxy(true) } end
  return cases
end

-- Shell-quotes a string for os.execute / io.popen (cmd.exe on Windows,
-- where the strings quoted here, paths, hold no double quote).
function support.quote(s)
  if support.windows then return '"' .. tostring(s) .. '"' end
  return "'" .. tostring(s):gsub("'", "'\\''") .. "'"
end

-- Runs a Lua chunk in a fresh interpreter (a command: it may start with an
-- emulator) that finds the module and testbuf in the build, and returns true
-- when it exited with status 0. The chunk goes through a file, since cmd.exe
-- cannot pass a line break in an argument. Lua 5.1 and LuaJIT report
-- os.execute's status as a number, later versions as true; both mean a
-- clean exit.
function support.run_lua(interpreter, chunk, prefix)
  local setup = ("package.cpath = %q .. '/?%s;' .. %q .. '/?%s;' .. package.cpath;")
    :format(support.build_dir, support.module_suffix,
            os.getenv("Q_VEIL_KIT_TEST_SUPPORT"), support.module_suffix)
  local name = support.windows and os.getenv("TEMP") .. "\\q_veil_kit_chunk.lua" or os.tmpname()
  local file = assert(io.open(name, "w"))
  file:write(setup, "\n", chunk)
  file:close()
  local command = (prefix or "") .. interpreter .. " " .. support.quote(name)
  local status = os.execute(command)
  -- cmd.exe under wine now and then fails to start a program it starts
  -- every other time ("Can't recognize ...", status 9009): the interpreter
  -- never ran, so that is no verdict on the module; try again.
  for _ = 1, 3 do
    if not (support.windows and status == 9009) then break end
    status = os.execute(command)
  end
  os.remove(name)
  return status == 0 or status == true
end

-- support.run_lua with the locals `veil` (the module) and `testbuf` already
-- loaded.
function support.run_script(interpreter, chunk, prefix)
  return support.run_lua(interpreter,
    "local testbuf = require 'testbuf'; local veil = require 'Q_Veil_Kit';" .. chunk, prefix)
end

return support
