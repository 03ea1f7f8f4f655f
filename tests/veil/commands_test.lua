-- What each veil command does to an image, and what it tells the user.
local support = require "veil_support"

local dir, sample

local function out(name) return dir .. "/" .. name end

local function pixels_of(path)
  return support.pixels(assert(support.dump(path), path .. " is not 8-bit RGBA"))
end

describe("veil commands", function()
  setup(function()
    dir = support.make_dir()
    support.write_fixtures(dir)
    sample = dir .. "/sample.png"
    assert(support.run(support.demo_art, "sample", sample) == 0)
  end)
  teardown(function() support.remove_dir(dir) end)

  describe("veil alpha", function()
    local input, original
    setup(function()
      input = out("rgba8.png")
      original = support.pixels(support.read(out("rgba8.expected")))
    end)
    -- The alpha each source gives a pixel, and the module's source numbers.
    local sources = {
      { "red", "1", function(p) return support.channel(p, 16) end },
      { "green", "2", function(p) return support.channel(p, 8) end },
      { "blue", "3", function(p) return support.channel(p, 0) end },
      { "average", "4", function(p)
          return math.floor((support.channel(p, 16) + support.channel(p, 8)
                             + support.channel(p, 0)) / 3)
        end },
      { "alpha", nil, function(p) return support.channel(p, 24) end },
    }
    for _, source in ipairs(sources) do
      local name, number, alpha_of = source[1], source[2], source[3]
      for _, spelling in ipairs({ name, number }) do
        it("takes the alpha from " .. name .. " (--source " .. spelling .. ")", function()
          local output = out("alpha-" .. spelling .. ".png")
          local status, stdout, stderr =
            support.veil_run("alpha", input, output, "--source", spelling)
          assert.are.same({ 0, "", "" }, { status, stdout, stderr })
          local result = pixels_of(output)
          assert.are.equal(#original, #result)
          for i = 1, #original do
            assert.are.equal(alpha_of(original[i]) * 2 ^ 24, result[i])
          end
        end)
      end
    end
  end)

  describe("veil fill", function()
    -- The sample's ring is centred 36 pixels left of the image centre, at
    -- (84, 80) of 240 x 160; its inside is clear at the centre.
    local seed_index = 80 * 240 + 84 + 1
    local before
    setup(function() before = pixels_of(sample) end)

    it("fills the inside of the ring with the opaque colour", function()
      local output = out("fill-opaque.png")
      local status, stdout, stderr = support.veil_run("fill", sample, output,
        "--color", "#E8A33C", "--at", "-36,0", "--threshold", "128")
      assert.are.equal("", stderr)
      assert.are.equal(0, status)
      assert.matches("^filled the region around %(84, 80%): %d+ pixels changed\n$", stdout)
      local after = pixels_of(output)
      assert.are.equal(0xFFE8A33C, after[seed_index])
      assert.are.equal(before[1], after[1])  -- outside the ring: untouched
      local changed = 0
      for i = 1, #before do
        if before[i] ~= after[i] then changed = changed + 1 end
      end
      assert.are.equal(tonumber(stdout:match("(%d+) pixels changed")), changed)
    end)

    it("fades the colour in soft mode and takes R,G,B", function()
      local output = out("fill-soft.png")
      local status, stdout = support.veil_run("fill", sample, output, "--color",
        "232,163,60", "--at=-36,0", "--threshold", "200", "--soft", "--strength", "0.5")
      assert.are.equal(0, status)
      assert.matches("^filled the region around %(84, 80%)", stdout)
      -- Alpha 0 at the seed: half strength gives opacity 127 of the colour.
      assert.are.equal(0x7FE8A33C, pixels_of(output)[seed_index])
    end)

    it("takes a colour as #RGB", function()
      local output = out("fill-short-hex.png")
      local status, stdout = support.veil_run("fill", sample, output, "--color", "#fa3",
        "--at", "-36,0", "--threshold", "128")
      assert.are.equal(0, status)
      assert.matches("^filled the region", stdout)
      assert.are.equal(0xFFFFAA33, pixels_of(output)[seed_index])
    end)
  end)

  describe("veil fill's exit statuses", function()
    -- A fill that fills nothing says why, writes nothing, and ends with
    -- status 3.
    local function nothing_filled(output, ...)
      local status, stdout, stderr = support.veil_run("fill", ...)
      assert.are.same({ 3, "" }, { status, stderr })
      assert.matches("^nothing filled: [^\n]+; [^\n]*" .. output:match("[^/]+$"):gsub("%p", "%%%0")
                     .. " not written\n$", stdout)
      return stdout
    end

    it("3 when the seed is outside the image: OUT is not written", function()
      local output = out("fill-outside.png")
      local stdout = nothing_filled(output, sample, output, "--color", "1,2,3",
                                    "--at", "200,0", "--threshold", "128")
      assert.matches("the seed %(320, 80%) is outside the 240 x 160 image", stdout)
      assert.is_false(support.exists(output))
    end)

    it("3 when the seed pixel is a boundary: an earlier OUT is left as it was", function()
      local output = out("fill-twice.png")
      assert.are.equal(0, (support.veil_run("fill", sample, output, "--color", "#E8A33C",
                                            "--at", "-36,0", "--threshold", "128")))
      local filled = support.read(output)
      -- (138, 80) lies on the opaque ring.
      local stdout = nothing_filled(output, sample, output, "--color", "1,2,3",
                                    "--at", "18,0", "--threshold", "128")
      assert.matches("the seed pixel %(138, 80%) is a boundary: its alpha 255 is not "
                     .. "below the threshold 128", stdout)
      assert.are.equal(filled, support.read(output))
    end)

    it("3 when only the stretch makes the seed pixel a boundary", function()
      -- The centre (3, 2) of gray-alpha8 has alpha 193: a boundary at
      -- threshold 128 (stretched to 255 in opaque mode), open at 254 (193).
      local input = out("gray-alpha8.png")
      local stdout = nothing_filled(out("ga-opaque.png"), input, out("ga-opaque.png"),
                                    "--color", "1,2,3", "--threshold", "128")
      assert.matches("its alpha 193 %(255 once opaque mode stretches it%)", stdout)
      stdout = nothing_filled(out("ga-soft.png"), input, out("ga-soft.png"),
                              "--color", "1,2,3", "--threshold", "128", "--soft")
      assert.matches("its alpha 193 is not below the threshold 128", stdout)
      local status
      status, stdout = support.veil_run("fill", input, out("ga-open.png"),
        "--color", "1,2,3", "--threshold", "254")
      assert.are.equal(0, status)
      assert.matches("^filled the region around %(3, 2%)", stdout)
    end)

    it("1 when the module cannot get its work memory: says so, writes nothing", function()
      if support.sanitized then
        pending("an address-space limit cannot work under AddressSanitizer")
        return
      end
      -- 4096 x 4096 clear pixels: veil holds 128 MiB (the image and a copy
      -- to count changes), the fill requests just over 132 MiB more (shown
      -- rounded up); the limit lies between.
      local input = out("clear-4096.png")
      local output = out("fill-no-memory.png")
      support.write_image(input, 4096, 4096, "00000000")
      local status, stdout, stderr = support.shell('ulimit -v 270000; exec "$@"',
        support.veil, "fill", input, output, "--color", "1,2,3", "--threshold", "128")
      assert.are.same({ 1, "" }, { status, stdout })
      assert.are.equal("veil: AlphaFillColor: not enough memory for its work arrays "
                       .. "(133 MiB)\n", stderr)
      assert.is_false(support.exists(output))
      -- Without the limit the same fill goes ahead.
      status, stdout = support.veil_run("fill", input, output, "--color", "1,2,3",
                                        "--threshold", "128")
      assert.are.equal(0, status)
      assert.matches("^filled the region around %(2048, 2048%): 16777216 pixels changed", stdout)
    end)
  end)

  describe("veil run and script errors", function()
    it("passes its arguments to the script, which calls the module", function()
      local by_script = out("run-green.png")
      local status, stdout, stderr = support.veil_run("run",
        support.scripts .. "/alpha_from_arg.lua", out("rgb16.png"), by_script, "2")
      assert.are.same({ 0, "", "" }, { status, stdout, stderr })
      local by_command = out("alpha-green-rgb16.png")
      assert.are.equal(0, (support.veil_run("alpha", out("rgb16.png"), by_command,
                                            "--source", "green")))
      assert.are.equal(support.dump(by_command), support.dump(by_script))
    end)

    local function fails_cleanly(script, output_name, ...)
      local output = out(output_name)
      local status, stdout, stderr = support.veil_run("run", script, sample, output, ...)
      assert.are.equal(1, status)
      assert.are.equal("", stdout)
      assert.is_false(support.exists(output))
      return stderr
    end

    it("reports a runtime error with its message and traceback, writing nothing", function()
      local stderr = fails_cleanly(support.scripts .. "/fails.lua", "run-fails.png")
      assert.matches("^veil: [^\n]*fails%.lua:6: the pixels look wrong\n", stderr)
      assert.matches("stack traceback:", stderr)
      assert.matches("check_the_pixels", stderr)
      assert.matches("inspect", stderr)
    end)

    it("reports a syntax error", function()
      local stderr = fails_cleanly(support.scripts .. "/syntax_error.lua", "run-syntax.png")
      assert.matches("syntax_error%.lua:2: .*expected", stderr)
    end)

    it("reports an error object that is not a string", function()
      local stderr = fails_cleanly(support.scripts .. "/error_table.lua", "run-table.png")
      assert.matches("%(error object is a table value%)", stderr)
    end)

    it("reports an error object by its __tostring text", function()
      local stderr = fails_cleanly(support.scripts .. "/error_tostring.lua", "run-tostring.png")
      assert.matches("^veil: the pixels look wrong, said an object\n", stderr)
    end)

    it("ends with status 1, writing nothing, when the script calls os.exit", function()
      for _, code in ipairs({ "0", "3" }) do  -- statuses that mean something else
        local stderr = fails_cleanly(support.scripts .. "/exits.lua", "run-exit.png", code)
        assert.matches("exits%.lua: the script called os%.exit; nothing written\n$", stderr)
      end
      -- A finalizer's os.exit as veil closes Lua, after OUT is written or
      -- not, leaves veil's own status.
      local at_close = support.scripts .. "/exits_at_close.lua"
      assert.matches("script failed", fails_cleanly(at_close, "run-exit.png", "0", "fail"))
      assert.are.equal(0, (support.veil_run("run", at_close, sample, out("run-exit.png"), "3")))
      assert.is_truthy(support.dump(out("run-exit.png")))
    end)

    it("keeps the image alive when the script drops every reference it reaches", function()
      local by_script, by_command = out("run-dropped.png"), out("alpha-green-dropped.png")
      local status, stdout, stderr = support.veil_run("run",
        support.scripts .. "/drops_image.lua", out("rgb16.png"), by_script)
      assert.are.same({ 0, "", "" }, { status, stdout, stderr })
      assert.are.equal(0, (support.veil_run("alpha", out("rgb16.png"), by_command,
                                            "--source", "green")))
      assert.are.equal(support.dump(by_command), support.dump(by_script))
    end)

    it("reports the script's own message when it took debug.traceback away", function()
      local stderr = fails_cleanly(support.scripts .. "/no_traceback.lua", "run-no-tb.png")
      assert.matches("^veil: [^\n]*no_traceback%.lua:4: the script's own message\n", stderr)
      assert.matches("stack traceback:", stderr)
    end)

    it("reports a missing script before reading the image", function()
      local script = dir .. "/no-such-script.lua"
      local status, stdout, stderr = support.veil_run("run", script, dir .. "/no-such.png",
                                                      out("run-missing.png"))
      assert.are.same({ 1, "", "veil: " .. script .. ": No such file or directory\n" },
                      { status, stdout, stderr })
    end)

    it("hands the image over as a userdata the module cannot write beyond", function()
      -- The script passes sizes larger than the image; the module refuses
      -- them (no result), and the image comes out as it went in.
      local output = out("run-oversized.png")
      local status, stdout, stderr = support.veil_run("run",
        support.scripts .. "/oversized.lua", out("rgba8.png"), output)
      assert.are.same({ 0, "", "" }, { status, stdout, stderr })
      assert.are.equal(support.read(out("rgba8.expected")), support.dump(output))
    end)
  end)

  describe("veil help and version", function()
    it("prints the usage of every command on --help", function()
      local status, stdout = support.veil_run("--help")
      assert.are.equal(0, status)
      for _, command in ipairs({ "veil alpha", "veil fill", "veil run" }) do
        assert.matches(command, stdout, 1, true)
      end
    end)

    it("prints its version and the Lua it is linked with on --version", function()
      local status, stdout = support.veil_run("--version")
      assert.are.equal(0, status)
      local lua = assert(os.getenv("VEIL_LUA_VERSION")):gsub("%.", "%%.")  -- 5.1 to 5.4
      assert.matches("^veil %d+%.%d+%.%d+ %(Q_Veil_Kit [%d.]+, Lua " .. lua ..
                     "[%d.]*, libpng [%d.]+%)\n$", stdout)
    end)

    it("prints a command's own usage on COMMAND --help or -h", function()
      for _, case in ipairs({ { "alpha", "--help" }, { "fill", "--help" }, { "fill", "-h" },
                              { "run", "--help" }, { "run", "-h" },
                              { "fill", sample, out("x.png"), "-h" } }) do
        local command = case[1]
        local status, stdout, stderr = support.veil_run(unpack(case))
        assert.are.same({ 0, "" }, { status, stderr })
        assert.matches("^Usage:\n  veil " .. command .. " ", stdout)
        for _, other in ipairs({ "alpha", "fill", "run" }) do
          if other ~= command then assert.is_nil(stdout:find("veil " .. other, 1, true)) end
        end
        assert.matches("Exit status:", stdout)
      end
      assert.is_false(support.exists(out("x.png")))
    end)

    it("prints the usage on stderr, status 2, without a command", function()
      local status, stdout, stderr = support.veil_run()
      assert.are.equal(2, status)
      assert.are.equal("", stdout)
      assert.matches("Usage:", stderr)
    end)
  end)

end)
