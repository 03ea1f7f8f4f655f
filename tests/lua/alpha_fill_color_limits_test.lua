-- Large buffers, deep regions and failing memory requests.
local support = require "support"
local testbuf = require "testbuf"
local reference = require "reference"
local veil = require "Q_Veil_Kit"

-- Opens a one-pixel-wide spiral corridor in a w x h buffer of opaque black
-- (alpha 255), starting at (0, 0); returns the corridor cells by index.
local function carve_spiral(buf, w, h)
  local corridor = {}
  local function open(x, y)
    local i = y * w + x
    corridor[i] = true
    testbuf.set(buf, i, 0)
  end
  local left, top, right, bottom = 0, 0, w - 1, h - 1
  local x, y = 0, 0
  open(x, y)
  while true do
    if x >= right then break end
    while x < right do x = x + 1; open(x, y) end
    top = top + 2
    if y >= bottom then break end
    while y < bottom do y = y + 1; open(x, y) end
    right = right - 2
    if x <= left then break end
    while x > left do x = x - 1; open(x, y) end
    bottom = bottom - 2
    if y <= top then break end
    while y > top do y = y - 1; open(x, y) end
    left = left + 2
  end
  return corridor
end

describe("AlphaFillColor on large buffers", function()
  it("follows a one-pixel spiral corridor to its end and nowhere else", function()
    local w, h = 1001, 777
    local buf = testbuf.new(w * h, reference.pixel(255, 0, 0, 0))
    local corridor = carve_spiral(buf, w, h)
    local r = support.pack(veil.AlphaFillColor(buf, w, h, 10, 20, 30, -500, -388, 128, false, 1))
    assert.are.equal(1, r.n)
    local filled, wall = reference.pixel(255, 10, 20, 30), reference.pixel(255, 0, 0, 0)
    local corridor_cells = 0
    for i = 0, w * h - 1 do
      if corridor[i] then corridor_cells = corridor_cells + 1 end
      local expected = corridor[i] and filled or wall
      if testbuf.get(buf, i) ~= expected then
        error(("pixel %d, %d is %08X, expected %08X"):format(i % w, math.floor(i / w), testbuf.get(buf, i), expected))
      end
    end
    assert.is_true(corridor_cells > w * h / 3)  -- the corridor really is long
  end)

  it("fills a fully transparent 4096 x 4096 buffer, opaque and soft", function()
    local size = 4096
    local count = size * size
    local buf = testbuf.new(count, 0)
    assert.are.equal(buf, veil.AlphaFillColor(buf, size, size, 200, 100, 50, 0, 0, 128, false, 1))
    assert.are.equal(count, testbuf.tally(buf, 0xFFC86432))
    buf = testbuf.new(count, 0)
    assert.are.equal(buf, veil.AlphaFillColor(buf, size, size, 200, 100, 50, 17, -33, 128, true, 0.5))
    assert.are.equal(count, testbuf.tally(buf, 0x7FC86432))
  end)

  -- The work memory for 20000 x 20000 pixels (1.6 GB an array) cannot be had
  -- under the limit below. Had the module gone ahead anyway, it would read
  -- far beyond the four-pixel buffer and the child would crash.
  it("gives the empty result, buffer untouched, when its work memory cannot be had", function()
    local chunk = [[
      local buf = testbuf.new(4, 0)
      local n = select("#", veil.AlphaFillColor(buf, 20000, 20000, 1, 2, 3, 0, 0, 128, false, 1))
      assert(n == 0, "a fill without memory returned a result")
      assert(testbuf.tally(buf, 0) == 4, "a fill without memory changed pixels")
      -- the same child can still fill when the request is small
      local small = testbuf.new(64, 0)
      assert(veil.AlphaFillColor(small, 8, 8, 1, 2, 3, 0, 0, 128, false, 1) == small)
      assert(testbuf.tally(small, 0xFF010203) == 64)
    ]]
    local limit
    if support.windows then
      return pending("needs a limit on the address space, which Windows has not")
    elseif support.sanitized then
      limit = "ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=1000:detect_leaks=1 "
    else
      limit = "ulimit -v 1000000; "
    end
    assert.is_true(support.run_script(support.interpreter, chunk, limit))
  end)
end)
