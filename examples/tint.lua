-- Fills the transparent inside of the demo's ring with amber. Run it through the veil host, which sets `pixels`, `width`,
-- `height` and `arg`:
--   build-demo/veil run examples/tint.lua out/sample.png out/tinted.png [THRESHOLD]
local veil = require "Q_Veil_Kit"

local threshold = tonumber(arg[1]) or 128

-- The seed is an offset from the centre pixel: 36 pixels left of it lies
-- the ring's transparent inside.
if veil.AlphaFillColor(pixels, width, height, 232, 163, 60, -36, 0, threshold, false, 1) then
  print("filled the ring")
else
  print("nothing to fill at that seed")
end
