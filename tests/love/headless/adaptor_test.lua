-- The LÖVE adaptor in LÖVE itself: colours and channels keep LÖVE's names
-- through the module's other byte order, pixels read back with getPixel;
-- its reasons for a fill that did nothing checked against the module.
local veil = require "veil_love"
local Q_Veil_Kit = require "Q_Veil_Kit"

-- A pixel's components as bytes.
local function Bytes(data, x, y)
  local r, g, b, a = data:getPixel(x, y)
  return { math.floor(r * 255 + 0.5), math.floor(g * 255 + 0.5),
           math.floor(b * 255 + 0.5), math.floor(a * 255 + 0.5) }
end

-- rgba8 ImageData from rows of characters, each a pixel of `palette`
-- ({ r, g, b, a } in bytes).
local function Picture(rows, palette)
  local data = love.image.newImageData(#rows[1], #rows)
  for y, row in ipairs(rows) do
    for x = 1, #row do
      local p = palette[row:sub(x, x)]
      data:setPixel(x - 1, y - 1, p[1] / 255, p[2] / 255, p[3] / 255, p[4] / 255)
    end
  end
  return data
end

local function Expect(expected, actual, what)
  local e, a = table.concat(expected, ","), table.concat(actual, ",")
  if e ~= a then error(("%s: expected %s, got %s"):format(what, e, a), 2) end
end

local CLEAR, WALL, FAINT = { 0, 0, 0, 0 }, { 20, 40, 60, 255 }, { 200, 0, 100, 32 }
local AMBER = { 232 / 255, 163 / 255, 60 / 255 }

return {
  { "an opaque fill paints LÖVE's red, green and blue, blends, and stops at a boundary", function()
    -- 5 x 3, a wall down the centre column; the seed is left of it.
    local data = Picture({ "f.#..", "..#..", "..#.." },
                         { ["."] = CLEAR, ["#"] = WALL, f = FAINT })
    assert(veil.fill(data, AMBER[1], AMBER[2], AMBER[3], -1, 0, 128, false, 1) == true, "not filled")
    for y = 0, 2 do
      Expect({ 232, 163, 60, 255 }, Bytes(data, 1, y), "clear pixel in the region")
      Expect(WALL, Bytes(data, 2, y), "wall")
      Expect(CLEAR, Bytes(data, 3, y), "beyond the wall")
    end
    -- Alpha 32 stretched to 63: (63 * old + 192 * fill) / 255 per channel.
    Expect({ 224, 122, 69, 255 }, Bytes(data, 0, 0), "faint pixel in the region")
  end },

  { "a soft fill fades LÖVE's red in by the alpha", function()
    local data = Picture({ ".h#" }, { ["."] = CLEAR, ["#"] = WALL, h = { 0, 0, 0, 100 } })
    assert(veil.fill(data, 1, 0, 0, 0, 0, 200, true, 1) == true, "not filled")
    Expect({ 255, 0, 0, 255 }, Bytes(data, 0, 0), "alpha 0")
    Expect({ 142, 0, 0, 227 }, Bytes(data, 1, 0), "alpha 100, threshold 200")
    Expect(WALL, Bytes(data, 2, 0), "boundary")
    -- Left out, the strength is 1 (the module's own default, 0, fills nothing).
    local default = Picture({ ".h#" }, { ["."] = CLEAR, ["#"] = WALL, h = { 0, 0, 0, 100 } })
    assert(veil.fill(default, 1, 0, 0, 0, 0, 200, true) == true, "not filled without a strength")
    assert(default:getString() == data:getString(), "a fill without a strength is not one of strength 1")
  end },

  { "a seed on a boundary or outside fills nothing and says why", function()
    local data = Picture({ "..#..", ".k#..", "..#.." },
                         { ["."] = CLEAR, ["#"] = WALL, k = { 9, 9, 9, 65 } })
    local before = data:getString()
    local function Outcome(...) return { tostring(select(1, ...)), tostring(select(2, ...)) } end
    Expect({ "false", "boundary" }, Outcome(veil.fill(data, 1, 1, 1, 0, 0, 128, false, 1)), "seed on the wall")
    -- Alpha 65 is below 128, but stretched to 129 in opaque mode; soft mode keeps it.
    Expect({ "false", "boundary" }, Outcome(veil.fill(data, 1, 1, 1, -1, 0, 128, false, 1)), "seed at alpha 65")
    Expect({ "false", "outside" }, Outcome(veil.fill(data, 1, 1, 1, 3, 0, 128, false, 1)), "seed right of the picture")
    Expect({ "false", "outside" }, Outcome(veil.fill(data, 1, 1, 1, 0, -2, 128, false, 1)), "seed above the picture")
    assert(data:getString() == before, "pixels changed")
    assert(veil.fill(data, 1, 1, 1, -1, 0, 128, true, 1) == true, "soft fill at alpha 65 refused")
  end },

  { "a NaN threshold or offset reads as 0, as in the module: a boundary, not an error", function()
    local data = Picture({ "...", ".#.", "..." }, { ["."] = CLEAR, ["#"] = WALL })
    local before = data:getString()
    local function Outcome(...) return { tostring(select(1, ...)), tostring(select(2, ...)) } end
    local nan = 0 / 0
    -- NaN offsets seed the centre, which is opaque.
    Expect({ "false", "boundary" }, Outcome(veil.fill(data, 1, 1, 1, nan, nan, 128, false, 1)), "NaN offsets")
    -- Threshold NaN reads 0: every pixel is a boundary, the clear corner too.
    Expect({ "false", "boundary" }, Outcome(veil.fill(data, 1, 1, 1, -1, -1, nan, false, 1)), "NaN threshold")
    Expect({ "false", "outside" }, Outcome(veil.fill(data, 1, 1, 1, 1 / 0, 0, 128, false, 1)), "infinite offset")
    assert(data:getString() == before, "pixels changed")
  end },

  { "an `image` that is not an Image is refused before anything changes", function()
    local data = Picture({ "..", ".." }, { ["."] = CLEAR })
    local before = data:getString()
    for _, bad in ipairs({ {}, 5, "image", data }) do
      local ok, message = pcall(veil.fill, data, 1, 0, 0, 0, 0, 128, false, 1, bad)
      assert(not ok and message:find("expected an Image", 1, true), "fill: " .. tostring(message))
      ok, message = pcall(veil.alpha, data, 1, bad)
      assert(not ok and message:find("expected an Image", 1, true), "alpha: " .. tostring(message))
      assert(data:getString() == before, "pixels changed with image " .. tostring(bad))
    end
  end },

  { "its reasons agree with what the module did, on random arguments", function()
    math.randomseed(20261210)
    local NIL = {}  -- stands for nil in the lists below
    local function Pick(list)
      local value = list[math.random(#list)]
      if value == NIL then return nil end
      return value
    end
    local ODD = { 0 / 0, 1 / 0, -1 / 0, 1e300, -1e300, 2 ^ 31, -2 ^ 31 - 1, 2 ^ 31 - 1, -2 ^ 31,
                  "1", " -1 ", "0x1", "1e400", "nan", "x", true, false, {}, NIL }
    local function Offset(size)
      if math.random() < 0.3 then return Pick(ODD) end
      local half = math.floor(size / 2)
      return math.random(-half - 2, size - half + 1) + Pick({ 0, 0, 0.5, -0.5, 0.9, -0.9 })
    end
    local function Threshold()
      if math.random() < 0.6 then return math.random(1, 255) end
      return Pick({ 0, -1, 0.5, 64.9, 127.9, -0.5, 255.5, 256, 1e10, -1e10, "128", "64.9", unpack(ODD) })
    end
    local ALPHAS = { 0, 0, 255, 255, 63, 64, 65, 127, 128, 129, 200, 254 }
    local seen = { filled = 0, outside = 0, boundary = 0 }
    for case = 1, 3000 do
      local w, h = math.random(1, 7), math.random(1, 7)
      local data = love.image.newImageData(w, h)
      data:mapPixel(function()
        return math.random(0, 255) / 255, math.random(0, 255) / 255, math.random(0, 255) / 255,
          Pick(ALPHAS) / 255
      end)
      local direct, probe = data:clone(), data:clone()
      local r, g, b = math.random(0, 255), math.random(0, 255), math.random(0, 255)
      local ox, oy, t = Offset(w), Offset(h), Threshold()
      local soft = Pick({ true, false, NIL, 0 })
      local strength = Pick({ 0, 0.5, 1, 0 / 0 })
      local filled, why = veil.fill(data, r / 255, g / 255, b / 255, ox, oy, t, soft, strength)
      -- The module itself, with LÖVE's red and blue swapped.
      local did = select("#", Q_Veil_Kit.AlphaFillColor(direct:getPointer(), w, h, b, g, r,
                                                        ox, oy, t, soft, strength)) == 1
      -- At threshold 256 in soft mode no pixel is a boundary: the module
      -- fills exactly when the seed is inside.
      local inside = select("#", Q_Veil_Kit.AlphaFillColor(probe:getPointer(), w, h, 0, 0, 0,
                                                           ox, oy, 256, true, 0)) == 1
      local expected = did and "filled" or inside and "boundary" or "outside"
      local got = filled == true and "filled" or why
      if got ~= expected or data:getString() ~= direct:getString() then
        error(("case %d, %d x %d, offsets %s, %s, threshold %s, soft %s: %s, the module %s")
          :format(case, w, h, tostring(ox), tostring(oy), tostring(t), tostring(soft),
                  tostring(got), expected), 0)
      end
      seen[got] = seen[got] + 1
    end
    for outcome, count in pairs(seen) do
      assert(count > 150, outcome .. " came up only " .. count .. " times")
    end
  end },

  { "AlphaDataSet takes the alpha from LÖVE's channel of each number", function()
    -- red 0x11, green 0x22, blue 0x33, alpha 0x44
    local alphas = { [0] = 0x44, 0x11, 0x22, 0x33, (0x11 + 0x22 + 0x33) / 3, 0x44 }
    for source = 0, 5 do
      local data = Picture({ "p" }, { p = { 0x11, 0x22, 0x33, 0x44 } })
      veil.alpha(data, source)
      Expect({ 0, 0, 0, alphas[source] }, Bytes(data, 0, 0), "source " .. source)
    end
  end },

  { "the module refuses LÖVE's objects themselves, whose blocks hold a pointer", function()
    -- 16 bytes each: as pixels, 4 or fewer would fit, and LÖVE would crash.
    for _, size in ipairs({ 1, 2, 4, 64 }) do
      local data = Picture({ ("."):rep(size) }, { ["."] = { 1, 2, 3, 4 } })
      local bytes = love.data.newByteData(size * 4)
      for _, object in ipairs({ data, bytes }) do
        assert(select("#", Q_Veil_Kit.AlphaFillColor(object, size, 1, 255, 0, 0, 0, 0, 128, false, 1)) == 0,
               "fill took a " .. object:type())
        assert(select("#", Q_Veil_Kit.AlphaDataSet(object, size, 1, 1)) == 0, "alpha took a " .. object:type())
      end
      Expect({ 1, 2, 3, 4 }, Bytes(data, size - 1, 0), "ImageData of " .. size .. " pixels")
      assert(bytes:getSize() == size * 4, "ByteData of " .. size .. " pixels")
    end
  end },

  { "ImageData in another format than rgba8 is refused with its name", function()
    for _, format in ipairs({ "rgba16", "r8", "rgba32f" }) do
      local data = love.image.newImageData(4, 4, format)
      local before = data:getString()
      for name, call in pairs({
        fill = function() veil.fill(data, 1, 0, 0, 0, 0, 128, false, 1) end,
        alpha = function() veil.alpha(data, 1) end,
      }) do
        local ok, message = pcall(call)
        assert(not ok, name .. " accepted " .. format)
        assert(message:find("format " .. format, 1, true), name .. ": " .. message)
      end
      assert(data:getString() == before, format .. " pixels changed")
    end
    local ok, message = pcall(veil.alpha, {}, 1)
    assert(not ok and message:find("expected ImageData", 1, true), tostring(message))
  end },
}
