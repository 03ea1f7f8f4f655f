-- Bad input: one line on stderr naming the file or option and the reason,
-- status 2 for a wrong command line and 1 for the rest, no output file (an
-- existing one is left as it was), and the input never modified.
local support = require "veil_support"

describe("veil on bad input", function()
  local dir, good, noop

  setup(function()
    dir = support.make_dir()
    support.write_fixtures(dir)
    good = dir .. "/rgba8.png"
    noop = support.scripts .. "/noop.lua"
    local png = support.read(good)
    support.write(dir .. "/text.png", "this is not a PNG file\n")
    support.write(dir .. "/empty.png", "")
    support.write(dir .. "/truncated.png", png:sub(1, math.floor(#png / 2)))
    -- One byte of the compressed image data changed.
    local data = png:find("IDAT", 1, true) + 8
    local function with_byte_changed(at)
      return png:sub(1, at - 1) .. string.char((png:byte(at) + 1) % 256)
        .. png:sub(at + 1)
    end
    support.write(dir .. "/corrupt.png", with_byte_changed(data))
    -- The header's checksum (after the signature, length, type and 13 bytes).
    support.write(dir .. "/bad-crc.png", with_byte_changed(8 + 4 + 4 + 13 + 1))
    os.execute("mkdir " .. support.quote(dir .. "/folder"))
  end)
  teardown(function() support.remove_dir(dir) end)

  -- Runs veil with "OUT" standing for a fresh output path; checks the
  -- status, that stderr is one line matching `pattern`, that no output was
  -- written and that no input changed. Returns the output path.
  local function refused(expected_status, pattern, ...)
    local output = dir .. "/out-" .. tostring(math.random(1e9)) .. ".png"
    local args = { ... }
    for i, a in ipairs(args) do
      if a == "OUT" then args[i] = output end
    end
    local inputs = {}
    for _, a in ipairs(args) do
      if a:match("%.png$") and a ~= output then inputs[a] = support.read(a) end
    end
    local status, stdout, stderr = support.veil_run(unpack(args))
    assert.are.equal(expected_status, status)
    assert.are.equal("", stdout)
    assert.matches("^veil: [^\n]+\n$", stderr)
    assert.matches(pattern, stderr)
    assert.is_false(support.exists(output))
    for path, content in pairs(inputs) do
      assert.are.equal(content, support.read(path), path .. " changed")
    end
  end

  describe("input files (status 1)", function()
    local cases = {
      { "a missing file", "missing%.png: cannot open: No such file", "missing.png" },
      { "a file that is not a PNG", "text%.png: not a PNG file", "text.png" },
      { "an empty file", "empty%.png: not a PNG file", "empty.png" },
      { "a truncated PNG", "truncated%.png: file is truncated", "truncated.png" },
      { "a PNG with corrupt image data", "corrupt%.png: corrupt PNG data %(IDAT: ",
        "corrupt.png" },
      { "a PNG with a wrong checksum", "bad%-crc%.png: corrupt PNG data %(IHDR: CRC error%)",
        "bad-crc.png" },
      { "a folder", "folder: cannot read: Is a directory", "folder" },
      { "more pixels than the module takes",
        "huge%.png: 50000 x 50000 pixels is more than the module takes", "huge.png" },
    }
    for _, case in ipairs(cases) do
      it("refuses " .. case[1], function()
        local input = dir .. "/" .. case[3]
        refused(1, case[2], "alpha", input, "OUT", "--source", "red")
        refused(1, case[2], "fill", input, "OUT", "--color", "1,2,3", "--threshold", "9")
        refused(1, case[2], "run", noop, input, "OUT")
      end)
    end
  end)

  describe("output paths (status 1)", function()
    it("refuses a folder that does not exist", function()
      refused(1, "no%-such%-folder/x%.png: cannot create a file in [^\n]*no%-such%-folder: "
              .. "No such file or directory", "alpha", good,
              dir .. "/no-such-folder/x.png", "--source", "red")
    end)

    it("refuses to replace a folder and leaves no temporary file", function()
      local before = support.list_dir(dir)
      refused(1, "folder: cannot replace the file: Is a directory",
              "alpha", good, dir .. "/folder", "--source", "red")
      assert.are.same(before, support.list_dir(dir))
      assert.are.same({}, support.list_dir(dir .. "/folder"))
    end)

    it("leaves an existing output as it was when the input is bad", function()
      local output = dir .. "/kept.png"
      support.write(output, "previous content")
      local status = support.veil_run("alpha", dir .. "/truncated.png", output,
                                      "--source", "red")
      assert.are.equal(1, status)
      assert.are.equal("previous content", support.read(output))
    end)

    it("never writes over its input (status 2)", function()
      refused(2, "rgba8%.png: is the input file", "alpha", good, good, "--source", "red")
      refused(2, "rgba8%.png: is the input file", "run", noop, good, dir .. "/./rgba8.png")
    end)
  end)

  describe("command lines (status 2)", function()
    local fill = function(...) return "fill", good, "OUT", ... end
    local cases = {
      { "an unknown command", "paint: unknown command", "paint", good, "OUT" },
      { "a missing --source", "%-%-source: missing", "alpha", good, "OUT" },
      { "an unknown --source", "%-%-source: 'purple' is not", "alpha", good, "OUT",
        "--source", "purple" },
      { "--source 0", "%-%-source: '0' is not", "alpha", good, "OUT", "--source", "0" },
      { "--source 5", "%-%-source: '5' is not", "alpha", good, "OUT", "--source", "5" },
      { "a missing output", "alpha: expected IN%.png OUT%.png", "alpha", good,
        "--source", "red" },
      { "an extra argument", "alpha: expected IN%.png OUT%.png", "alpha", good, "OUT",
        "extra.png", "--source", "red" },
      { "an unknown option", "%-%-bogus: unknown option", "alpha", good, "OUT",
        "--bogus", "1" },
      { "an option given twice", "%-%-source: given more than once", "alpha", good,
        "OUT", "--source", "red", "--source", "blue" },
      { "an option without its value", "%-%-threshold: needs a value",
        fill("--color", "1,2,3", "--threshold") },
      { "a missing --color", "%-%-color: missing", fill("--threshold", "9") },
      { "a colour component above 255", "%-%-color: '300,0,0' is not",
        fill("--color", "300,0,0", "--threshold", "9") },
      { "a colour with two components", "%-%-color: '1,2' is not",
        fill("--color", "1,2", "--threshold", "9") },
      { "a short hex colour", "%-%-color: '#12345' is not",
        fill("--color", "#12345", "--threshold", "9") },
      { "a colour that is not hex", "%-%-color: '#12345g' is not",
        fill("--color", "#12345g", "--threshold", "9") },
      { "a missing --threshold", "%-%-threshold: missing", fill("--color", "1,2,3") },
      { "threshold 0", "%-%-threshold: '0' is not", fill("--color", "1,2,3",
        "--threshold", "0") },
      { "threshold 256", "%-%-threshold: '256' is not", fill("--color", "1,2,3",
        "--threshold", "256") },
      { "a fractional threshold", "%-%-threshold: '1%.5' is not",
        fill("--color", "1,2,3", "--threshold", "1.5") },
      { "--at with one number", "%-%-at: '5' is not", fill("--color", "1,2,3",
        "--threshold", "9", "--at", "5") },
      { "--at with words", "%-%-at: 'x,y' is not", fill("--color", "1,2,3",
        "--threshold", "9", "--at", "x,y") },
      { "--at beyond 32 bits", "%-%-at: '4294967296,0' is not", fill("--color",
        "1,2,3", "--threshold", "9", "--at", "4294967296,0") },
      { "--strength without --soft", "%-%-strength: only applies with %-%-soft",
        fill("--color", "1,2,3", "--threshold", "9", "--strength", "0.5") },
      { "--strength above 1", "%-%-strength: '2' is not", fill("--color", "1,2,3",
        "--threshold", "9", "--soft", "--strength", "2") },
      { "--strength nan", "%-%-strength: 'nan' is not", fill("--color", "1,2,3",
        "--threshold", "9", "--soft", "--strength", "nan") },
      { "run without OUT", "run: expected SCRIPT%.lua IN%.png OUT%.png", "run", noop,
        good },
    }
    for _, case in ipairs(cases) do
      it("refuses " .. case[1], function()
        refused(2, unpack(case, 2))
      end)
    end
  end)
end)
