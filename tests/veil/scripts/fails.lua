-- Fails at run time, two calls deep, after changing the image.
local veil = require "Q_Veil_Kit"
veil.AlphaDataSet(pixels, width, height, 1)

local function check_the_pixels()
  error("the pixels look wrong")
end

local function inspect()
  check_the_pixels()
end

inspect()
