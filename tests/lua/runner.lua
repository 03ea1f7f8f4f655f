-- Runs the Lua test files without busted, for interpreters that cannot load
-- busted's C modules (Windows builds under wine, arm64 under qemu). It
-- offers the part of busted's API the files use: describe, it, pending,
-- before_each, after_each, and luassert's are.equal, are.same, is_nil,
-- is_true, is_truthy on top of the plain assert.
--   lua runner.lua SETUP.lua FILE_test.lua...
-- Ends with one line "N passed, N failed, N skipped"; exits 1 on a failure.
local base_assert = assert

local function describe_value(v)
  if type(v) == "string" then return ("%q"):format(v) end
  if type(v) == "number" and v == math.floor(v) and math.abs(v) < 2 ^ 53 then
    return ("%d (0x%X)"):format(v, v % 2 ^ 32)
  end
  return tostring(v)
end

local function same(a, b)
  if type(a) ~= "table" or type(b) ~= "table" then return a == b end
  for k, v in pairs(a) do
    if not same(v, b[k]) then return false end
  end
  for k in pairs(b) do
    if a[k] == nil then return false end
  end
  return true
end

local function fail(message, extra)
  error((extra and tostring(extra) .. ": " or "") .. message, 3)
end

local luassert = {
  are = {
    equal = function(expected, actual, extra)
      if expected ~= actual then
        fail("expected " .. describe_value(expected) .. ", got " .. describe_value(actual), extra)
      end
    end,
    same = function(expected, actual, extra)
      if not same(expected, actual) then fail("the tables differ", extra) end
    end,
  },
  is_nil = function(v, extra)
    if v ~= nil then fail("expected nil, got " .. describe_value(v), extra) end
  end,
  is_true = function(v, extra)
    if v ~= true then fail("expected true, got " .. describe_value(v), extra) end
  end,
  is_truthy = function(v, extra)
    if not v then fail("expected a true value, got " .. describe_value(v), extra) end
  end,
}
assert = setmetatable(luassert, { __call = function(_, ...) return base_assert(...) end })

-- The tree of blocks: each describe's tests and hooks, in file order.
local root = { name = nil, children = {}, before = {}, after = {} }
local current = root

function describe(name, body)
  local block = { name = name, children = {}, before = {}, after = {}, parent = current }
  current.children[#current.children + 1] = block
  current = block
  body()
  current = block.parent
end

function it(name, body)
  current.children[#current.children + 1] = { name = name, body = body }
end

-- Outside a test it declares one; inside one it ends it as skipped.
local running = false
function pending(name)
  if running then error({ pending = name }, 0) end
  current.children[#current.children + 1] = { name = name, pending = true }
end

function before_each(hook) current.before[#current.before + 1] = hook end
function after_each(hook) current.after[#current.after + 1] = hook end

local passed, failed, skipped = 0, 0, 0

local function run_block(block, names, befores, afters)
  local before, after = {}, {}
  for _, hook in ipairs(befores) do before[#before + 1] = hook end
  for _, hook in ipairs(block.before) do before[#before + 1] = hook end
  for _, hook in ipairs(block.after) do after[#after + 1] = hook end
  for _, hook in ipairs(afters) do after[#after + 1] = hook end
  for _, child in ipairs(block.children) do
    local full = (names ~= "" and names .. " " or "") .. child.name
    if child.children then
      run_block(child, full, before, after)
    elseif child.pending then
      skipped = skipped + 1
      print("SKIP " .. full)
    else
      running = true
      local ok, err = xpcall(function()
        for _, hook in ipairs(before) do hook() end
        child.body()
      end, function(e) return type(e) == "table" and e or debug.traceback(e) end)
      running = false
      for _, hook in ipairs(after) do
        local hook_ok, hook_err = pcall(hook)
        if ok and not hook_ok then ok, err = false, hook_err end
      end
      if not ok and type(err) == "table" and err.pending then
        skipped = skipped + 1
        print("SKIP " .. full .. ": " .. tostring(err.pending))
      elseif ok then
        passed = passed + 1
      else
        failed = failed + 1
        print("FAIL " .. full .. "\n  " .. tostring(err):gsub("\n", "\n  "))
      end
    end
  end
end

dofile(base_assert(arg[1], "usage: runner.lua SETUP.lua FILE_test.lua..."))
for i = 2, #arg do
  root = { children = {}, before = {}, after = {} }
  current = root
  local chunk = base_assert(loadfile(arg[i]))
  local loaded, err = pcall(chunk)
  if loaded then
    run_block(root, "", {}, {})
  else
    failed = failed + 1
    print("FAIL " .. arg[i] .. " did not load\n  " .. tostring(err))
  end
end
print(("%d passed, %d failed, %d skipped"):format(passed, failed, skipped))
os.exit(failed == 0 and 0 or 1)
