-- The LÖVE adaptor in LÖVE itself: colours and channels keep LÖVE's names
-- through the module's other byte order, pixels read back with getPixel.
local veil = require "veil_love"

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

  { "AlphaDataSet takes the alpha from LÖVE's channel of each number", function()
    -- red 0x11, green 0x22, blue 0x33, alpha 0x44
    local alphas = { [0] = 0x44, 0x11, 0x22, 0x33, (0x11 + 0x22 + 0x33) / 3, 0x44 }
    for source = 0, 5 do
      local data = Picture({ "p" }, { p = { 0x11, 0x22, 0x33, 0x44 } })
      veil.alpha(data, source)
      Expect({ 0, 0, 0, alphas[source] }, Bytes(data, 0, 0), "source " .. source)
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
