-- A deliberately plain model of AlphaFillColor, written from its documented
-- behaviour without looking at the C++: breadth-first region, formulas
-- written out directly. Pixels are a 1-based list of 32-bit values.
local reference = {}

local floor = math.floor

local function bytes(p)
  return floor(p / 16777216), floor(p / 65536) % 256, floor(p / 256) % 256, p % 256
end

local function pixel(a, r, g, b)
  return ((a * 256 + r) * 256 + g) * 256 + b
end

local function trunc(x)
  if x >= 0 then return floor(x) end
  return -floor(-x)
end

-- Lua numbers to the module's 32-bit integers: truncate, NaN 0, saturate.
local function int32(x)
  x = tonumber(x) or 0
  if x ~= x then return 0 end
  if x >= 2147483647 then return 2147483647 end
  if x <= -2147483648 then return -2147483648 end
  return trunc(x)
end
reference.int32 = int32

local function byte(x)  -- stored components are clamped; NaN stores 0
  if not (x > 0) then return 0 end
  if x >= 255 then return 255 end
  return floor(x)
end

-- Returns the new pixel list, or nil when the call gives no result.
function reference.fill(pixels, width, height, red, green, blue, ox, oy, threshold, soft, strength)
  local w, h = int32(width), int32(height)
  red, green, blue = int32(red), int32(green), int32(blue)
  local t = int32(threshold)
  strength = tonumber(strength) or 0
  if w <= 0 or h <= 0 or w * h > 2147483647 then return nil end
  local sx = int32(ox) + trunc(w * 0.5)
  local sy = int32(oy) + trunc(h * 0.5)
  if sx < 0 or sx >= w or sy < 0 or sy >= h then return nil end

  local plane = {}
  for i = 1, w * h do
    local a = bytes(pixels[i])
    if not soft and t > 0 and t < 255 then a = math.min(255, floor(a * 255 / t)) end
    plane[i] = a
  end
  local function at(x, y) return y * w + x + 1 end
  if plane[at(sx, sy)] >= t then return nil end

  local inside = { [at(sx, sy)] = true }
  local queue, head = { { sx, sy } }, 1
  while queue[head] do
    local x, y = queue[head][1], queue[head][2]
    head = head + 1
    for _, d in ipairs({ { -1, 0 }, { 1, 0 }, { 0, -1 }, { 0, 1 } }) do
      local nx, ny = x + d[1], y + d[2]
      if nx >= 0 and nx < w and ny >= 0 and ny < h then
        local n = at(nx, ny)
        if not inside[n] and plane[n] < t then
          inside[n] = true
          queue[#queue + 1] = { nx, ny }
        end
      end
    end
  end

  local out = {}
  for i = 1, w * h do
    local p = pixels[i]
    if inside[i] then
      local _, r, g, b = bytes(p)
      local a = plane[i]
      if soft then
        local H = ((255 - a) - ((255 - t) * a) / t) * strength
        if H > 0 then
          local P = a + H
          p = pixel(byte(P), byte((r * a + red * H) / P),
                    byte((g * a + green * H) / P), byte((b * a + blue * H) / P))
        end
      else
        local m = 255 - a
        p = pixel(255, byte(floor((a * r + m * red) / 255)),
                  byte(floor((a * g + m * green) / 255)),
                  byte(floor((a * b + m * blue) / 255)))
      end
    end
    out[i] = p
  end
  for i = w * h + 1, #pixels do out[i] = pixels[i] end
  return out
end

reference.bytes = bytes
reference.pixel = pixel
return reference
