local support = require "support"
local testbuf = require "testbuf"
local veil = require "Q_Veil_Kit"

local SAMPLE = 0x80C86432  -- alpha 0x80, red 0xC8, green 0x64, blue 0x32

local function convert_one(pixel, source)
  local buf = support.buffer({ pixel })
  veil.AlphaDataSet(buf, 1, 1, source)
  return testbuf.get(buf, 0)
end

describe("AlphaDataSet", function()
  describe("sources", function()
    it("moves red, green or blue into alpha and clears the colour", function()
      assert.are.equal(0xC8000000, convert_one(SAMPLE, 1))
      assert.are.equal(0x64000000, convert_one(SAMPLE, 2))
      assert.are.equal(0x32000000, convert_one(SAMPLE, 3))
    end)

    it("keeps the pixel's own alpha for every other source code", function()
      for _, source in ipairs({ 0, 5, 7, -1, 1e10, -1e10 }) do
        assert.are.equal(0x80000000, convert_one(SAMPLE, source), "source " .. source)
      end
    end)

    it("averages the three colour bytes, rounding down", function()
      assert.are.equal(0xFF000000, convert_one(0x00FFFFFF, 4))
      assert.are.equal(0x00000000, convert_one(0xFF010100, 4)) -- sum 2
      assert.are.equal(0x14000000, convert_one(0x000A141F, 4)) -- 10+20+31 = 61
      assert.are.equal(0x74000000, convert_one(SAMPLE, 4))     -- 350 / 3
    end)

    it("gives alpha 0 when converting an already converted buffer again", function()
      for source = 1, 4 do
        local buf = support.buffer({ SAMPLE, 0x12345678 })
        veil.AlphaDataSet(buf, 2, 1, 1)
        veil.AlphaDataSet(buf, 2, 1, source)
        assert.are.same({ 0, 0 }, support.values(buf))
      end
      local buf = support.buffer({ SAMPLE })
      veil.AlphaDataSet(buf, 1, 1, 0)
      veil.AlphaDataSet(buf, 1, 1, 0)
      assert.are.same({ 0x80000000 }, support.values(buf))
    end)

    it("converts every pixel of a wide buffer, rows and all", function()
      local w, h = 37, 11
      local buf = testbuf.new(w * h, SAMPLE)
      veil.AlphaDataSet(buf, w, h, 2)
      for i = 0, w * h - 1 do
        assert.are.equal(0x64000000, testbuf.get(buf, i), "pixel " .. i)
      end
    end)
  end)

  describe("argument reading", function()
    it("truncates the source toward zero and reads numeric strings", function()
      assert.are.equal(0xC8000000, convert_one(SAMPLE, 1.7))
      assert.are.equal(0xC8000000, convert_one(SAMPLE, "1"))
      assert.are.equal(0x80000000, convert_one(SAMPLE, -0.9)) -- 0: own alpha
      assert.are.equal(0x80000000, convert_one(SAMPLE, 0 / 0)) -- NaN reads as 0
    end)

    it("reads sizes given as numeric strings", function()
      local buf = testbuf.new(12, SAMPLE)
      veil.AlphaDataSet(buf, "12", "1", 3)
      assert.are.equal(0x32000000, testbuf.get(buf, 11))
    end)

    it("reads tables, booleans and absent sizes as 0 and converts nothing", function()
      for _, size in ipairs({ {}, true, false }) do
        local buf = support.buffer({ SAMPLE })
        assert.are.equal(buf, veil.AlphaDataSet(buf, size, 1, 1))
        assert.are.same({ SAMPLE }, support.values(buf))
      end
      local buf = support.buffer({ SAMPLE })
      assert.are.equal(buf, veil.AlphaDataSet(buf))
      assert.are.same({ SAMPLE }, support.values(buf))
    end)

    it("converts only the pixels that width and height cover", function()
      local buf = testbuf.new(10, SAMPLE)
      veil.AlphaDataSet(buf, 3, 2, 1)
      for i = 0, 5 do assert.are.equal(0xC8000000, testbuf.get(buf, i)) end
      for i = 6, 9 do assert.are.equal(SAMPLE, testbuf.get(buf, i)) end
    end)

    it("converts nothing for empty, negative or overflowing sizes", function()
      local sizes = {
        { 0, 5 }, { 5, 0 }, { 5, -1 }, { -1, 5 }, { -2, -3 },
        { -65536, -65536 }, { 65536, 65536 }, { 46341, 46341 },
        { 1 / 0, 2 }, { -1 / 0, -1 / 0 }, { 0 / 0, 3 },
      }
      for _, s in ipairs(sizes) do
        local buf = testbuf.new(8, SAMPLE)
        local r = support.pack(veil.AlphaDataSet(buf, s[1], s[2], 1))
        assert.are.equal(1, r.n)
        assert.are.equal(buf, r[1])
        assert.are.same(support.values(testbuf.new(8, SAMPLE)), support.values(buf),
          ("size %s x %s"):format(tostring(s[1]), tostring(s[2])))
      end
    end)
  end)

  describe("results", function()
    it("returns the very buffer userdata it was given, once", function()
      local buf = support.buffer({ SAMPLE })
      local r = support.pack(veil.AlphaDataSet(buf, 1, 1, 1))
      assert.are.equal(1, r.n)
      assert.is_true(rawequal(buf, r[1]))
    end)

    it("drops extra arguments", function()
      local buf = support.buffer({ SAMPLE })
      local r = support.pack(veil.AlphaDataSet(buf, 1, 1, 1, "extra", {}, 42))
      assert.are.equal(1, r.n)
      assert.is_true(rawequal(buf, r[1]))
    end)

    it("works on a light userdata and returns it", function()
      local buf = support.buffer({ SAMPLE, SAMPLE })
      local light = testbuf.address(buf)
      local r = support.pack(veil.AlphaDataSet(light, 2, 1, 2))
      assert.are.equal(1, r.n)
      assert.are.equal(light, r[1])
      assert.are.same({ 0x64000000, 0x64000000 }, support.values(buf))
    end)
  end)

  describe("a first argument that is not a pixel buffer", function()
    local bad = {
      { "nil", nil }, { "number", 12345678 }, { "string", "pixels" },
      { "boolean", true }, { "table", {} }, { "function", print },
      { "coroutine", coroutine.create(function() end) },
    }
    if jit then
      local ffi = require "ffi"
      bad[#bad + 1] = { "cdata", ffi.new("uint32_t[4]") }
    end
    it("gives the empty result and touches no memory", function()
      for _, case in ipairs(bad) do
        local r = support.pack(veil.AlphaDataSet(case[2], 1, 1, 1))
        assert.are.equal(0, r.n, case[1])
      end
    end)

    it("gives the empty result for a full userdata smaller than the image", function()
      local cases = support.short_full_userdata()
      for _, case in ipairs(cases) do
        local r = support.pack(veil.AlphaDataSet(case[2], 64, 64, 1))
        assert.are.equal(0, r.n, case[1])
      end
      assert.are.same({ 0x12345678 }, support.values(cases[2][2]))
      -- a block larger than the image is fine: only the image is converted
      local buf = support.buffer({ SAMPLE, SAMPLE, SAMPLE })
      assert.are.equal(buf, veil.AlphaDataSet(buf, 2, 1, 1))
      assert.are.same({ 0xC8000000, 0xC8000000, SAMPLE }, support.values(buf))
    end)

    -- A file handle's block (8 bytes, 16 from 5.4) holds a 2 x 1 or 4 x 1
    -- image by size; LuaJIT's string buffer holds more. Written as pixels,
    -- they crash the interpreter, so the run is a fresh one.
    it("refuses Lua's own file handles and string buffers, which stay usable", function()
      local chunk = [[
        local f = io.tmpfile()
        local objects = { io.stdout, io.stderr, f }
        local has_buffer, buffer = pcall(require, "string.buffer")
        if has_buffer then objects[#objects + 1] = buffer.new():put("kept") end
        for _, object in ipairs(objects) do
          for _, width in ipairs({ 1, 2, 4, 8 }) do
            assert(select("#", veil.AlphaDataSet(object, width, 1, 1)) == 0)
            assert(select("#", veil.AlphaFillColor(object, width, 1, 1, 2, 3, 0, 0, 255, true, 1)) == 0)
          end
        end
        f:write("still a file"); f:seek("set")
        assert(f:read("*a") == "still a file")
        if has_buffer then assert(objects[4]:tostring() == "kept") end
        io.stdout:write("")
      ]]
      assert.is_true(support.run_script(support.interpreter, chunk))
    end)

    it("refuses a light userdata whose address is not pixel-aligned", function()
      local buf = support.buffer({ SAMPLE, SAMPLE })
      local r = support.pack(veil.AlphaDataSet(testbuf.address(buf, 1), 1, 1, 1))
      assert.are.equal(0, r.n)
      assert.are.same({ SAMPLE, SAMPLE }, support.values(buf))
    end)
  end)

  it("gives the same bytes with one thread and with the whole team", function()
    local w, h = 301, 207
    for source = 0, 4 do
      local one = testbuf.new(w * h)
      testbuf.randomize(one, 1000 + source)
      local team = testbuf.copy(one)
      testbuf.set_threads(1)
      veil.AlphaDataSet(one, w, h, source)
      testbuf.set_threads()
      veil.AlphaDataSet(team, w, h, source)
      assert.is_true(testbuf.equal(one, team), "source " .. source)
    end
  end)
end)
