-- Q_Veil_Kit on LÖVE ImageData, with colours and channels named as LÖVE
-- names them.
--
-- LÖVE's rgba8 ImageData stores the bytes R, G, B, A: on a little-endian
-- machine each pixel reads as the 32-bit word 0xAABBGGRR, where the module
-- reads 0xAARRGGBB. So the module sees red and blue swapped: this adaptor
-- passes the fill colour as (blue, green, red) and swaps the AlphaDataSet
-- sources 1 (red) and 3 (blue). Alpha and green are where both expect them.
--
--   local veil = require "veil_love"
--   veil.fill(imageData, r, g, b, offsetX, offsetY, threshold, soft, strength, image)
--   veil.alpha(imageData, source, image)
--   veil.refresh(image, imageData)
--
-- Colours are LÖVE's 0 to 1 components; offsets, threshold, soft and
-- strength are the module's own (see AlphaFillColor in the README), but a
-- strength left out is 1, full strength (the module's 0 fills nothing). `image`,
-- when given, is an Image drawn from the ImageData, refreshed after a change.
-- The module never raises an error; this adaptor raises one for an argument
-- it cannot use, such as ImageData that is not rgba8 or an `image` that is
-- not an Image, and does so before it changes anything.
local Q_Veil_Kit = require "Q_Veil_Kit"

local veil = {}

-- Whether `value` is a LÖVE object of type `name`.
local function IsA(value, name)
  if type(value) ~= "userdata" then return false end
  local ok, is = pcall(function() return value:typeOf(name) end)
  return ok and is == true
end

-- The buffer, width and height the module wants, from rgba8 ImageData;
-- raises an error unless `image` is nil or an Image.
local function Buffer(imageData, image, caller)
  if not IsA(imageData, "ImageData") then
    error(caller .. ": expected ImageData, got " .. tostring(imageData), 3)
  end
  if image and not IsA(image, "Image") then
    error(caller .. ": expected an Image or nil to refresh, got " .. tostring(image), 3)
  end
  local format = imageData:getFormat()
  if format ~= "rgba8" then
    error(caller .. ": ImageData format " .. format
      .. " is not supported: only rgba8 has the module's 4-byte pixels", 3)
  end
  local width, height = imageData:getDimensions()
  return imageData:getPointer(), width, height
end

-- A LÖVE colour component (0 to 1) as a byte, rounded as love.math.colorToBytes does.
local function Byte(component)
  return math.floor(math.min(math.max(component, 0), 1) * 255 + 0.5)
end

-- A number argument as the module reads it: a number or a numeric string
-- (anything else is 0), truncated toward zero to 32 bits; NaN is 0, and
-- values beyond the 32-bit range, infinities included, stop at its ends.
local function Integer(value)
  local n = (type(value) == "number" or type(value) == "string") and tonumber(value) or 0
  if n ~= n then return 0 end
  if n >= 2147483647 then return 2147483647 end
  if n <= -2147483648 then return -2147483648 end
  return n < 0 and math.ceil(n) or math.floor(n)
end

-- Redraws `image` from `imageData` (same size); does nothing without an image.
function veil.refresh(image, imageData)
  if image then image:replacePixels(imageData) end
end

-- Bucket fill from the pixel at (offsetX, offsetY) from the centre pixel
-- (width / 2, height / 2, rounded down); `strength` defaults to 1. Returns
-- true when a region was filled; otherwise false and why, the ImageData unchanged:
--   "outside"   the seed is not in the image,
--   "boundary"  the seed pixel's alpha (stretched in opaque mode) is not below the threshold,
--   "memory"    the module could not get its work memory (about 8 bytes a pixel).
function veil.fill(imageData, r, g, b, offsetX, offsetY, threshold, soft, strength, image)
  local pixels, width, height = Buffer(imageData, image, "veil.fill")
  local red, green, blue = Byte(r), Byte(g), Byte(b)
  if strength == nil then strength = 1 end
  if Q_Veil_Kit.AlphaFillColor(pixels, width, height, blue, green, red,
      offsetX, offsetY, threshold, soft, strength) then
    veil.refresh(image, imageData)
    return true
  end
  -- The module gives no reason; the same seed rules, with every argument
  -- read as the module reads it, tell which one held.
  local x = math.floor(width / 2) + Integer(offsetX)
  local y = math.floor(height / 2) + Integer(offsetY)
  if x < 0 or y < 0 or x >= width or y >= height then return false, "outside" end
  local alpha = Byte(select(4, imageData:getPixel(x, y)))
  threshold = Integer(threshold)
  if not soft and threshold > 0 and threshold < 255 then
    alpha = math.min(math.floor(alpha * 255 / threshold), 255)
  end
  if alpha >= threshold then return false, "boundary" end
  return false, "memory"
end

-- LÖVE's channel numbers to the module's AlphaDataSet sources.
local SOURCE = { [1] = 3, [2] = 2, [3] = 1, [4] = 4 }

-- Makes the image alpha-only: every colour becomes 0, and the alpha comes
-- from `source`: 1 red, 2 green, 3 blue, 4 the average of the three,
-- anything else the alpha itself.
function veil.alpha(imageData, source, image)
  local pixels, width, height = Buffer(imageData, image, "veil.alpha")
  Q_Veil_Kit.AlphaDataSet(pixels, width, height, SOURCE[Integer(source)] or 0)
  veil.refresh(image, imageData)
end

return veil
