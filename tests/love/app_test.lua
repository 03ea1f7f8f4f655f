-- The paint app end to end, in a window under xvfb-run: a scripted click
-- into the ring of the demo's sample, through the app's own mouse handler,
-- then the app's own screenshot of itself, read back pixel by pixel.
local support = require "veil_support"

describe("the LÖVE paint app", function()
  local dir, status, stdout, stderr

  setup(function()
    dir = support.make_dir()
    assert(support.run(support.demo_art, "sample", dir .. "/sample.png") == 0)
    assert(os.execute("mkdir -m 700 " .. support.quote(dir .. "/runtime")) == 0)
    status, stdout, stderr = support.run("env",
      "XDG_RUNTIME_DIR=" .. dir .. "/runtime", "XDG_DATA_HOME=" .. dir .. "/data",
      "VEIL_PAINT_SCRIPT=click 84,80; shot click.png; quit",
      "xvfb-run", "--auto-servernum", "--server-args=-screen 0 1024x768x24",
      "love", support.source .. "/examples/love", dir .. "/sample.png")
  end)
  teardown(function() support.remove_dir(dir) end)

  it("fills the ring around the click and says so", function()
    assert.are.equal(0, status, stderr)
    assert.matches("filled the region around %(84, 80%)\n", stdout)
  end)

  it("shows the fill colour inside the ring and none beyond it, in its screenshot", function()
    local shot = dir .. "/data/love/q_veil_kit_paint/click.png"
    -- LÖVE writes an opaque screenshot as RGB; veil reads any PNG and
    -- writes 8-bit RGBA, which the dump reads.
    local rgba = dir .. "/click-rgba.png"
    assert.are.equal(0, (support.veil_run("run", support.scripts .. "/noop.lua", shot, rgba)))
    local screen = support.pixels(assert(support.dump(rgba)))
    local left, top, scale = stdout:match("drawn at %((%d+), (%d+)%), scale (%d+)")
    assert.is_truthy(scale, stdout)
    -- The screen pixel at the centre of image pixel (x, y).
    local function At(x, y)
      local sx = left + x * scale + math.floor(scale / 2)
      local sy = top + y * scale + math.floor(scale / 2)
      return screen[sy * screen.width + sx + 1]
    end
    local FILL = 0xFFE8A33C
    -- The ring is centred on the click, (84, 80); its inside is clear up to
    -- a radius of 14, then shadowed: the fill blends there and stops at
    -- about 36, short of the ring (46 to 62).
    for dy = -12, 12 do
      for dx = -12, 12 do
        if dx * dx + dy * dy <= 144 then
          assert.are.equal(FILL, At(84 + dx, 80 + dy), ("(%d, %d)"):format(84 + dx, 80 + dy))
        end
      end
    end
    for d = 40, 84 do
      for _, p in ipairs({ { 84 - d, 80 }, { 84 + d, 80 }, { 84, 80 - d }, { 84, 80 + d } }) do
        if p[2] >= 0 and p[2] < 160 then
          assert.are_not.equal(FILL, At(p[1], p[2]), ("(%d, %d)"):format(p[1], p[2]))
        end
      end
    end
    -- Kept for the README, which shows this very screenshot.
    local keep = os.getenv("Q_VEIL_KIT_LOVE_SCREENSHOT")
    if keep then
      assert(os.execute("cp " .. support.quote(shot) .. " " .. support.quote(keep)) == 0)
    end
  end)
end)
