-- Passes sizes larger than the image, as a script with a wrong size would.
-- `pixels` holds exactly width * height pixels, so the module must refuse
-- these calls (no result) and touch no pixel.
local veil = require "Q_Veil_Kit"
for _, size in ipairs({ { width, height + 64 }, { width * 4, height }, { width + 1, height } }) do
  local w, h = size[1], size[2]
  local where = w .. " x " .. h
  -- Threshold 256 in soft mode: every pixel would be open to the fill.
  assert(select("#", veil.AlphaFillColor(pixels, w, h, 255, 0, 0, 0, 0, 256, true, 1)) == 0,
         "AlphaFillColor took " .. where)
  assert(select("#", veil.AlphaDataSet(pixels, w, h, 1)) == 0, "AlphaDataSet took " .. where)
end
-- The image's own size is taken (strength 0: filled, but nothing changes).
assert(veil.AlphaFillColor(pixels, width, height, 255, 0, 0, 0, 0, 256, true, 0) == pixels,
       "AlphaFillColor refused the image's own size")
