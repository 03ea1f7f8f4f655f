-- The module against the plain model in reference.lua, on many small random
-- images and argument sets, compared bit for bit.
local support = require "support"
local testbuf = require "testbuf"
local reference = require "reference"
local veil = require "Q_Veil_Kit"

local random = math.random
local unpack = table.unpack or unpack  -- Lua 5.2 moved it into table

local function pick(list) return list[random(#list)] end

-- Alpha values that exercise the threshold edges as well as noise.
local function random_alpha()
  local roll = random()
  if roll < 0.35 then return 0 end
  if roll < 0.55 then return 255 end
  if roll < 0.7 then return pick({ 63, 64, 65, 127, 128, 156, 157, 199, 200, 253, 254 }) end
  return random(0, 255)
end

local function random_pixels(count)
  local values = {}
  for i = 1, count do
    values[i] = reference.pixel(random_alpha(), random(0, 255), random(0, 255), random(0, 255))
  end
  return values
end

local function random_arguments(w, h)
  local colour = function()
    if random() < 0.9 then return random(0, 255) end
    return pick({ -1, 256, 1000, -2 ^ 31, 2 ^ 31 - 1 })
  end
  local threshold = random() < 0.8 and random(1, 255) or pick({ 0, -3, 256, 300, 1e9 })
  local soft = pick({ false, true, nil, 0 })
  local strength = random() < 0.8 and random() * 1.2 or pick({ 0, -0.5, 1, 2, 0 / 0, 1 / 0 })
  local ox = random(-math.ceil(w / 2) - 1, math.ceil(w / 2) + 1) + pick({ 0, 0, 0.5, -0.5 })
  local oy = random(-math.ceil(h / 2) - 1, math.ceil(h / 2) + 1)
  return { colour(), colour(), colour(), ox, oy, threshold, soft, strength }
end

local function run_cases(cases, seed)
  math.randomseed(seed)
  for case = 1, cases do
    local w, h = random(1, 9), random(1, 9)
    local values = random_pixels(w * h)
    local args = random_arguments(w, h)
    local buf = support.buffer(values)
    local r = support.pack(veil.AlphaFillColor(buf, w, h, unpack(args, 1, 8)))
    local expected = reference.fill(values, w, h, unpack(args, 1, 8))
    local label = ("case %d: %dx%d args %s"):format(case, w, h,
      table.concat((function()
        local s = {}
        for i = 1, 8 do s[i] = tostring(args[i]) end
        return s
      end)(), ", "))
    assert.are.equal(expected and 1 or 0, r.n, label)
    assert.are.same(expected or values, support.values(buf), label)
  end
end

describe("AlphaFillColor against a plain model", function()
  after_each(function() testbuf.set_threads() end)

  it("agrees on random images with one thread", function()
    testbuf.set_threads(1)
    run_cases(2500, 20261209)
  end)

  it("agrees on random images with the whole team", function()
    run_cases(2500, 4242)
  end)

  it("agrees on larger images, wide and narrow, seeded at many places", function()
    math.randomseed(7)
    -- 64 x 48 keeps its bits by rows; the tall narrow ones by columns, in
    -- blocks of 64 rows, the last one whole or partly filled.
    for _, size in ipairs({ { 64, 48 }, { 1, 200 }, { 2, 129 }, { 5, 128 }, { 31, 150 } }) do
      local w, h = size[1], size[2]
      for case = 1, 24 do
        local values = random_pixels(w * h)
        -- Noise, mostly clear (the region runs through several blocks) or
        -- all clear (every block wholly open and marked).
        local clear = ({ 0, 0.85, 1 })[case % 3 + 1]
        for i = 1, #values do
          if random() < clear then values[i] = values[i] % 0x1000000 end
        end
        local args = { 255, 0, 128, random(-math.ceil(w / 2), math.ceil(w / 2) - 1),
          random(-math.ceil(h / 2), math.ceil(h / 2) - 1), random(1, 255), random() < 0.5, 1 }
        local buf = support.buffer(values)
        local r = support.pack(veil.AlphaFillColor(buf, w, h, unpack(args, 1, 8)))
        local expected = reference.fill(values, w, h, unpack(args, 1, 8))
        local label = ("%dx%d case %d"):format(w, h, case)
        assert.are.equal(expected and 1 or 0, r.n, label)
        assert.are.same(expected or values, support.values(buf), label)
      end
    end
  end)
end)
