-- veil reads every PNG colour type and bit depth into 8-bit straight-alpha
-- pixels and writes them back as 8-bit RGBA, value for value.
local support = require "veil_support"

describe("PNG round trip through veil", function()
  local dir = support.make_dir()
  local fixtures = support.write_fixtures(dir)
  teardown(function() support.remove_dir(dir) end)

  it("has a fixture for every colour type", function()
    -- gray, gray + alpha, palette, RGB, RGBA, and 16-bit of each kind
    assert.are.same({
      "gray1", "gray4", "gray8", "gray16", "gray8-trns", "gray-alpha8",
      "gray-alpha16", "palette8", "palette4-trns", "rgb8", "rgb8-trns",
      "rgb16", "rgba8", "rgba16", "rgba8-interlaced",
    }, fixtures)
  end)

  for _, name in ipairs(fixtures) do
    it("keeps every pixel of " .. name, function()
      local input = dir .. "/" .. name .. ".png"
      local output = dir .. "/" .. name .. "-out.png"
      local before = support.read(input)
      local status, _, stderr = support.veil_run("run", support.scripts .. "/noop.lua",
                                                 input, output)
      assert.are.equal("", stderr)
      assert.are.equal(0, status)
      assert.are.equal(support.read(dir .. "/" .. name .. ".expected"),
                       support.dump(output))
      assert.are.equal(before, support.read(input))
    end)
  end

  it("writes a second round trip identical to the first", function()
    local first = dir .. "/rgba16-out.png"
    local second = dir .. "/rgba16-again.png"
    assert.are.equal(0, (support.veil_run("run", support.scripts .. "/noop.lua",
                                          first, second)))
    assert.are.equal(support.read(first), support.read(second))
  end)
end)
