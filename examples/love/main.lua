-- A paint bucket on Q_Veil_Kit: click into the picture to fill the region
-- under the pointer.
--   love examples/love [PICTURE.png]
-- The picture is PICTURE.png, else the checkout's out/sample.png (made by
-- `make demo`), else a ring the app draws itself.
--
-- The module comes from the folder named by Q_VEIL_KIT_BUILD, else from the
-- release archives' q_veil_kit/ tree unpacked into this folder (zipped with
-- it into a .love, or beside a fused game's executable), picked by
-- veil_pick.lua, else from the checkout's build/.
--
-- VEIL_PAINT_SCRIPT runs steps through the app's own handlers, one a frame,
-- for tests: "click X,Y" (an image pixel), "key NAME", "shot FILE.png" (a
-- screenshot into the save folder), "wait SECONDS", "quit". While a script
-- runs, an error ends the app with status 1 instead of LÖVE's error screen.

if os.getenv("VEIL_PAINT_SCRIPT") then
  love.errorhandler = function(message)
    print(debug.traceback("error: " .. tostring(message), 2))
    return nil  -- no error screen: LÖVE exits with status 1
  end
end

local root = love.filesystem.getSource() .. "/../.."
local build = os.getenv("Q_VEIL_KIT_BUILD")
if build then
  package.cpath = build .. "/?.so;" .. package.cpath
else
  local picked, where = require("veil_pick")()
  if picked then
    print("Q_Veil_Kit from " .. where)
  else
    package.cpath = root .. "/build/?.so;" .. package.cpath
    local found, message = pcall(require, "Q_Veil_Kit")
    if not found then
      error("Q_Veil_Kit was not found: " .. where .. ";\nunpack the release archives here,"
        .. " or build it with `make` in the checkout.\n\n" .. message, 0)
    end
  end
end
local veil = require "veil_love"

local COLOURS = {
  { "#e8a33c", 232 / 255, 163 / 255, 60 / 255 },
  { "#d6324f", 214 / 255, 50 / 255, 79 / 255 },
  { "#3c9ee8", 60 / 255, 158 / 255, 232 / 255 },
  { "#f2f2f2", 242 / 255, 242 / 255, 242 / 255 },
}
local MARGIN, STATUS_HEIGHT, UNDO_DEPTH = 16, 56, 32

local picture = {}  -- name, data (rgba8 ImageData), image (drawn from data)
local settings = { soft = false, threshold = 128, strength = 1.0, colour = 1 }
local undo = {}
local status = "click into the picture to fill"
local checker, squares, script, resume

-- A ring with a faint shadow inside, on a clear background, edges
-- anti-aliased: like the demo's sample, for when there is none.
local function DrawRing()
  local data = love.image.newImageData(240, 160)
  data:mapPixel(function(x, y)
    local r = math.sqrt((x + 0.5 - 84) ^ 2 + (y + 0.5 - 80) ^ 2)
    local ring = math.min(math.max(0.5 - math.max(r - 62, 46 - r), 0), 1)
    local shadow = r < 54 and 0.35 * math.min(math.max((r - 14) / 33, 0), 1) or 0
    local alpha = ring + shadow * (1 - ring)
    if alpha == 0 then return 0, 0, 0, 0 end
    local blend = ring / alpha  -- straight-alpha "over"
    return 0.1 * blend + 0.05 * (1 - blend), 0.6 * blend + 0.08 * (1 - blend),
      0.85 * blend + 0.2 * (1 - blend), alpha
  end)
  return data
end

local function LoadPicture(path)
  path = path or root .. "/out/sample.png"
  local file = io.open(path, "rb")
  if not file then
    if path ~= root .. "/out/sample.png" then error("cannot open " .. path, 0) end
    return "a ring drawn by the app", DrawRing()
  end
  local bytes = file:read("*a")
  file:close()
  local data = love.image.newImageData(love.filesystem.newFileData(bytes, path))
  if data:getFormat() ~= "rgba8" then  -- a 16-bit PNG, say: 8 bits a channel
    local source = data
    data = love.image.newImageData(source:getWidth(), source:getHeight(), "rgba8")
    data:mapPixel(function(x, y) return source:getPixel(x, y) end)
  end
  return path:match("[^/]*$"), data
end

-- Where the picture is drawn: top-left corner and scale (whole pixels when
-- it fits, so each image pixel is a clean square).
local function Layout()
  local windowWidth, windowHeight = love.graphics.getDimensions()
  local width, height = picture.data:getDimensions()
  local areaHeight = windowHeight - STATUS_HEIGHT - 2 * MARGIN
  local scale = math.min((windowWidth - 2 * MARGIN) / width, areaHeight / height)
  if scale >= 1 then scale = math.floor(scale) end
  return math.floor((windowWidth - width * scale) / 2),
    MARGIN + math.floor((areaHeight - height * scale) / 2), scale
end

local function Say(text)
  status = text
  print(text)
end

-- Keeps a copy to go back to, the oldest dropped beyond UNDO_DEPTH.
local function Remember(copy)
  undo[#undo + 1] = copy
  if #undo > UNDO_DEPTH then table.remove(undo, 1) end
end

local function Fill(x, y)
  local width, height = picture.data:getDimensions()
  local offsetX, offsetY = x - math.floor(width / 2), y - math.floor(height / 2)
  local before = picture.data:clone()
  local colour = COLOURS[settings.colour]
  local filled, why = veil.fill(picture.data, colour[2], colour[3], colour[4],
    offsetX, offsetY, settings.threshold, settings.soft, settings.strength, picture.image)
  local where = ("(%d, %d)"):format(x, y)
  if filled then
    Remember(before)
    Say("filled the region around " .. where)
  elseif why == "outside" then
    Say("nothing filled: the seed " .. where .. " is outside the picture")
  elseif why == "boundary" then
    local alpha = math.floor(select(4, picture.data:getPixel(x, y)) * 255 + 0.5)
    Say(("nothing filled: the seed pixel %s is a boundary (alpha %d, threshold %d%s)")
      :format(where, alpha, settings.threshold, settings.soft and "" or ", stretched"))
  else
    Say("nothing filled: not enough memory for " .. width .. " x " .. height)
  end
end

function love.mousepressed(x, y, button)
  if button ~= 1 then return end
  local left, top, scale = Layout()
  Fill(math.floor((x - left) / scale), math.floor((y - top) / scale))
end

local KEYS = {
  m = function()
    settings.soft = not settings.soft
    Say(settings.soft and "soft fill" or "opaque fill")
  end,
  up = function(step) settings.threshold = math.min(settings.threshold + step, 255) end,
  down = function(step) settings.threshold = math.max(settings.threshold - step, 1) end,
  right = function(step)
    settings.strength = math.min(settings.strength + step / 80, 1)
  end,
  left = function(step)
    settings.strength = math.max(settings.strength - step / 80, 0)
  end,
  c = function() settings.colour = settings.colour % #COLOURS + 1 end,
  a = function()
    Remember(picture.data:clone())
    veil.alpha(picture.data, 4, picture.image)
    Say("alpha from the average of red, green and blue")
  end,
  u = function()
    if #undo == 0 then return Say("nothing to undo") end
    picture.data = table.remove(undo)
    veil.refresh(picture.image, picture.data)
    Say("undone")
  end,
  s = function()
    local stem, name, n = os.date("veil-paint-%Y%m%d-%H%M%S"), nil, 1
    repeat  -- never over an earlier save of the same second
      name = stem .. (n > 1 and "-" .. n or "") .. ".png"
      n = n + 1
    until not love.filesystem.getInfo(name)
    picture.data:encode("png", name)
    Say("saved " .. love.filesystem.getSaveDirectory() .. "/" .. name)
  end,
  escape = function() love.event.quit() end,
}

function love.keypressed(key)
  -- Threshold steps of 8 and strength steps of 0.1; 1 and 0.0125 with shift.
  local step = love.keyboard.isDown("lshift", "rshift") and 1 or 8
  if KEYS[key] then KEYS[key](step) end
end

local function RunScriptStep()
  local step = table.remove(script, 1)
  local x, y = step:match("^click (%d+),(%d+)$")
  local key = step:match("^key (%S+)$")
  local shot = step:match("^shot (%S+)$")
  local seconds = tonumber(step:match("^wait (%S+)$"))
  if x then
    local left, top, scale = Layout()
    love.mousepressed(left + (x + 0.5) * scale, top + (y + 0.5) * scale, 1)
  elseif key then
    love.keypressed(key)
  elseif shot then
    love.graphics.captureScreenshot(function(screen)
      screen:encode("png", shot)
      print("screenshot " .. love.filesystem.getSaveDirectory() .. "/" .. shot)
    end)
  elseif seconds then
    resume = love.timer.getTime() + seconds
  elseif step == "quit" then
    love.event.quit()
  else
    error("VEIL_PAINT_SCRIPT: unknown step '" .. step .. "'", 0)
  end
end

function love.load(arg)
  picture.name, picture.data = LoadPicture(arg[1])
  picture.image = love.graphics.newImage(picture.data)
  picture.image:setFilter("linear", "nearest")
  local two = love.image.newImageData(2, 2)
  two:mapPixel(function(x, y)
    local shade = (x + y) % 2 == 0 and 0.8 or 0.6
    return shade, shade, shade, 1
  end)
  checker = love.graphics.newImage(two)
  checker:setFilter("nearest", "nearest")
  checker:setWrap("repeat", "repeat")
  squares = love.graphics.newQuad(0, 0, 1, 1, 2, 2)

  local steps = os.getenv("VEIL_PAINT_SCRIPT")
  if steps then
    script = {}
    for step in steps:gmatch("[^;]+") do script[#script + 1] = step:match("^%s*(.-)%s*$") end
    local left, top, scale = Layout()
    print(("%s, %d x %d, drawn at (%d, %d), scale %s"):format(picture.name,
      picture.data:getWidth(), picture.data:getHeight(), left, top, scale))
  end
end

function love.update()
  if script and #script > 0 and love.timer.getTime() >= (resume or 0) then
    RunScriptStep()
  end
end

function love.draw()
  local left, top, scale = Layout()
  local width, height = picture.data:getDimensions()
  love.graphics.clear(0.15, 0.15, 0.17)
  love.graphics.setColor(1, 1, 1)
  squares:setViewport(0, 0, width * scale / 8, height * scale / 8, 2, 2)
  love.graphics.draw(checker, squares, left, top, 0, 8, 8)
  love.graphics.draw(picture.image, left, top, 0, scale, scale)

  local colour = COLOURS[settings.colour]
  local y = love.graphics.getHeight() - STATUS_HEIGHT
  love.graphics.print(("%s   %s fill   threshold %d   strength %.2f%s   colour %s")
    :format(picture.name, settings.soft and "soft" or "opaque", settings.threshold,
      settings.strength, settings.soft and "" or " (soft only)", colour[1]), MARGIN, y)
  love.graphics.print(status, MARGIN, y + 18)
  love.graphics.setColor(0.6, 0.6, 0.65)
  love.graphics.print("click: fill   M: opaque/soft   up/down: threshold   "
    .. "left/right: strength   C: colour   A: average to alpha   U: undo   S: save",
    MARGIN, y + 36)
end
