-- The demo script (what `make demo` runs) writes every picture, each result
-- differing from the sample where it should, and prints each path.
local support = require "veil_support"

describe("the demo", function()
  local dir, status, stdout, stderr

  setup(function()
    dir = support.make_dir()
    status, stdout, stderr = support.run("sh",
      support.source .. "/examples/demo_art/run-demo.sh",
      os.getenv("Q_VEIL_KIT_BUILD"), dir .. "/out")
  end)
  teardown(function() support.remove_dir(dir) end)

  local function image(name)
    return support.pixels(assert(support.dump(dir .. "/out/" .. name), name))
  end

  it("runs without an error", function()
    assert.are.equal("", stderr)
    assert.are.equal(0, status)
  end)

  it("prints the path of every file it writes, and writes nothing else", function()
    local names = { "alpha-average.png", "demo.png", "fill-opaque.png",
                    "fill-soft.png", "sample.png" }
    for _, name in ipairs(names) do
      assert.matches(dir .. "/out/" .. name .. ":", stdout, 1, true)
    end
    assert.are.same(names, support.list_dir(dir .. "/out"))
  end)

  it("fills the ring in both modes and converts the sample to alpha", function()
    local sample = image("sample.png")
    assert.are.equal(240, sample.width)
    assert.are.equal(160, sample.height)
    assert.matches("fill%-opaque%.png: filled the region", stdout)
    assert.matches("fill%-soft%.png: filled the region", stdout)
    local seed = 80 * 240 + 84 + 1  -- (84, 80), inside the ring
    assert.are.equal(0, sample[seed])
    assert.are.equal(0xFFE8A33C, image("fill-opaque.png")[seed])
    assert.are.equal(0xFFE8A33C, image("fill-soft.png")[seed])
    -- Outside the ring (the top-left corner) nothing is filled.
    assert.are.equal(sample[1], image("fill-opaque.png")[1])
    assert.are.equal(sample[1], image("fill-soft.png")[1])
    -- Soft and opaque modes treat the shadow inside the ring differently.
    assert.are_not.same(image("fill-opaque.png"), image("fill-soft.png"))
    -- Average to alpha leaves no colour anywhere.
    local alpha = image("alpha-average.png")
    local coloured = 0
    for i = 1, #alpha do
      if alpha[i] % 2 ^ 24 ~= 0 then coloured = coloured + 1 end
    end
    assert.are.equal(0, coloured)
    assert.are_not.same(sample, alpha)
  end)

  it("lays out four labelled panels, opaque, on the sheet", function()
    local sheet = image("demo.png")
    assert.is_true(sheet.width > 2 * 240 and sheet.height > 2 * 160)
    for i = 1, #sheet do
      assert(sheet[i] >= 0xFF000000, "transparent pixel on the sheet")
    end
  end)
end)
