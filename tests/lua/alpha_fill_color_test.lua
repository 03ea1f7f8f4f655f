local support = require "support"
local testbuf = require "testbuf"
local reference = require "reference"
local veil = require "Q_Veil_Kit"

local pixel, bytes = reference.pixel, reference.bytes

-- A 1 x 1 fill of one pixel: returns the result count and the new pixel.
local function fill_one(p, red, threshold, soft, strength)
  local buf = support.buffer({ p })
  local r = support.pack(veil.AlphaFillColor(buf, 1, 1, red, 0, 0, 0, 0, threshold, soft, strength))
  return r.n, testbuf.get(buf, 0)
end

-- A w x h buffer from rows of alpha values (colour bytes 0).
local function alpha_image(rows)
  local values = {}
  for _, row in ipairs(rows) do
    for _, a in ipairs(row) do values[#values + 1] = pixel(a, 0, 0, 0) end
  end
  return support.buffer(values), #rows[1], #rows
end

-- Which pixels changed, as rows of "#" (filled) and "." (kept).
local function changes(before, after, w, h)
  local rows = {}
  for y = 0, h - 1 do
    local row = ""
    for x = 0, w - 1 do
      local i = y * w + x
      row = row .. (testbuf.get(before, i) ~= testbuf.get(after, i) and "#" or ".")
    end
    rows[#rows + 1] = row
  end
  return rows
end

local function fill_map(rows, ox, oy, threshold)
  local buf, w, h = alpha_image(rows)
  local before = testbuf.copy(buf)
  local r = support.pack(veil.AlphaFillColor(buf, w, h, 255, 255, 255, ox, oy, threshold or 128, false, 1))
  return r.n, changes(before, buf, w, h)
end

-- Checks that a call gives the empty result and leaves every byte alone.
local function assert_nothing(buf, ...)
  local before = testbuf.copy(buf)
  local r = support.pack(veil.AlphaFillColor(buf, ...))
  assert.are.equal(0, r.n)
  assert.is_true(testbuf.equal(before, buf))
end

local OPEN5 = {
  { 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0 }, { 0, 0, 0, 0, 0 },
}

describe("AlphaFillColor", function()
  describe("compositing", function()
    it("gives the documented opaque values", function()
      local n, p = fill_one(pixel(0, 10, 0, 0), 200, 128, false, 1)
      assert.are.same({ 1, pixel(255, 200, 0, 0) }, { n, p })
      -- threshold 256 skips the stretch, so alpha 128 weighs 128 / 255
      n, p = fill_one(pixel(128, 0, 0, 0), 255, 256, false, 1)
      assert.are.same({ 1, pixel(255, 127, 0, 0) }, { n, p })
    end)

    it("keeps the colour of a fully opaque pixel when the threshold lets it in", function()
      local n, p = fill_one(pixel(255, 7, 8, 9), 200, 300, false, 1)
      assert.are.same({ 1, pixel(255, 7, 8, 9) }, { n, p })
    end)

    it("gives the documented soft values, rounding each quotient down", function()
      local cases = { -- alpha, old red, fill red, threshold, strength -> alpha, red
        { 0, 0, 255, 200, 1.0, 255, 255 },
        { 100, 0, 255, 200, 1.0, 227, 142 },
        { 0, 30, 200, 200, 0.5, 127, 200 },
        { 188, 255, 255, 200, 1.0, 203, 254 }, -- 254.99999999999997
        { 199, 255, 255, 200, 1.0, 200, 255 },
      }
      for _, c in ipairs(cases) do
        local n, p = fill_one(pixel(c[1], c[2], 0, 0), c[3], c[4], true, c[5])
        local a, r = bytes(p)
        assert.are.same({ 1, c[6], c[7] }, { n, a, r }, "alpha " .. c[1])
      end
    end)

    it("changes nothing but still fills when soft strength is 0, negative, NaN or absent", function()
      for _, k in ipairs({ 0, -1, 0 / 0 }) do
        assert.are.same({ 1, pixel(10, 1, 2, 3) }, { fill_one(pixel(10, 1, 2, 3), 255, 100, true, k) })
      end
      local buf = support.buffer({ pixel(10, 1, 2, 3) })
      local r = support.pack(veil.AlphaFillColor(buf, 1, 1, 255, 0, 0, 0, 0, 100, true))
      assert.are.same({ 1, pixel(10, 1, 2, 3) }, { r.n, testbuf.get(buf, 0) })
    end)

    it("reads soft as a Lua truth value: 0 is soft, nil and false are opaque", function()
      local _, p = fill_one(pixel(100, 0, 0, 0), 255, 200, 0, 1)
      assert.are.equal(pixel(227, 142, 0, 0), p)
      for _, flag in ipairs({ false, "nil" }) do
        _, p = fill_one(pixel(0, 0, 0, 0), 255, 200, flag ~= "nil" and flag or nil, 1)
        assert.are.equal(pixel(255, 255, 0, 0), p)
      end
    end)

    it("clamps results of out-of-range arguments instead of spilling into other bytes", function()
      -- fill colours beyond a byte, opaque
      assert.are.equal(pixel(255, 255, 0, 0), select(2, fill_one(pixel(0, 0, 0, 0), 300, 128, false)))
      assert.are.equal(pixel(255, 0, 0, 0), select(2, fill_one(pixel(0, 9, 0, 0), -5, 128, false)))
      assert.are.equal(pixel(255, 255, 0, 0), select(2, fill_one(pixel(0, 0, 0, 0), 2 ^ 40, 128, false)))
      assert.are.equal(pixel(255, 0, 0, 0), select(2, fill_one(pixel(0, 0, 0, 0), -2 ^ 40, 128, false)))
      -- soft alpha above 255: strength 2, or a threshold above 255
      assert.are.equal(pixel(255, 255, 0, 0), select(2, fill_one(pixel(0, 0, 0, 0), 255, 200, true, 2)))
      local _, p = fill_one(pixel(200, 0, 0, 0), 255, 1000, true, 1)
      assert.are.equal(255, (bytes(p)))
    end)

    it("gives a deterministic pixel for an infinite strength", function()
      local _, first = fill_one(pixel(100, 5, 0, 0), 255, 200, true, 1 / 0)
      local _, second = fill_one(pixel(100, 5, 0, 0), 255, 200, true, 1 / 0)
      assert.are.equal(first, second)
      assert.are.equal(255, (bytes(first)))
    end)
  end)

  describe("the opaque-mode stretch, seen through fills", function()
    local function seed_opens(alpha, threshold)
      local buf = support.buffer({ pixel(alpha, 0, 0, 0) })
      return select("#", veil.AlphaFillColor(buf, 1, 1, 1, 2, 3, 0, 0, threshold, false, 1)) == 1
    end

    it("keeps raw alpha up to the stretched threshold open", function()
      local cases = { { 64, 128, true }, { 65, 128, false }, { 253, 254, true }, { 254, 254, false },
                      { 156, 200, true }, { 157, 200, false }, { 0, 1, true }, { 1, 1, false },
                      { 254, 255, true }, { 255, 255, false } }
      for _, c in ipairs(cases) do
        assert.are.equal(c[3], seed_opens(c[1], c[2]), ("alpha %d threshold %d"):format(c[1], c[2]))
      end
    end)

    it("weighs the colour with the stretched alpha", function()
      -- alpha 64 at threshold 128 is stretched to 127: (127 * 0 + 128 * 255) / 255 = 128
      local _, p = fill_one(pixel(64, 0, 0, 0), 255, 128, false)
      assert.are.equal(pixel(255, 128, 0, 0), p)
    end)

    it("does not stretch in soft mode", function()
      assert.are.equal(pixel(227, 142, 0, 0), select(2, fill_one(pixel(100, 0, 0, 0), 255, 200, true, 1)))
    end)
  end)

  describe("regions", function()
    it("fills a whole transparent 5 x 5 with the exact colour", function()
      local buf = testbuf.new(25, 0)
      assert.are.equal(buf, veil.AlphaFillColor(buf, 5, 5, 200, 100, 50, 0, 0, 128, false, 1))
      for i = 0, 24 do assert.are.equal(0xFFC86432, testbuf.get(buf, i)) end
    end)

    it("stops at a wall one column wide, from either side", function()
      local walled = {}
      for y = 1, 5 do walled[y] = { 0, 0, 255, 0, 0 } end
      local n, map = fill_map(walled, -2, -2)
      assert.are.equal(1, n)
      assert.are.same({ "##...", "##...", "##...", "##...", "##..." }, map)
      n, map = fill_map(walled, 2, 2)
      assert.are.same({ "...##", "...##", "...##", "...##", "...##" }, map)
    end)

    it("cannot pass between boundary pixels that touch only at corners", function()
      local ring = {
        { 0, 0, 255, 0, 0 }, { 0, 255, 0, 255, 0 }, { 255, 0, 0, 0, 255 },
        { 0, 255, 0, 255, 0 }, { 0, 0, 255, 0, 0 },
      }
      local _, map = fill_map(ring, 0, 0)
      assert.are.same({ ".....", "..#..", ".###.", "..#..", "....." }, map)
    end)

    it("fills only the seed's side of a one-pixel line", function()
      local rows = { { 0, 0, 0, 0 }, { 255, 255, 255, 255 }, { 0, 0, 0, 0 } }
      local _, map = fill_map(rows, 0, -1)
      assert.are.same({ "####", "....", "...." }, map)
    end)

    it("reaches the first and last rows and columns", function()
      local _, map = fill_map(OPEN5, 0, 0)
      assert.are.same({ "#####", "#####", "#####", "#####", "#####" }, map)
    end)

    it("fills a single open pixel", function()
      local n, map = fill_map({ { 0 } }, 0, 0)
      assert.are.same({ 1, { "#" } }, { n, map })
    end)
  end)

  describe("seed placement", function()
    local function seed_of(w, h, ox, oy)
      local buf = testbuf.new(w * h, pixel(255, 0, 0, 0))
      -- open exactly one pixel at a time and see which one lets the fill run
      for i = 0, w * h - 1 do
        testbuf.set(buf, i, 0)
        local filled = select("#", veil.AlphaFillColor(buf, w, h, 1, 1, 1, ox, oy, 128, false, 1)) == 1
        testbuf.set(buf, i, pixel(255, 0, 0, 0))
        if filled then return i % w, math.floor(i / w) end
      end
    end

    it("puts offset 0, 0 at the centre pixel, rounding down", function()
      assert.are.same({ 2, 1 }, { seed_of(5, 3, 0, 0) })
      assert.are.same({ 2, 2 }, { seed_of(4, 4, 0, 0) })
    end)

    it("truncates offsets toward zero", function()
      assert.are.same({ 0, 2 }, { seed_of(5, 5, -2.7, 0) })
      assert.are.same({ 4, 4 }, { seed_of(5, 5, "2.9", 2.9) })
    end)

    it("gives nothing for a seed just outside any edge", function()
      local offsets = { { -3, 0 }, { 3, 0 }, { 0, -3 }, { 0, 3 }, { -2 ^ 31, 0 }, { 1 / 0, 0 }, { 0, -1 / 0 },
                        { 4294967298, 0 } } -- 2^32 + 2: cut to 32 bits it would be 2, inside
      if math.maxinteger then  -- Lua 5.3 and later: integers saturate like any number
        offsets[#offsets + 1] = { math.maxinteger, 0 }
        offsets[#offsets + 1] = { 0, math.mininteger }
      end
      for _, offset in ipairs(offsets) do
        assert_nothing(testbuf.new(25, 0), 5, 5, 1, 2, 3, offset[1], offset[2], 128, false, 1)
      end
    end)
  end)

  describe("the empty result", function()
    it("comes back with every byte unchanged on each refusal path", function()
      local open = testbuf.new(25, 0)
      assert_nothing(open, 5, 5, 1, 2, 3, 0, 0, 0, false, 1)      -- threshold 0
      assert_nothing(open, 5, 5, 1, 2, 3, 0, 0, -5, true, 1)      -- negative threshold
      assert_nothing(open, 0, 5, 1, 2, 3, 0, 0, 128, false, 1)    -- zero width
      assert_nothing(open, 5, -5, 1, 2, 3, 0, 0, 128, false, 1)   -- one negative size
      assert_nothing(open, -5, -5, 1, 2, 3, 0, 0, 128, false, 1)  -- two negative sizes
      assert_nothing(open)                                         -- sizes absent
      local centre = testbuf.copy(open)
      testbuf.set(centre, 12, pixel(65, 1, 2, 3))                 -- seed pixel is a boundary
      assert_nothing(centre, 5, 5, 9, 9, 9, 0, 0, 128, false, 1)
    end)

    it("refuses sizes beyond 32 bits without touching the (small) buffer", function()
      for _, s in ipairs({ { 65536, 65536 }, { 46341, 46341 }, { 2 ^ 31, 2 }, { 1 / 0, 1 / 0 } }) do
        assert_nothing(testbuf.new(4, 0), s[1], s[2], 1, 2, 3, 0, 0, 128, false, 1)
      end
    end)

    it("is what a full userdata smaller than the image gives, exact sizes still filling", function()
      local cases = support.short_full_userdata()
      for _, case in ipairs(cases) do
        for _, soft in ipairs({ false, true }) do
          local r = support.pack(veil.AlphaFillColor(case[2], 64, 64, 1, 2, 3, 0, 0, 255, soft, 1))
          assert.are.equal(0, r.n, case[1])
        end
      end
      assert.are.same({ 0x12345678 }, support.values(cases[2][2]))
      assert_nothing(testbuf.new(3, 0), 2, 2, 1, 2, 3, 0, 0, 128, false, 1)
      local exact = testbuf.new(4, 0)
      assert.are.equal(exact, veil.AlphaFillColor(exact, 2, 2, 1, 2, 3, 0, 0, 128, false, 1))
      assert.are.equal(4, testbuf.tally(exact, pixel(255, 1, 2, 3)))
    end)

    it("is what a first argument that is not a pixel buffer gives", function()
      for _, bad in ipairs({ "pixels", 42, {}, true, print }) do
        local r = support.pack(veil.AlphaFillColor(bad, 1, 1, 1, 2, 3, 0, 0, 128, false, 1))
        assert.are.equal(0, r.n)
      end
    end)
  end)

  describe("results", function()
    it("returns the very buffer, also through a light userdata, and drops extra arguments", function()
      local buf = testbuf.new(4, 0)
      local r = support.pack(veil.AlphaFillColor(buf, 2, 2, 1, 2, 3, 0, 0, 128, false, 1, "x", {}))
      assert.are.equal(1, r.n)
      assert.is_true(rawequal(buf, r[1]))
      buf = testbuf.new(4, 0)
      local light = testbuf.address(buf)
      r = support.pack(veil.AlphaFillColor(light, 2, 2, 1, 2, 3, 0, 0, 255, true, 1))
      assert.are.same({ 1, light }, { r.n, r[1] })
    end)
  end)
end)
