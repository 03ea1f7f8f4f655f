-- Bad and hostile input: one line on stderr naming the file or option and
-- the reason, status 2 for a wrong command line and 1 for the rest, no output
-- file (an existing one is left as it was), the input never modified, and
-- no memory spent on what a file only declares.
local support = require "veil_support"

local MiB = 1024  -- in the KiB that /usr/bin/time reports

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
  -- written and that no input changed. Returns the peak memory of the run
  -- (KiB).
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
    local status, stdout, stderr, kib = support.veil_run_measured(unpack(args))
    assert.are.equal(expected_status, status)
    assert.are.equal("", stdout)
    assert.matches("^veil: [^\n]+\n$", stderr)
    assert.matches(pattern, stderr)
    assert.is_false(support.exists(output))
    for path, content in pairs(inputs) do
      assert.are.equal(content, support.read(path), path .. " changed")
    end
    return kib
  end

  -- Each command on `input`, refused with status 1 and `pattern`; returns
  -- the most memory one of them held.
  local function refused_by_every_command(pattern, input)
    return math.max(
      refused(1, pattern, "alpha", input, "OUT", "--source", "red"),
      refused(1, pattern, "fill", input, "OUT", "--color", "1,2,3", "--threshold", "9"),
      refused(1, pattern, "run", noop, input, "OUT"))
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
        refused_by_every_command(case[2], dir .. "/" .. case[3])
      end)
    end
  end)

  describe("hostile files (status 1, next to no memory)", function()
    -- What veil holds for a valid 7 x 5 image: the measure for the rest.
    local small
    setup(function()
      local most = 0
      for _, args in ipairs({ { "alpha", good, dir .. "/small.png", "--source", "red" },
                              { "run", noop, good, dir .. "/small.png" } }) do
        local status, _, _, kib = support.veil_run_measured(unpack(args))
        assert(status == 0, "veil failed on a valid image")
        most = math.max(most, kib)
      end
      small = most
    end)

    -- 68 bytes each: a header, then image data for five bytes of the image.
    for _, size in ipairs({ { 30000, 30000 }, { 46340, 46340 }, { 1, 400000000 } }) do
      local w, h = size[1], size[2]
      it(("refuses a 68-byte PNG declaring %d x %d pixels before asking for memory"):format(w, h),
         function()
        local input = ("%s/promise-%dx%d.png"):format(dir, w, h)
        support.write_promise(input, w, h)
        assert.are.equal(68, #support.read(input))
        local kib = refused_by_every_command(("%d x %d pixels is more than the limit of "
          .. "268435456 pixels %%(%%-%%-max%%-pixels raises it%%)"):format(w, h), input)
        assert(kib < small + 16 * MiB, ("held %d KiB, %d KiB for a 7 x 5 image"):format(kib, small))
      end)
    end

    it("refuses a 68-byte PNG declaring a row wider than 16777216 pixels, within the limit",
       function()
      local input = dir .. "/promise-268435456x1.png"
      support.write_promise(input, 268435456, 1)
      local kib = refused_by_every_command("268435456 pixels wide is more than veil reads "
                                           .. "%(16777216%)", input)
      assert(kib < small + 16 * MiB, ("held %d KiB, %d KiB for a 7 x 5 image"):format(kib, small))
    end)

    it("commits memory only as rows arrive", function()
      -- Within the limit: 64 MiB of pixels promised, five bytes given.
      local input = dir .. "/promise-4096x4096.png"
      support.write_promise(input, 4096, 4096)
      local kib = refused_by_every_command("Not enough image data", input)
      assert(kib < small + 16 * MiB, ("held %d KiB, %d KiB for a 7 x 5 image"):format(kib, small))
    end)

    it("reads up to 16384 x 16384 pixels unless --max-pixels says otherwise", function()
      local over = dir .. "/promise-16385x16384.png"
      support.write_promise(over, 16385, 16384)
      refused(1, "16385 x 16384 pixels is more than the limit of 268435456 pixels",
              "alpha", over, "OUT", "--source", "red")
      local at = dir .. "/promise-16384x16384.png"
      support.write_promise(at, 16384, 16384)
      refused(1, "Not enough image data", "alpha", at, "OUT", "--source", "red")
      -- rgba8.png has 7 x 5 = 35 pixels.
      refused(1, "7 x 5 pixels is more than the limit of 34 pixels", "alpha", good,
              "OUT", "--source", "red", "--max-pixels", "34")
      refused(1, "7 x 5 pixels is more than the limit of 34 pixels", "run",
              "--max-pixels=34", noop, good, "OUT")
      assert.are.equal(0, (support.veil_run("alpha", good, dir .. "/35.png",
                                            "--source", "red", "--max-pixels", "35")))
    end)

    it("writes an image 1000001 pixels wide, as it reads it", function()
      -- libpng's default limit is a million pixels a side, for reading and
      -- for writing alike.
      local input = dir .. "/wide.png"
      local output = dir .. "/wide-out.png"
      support.write_image(input, 1000001, 1, "noise")
      local status, _, stderr = support.veil_run("run", noop, input, output)
      assert.are.same({ 0, "" }, { status, stderr })
      assert.are.equal(support.dump(input), support.dump(output))
    end)
  end)

  describe("output files", function()
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

    it("never writes over the script it runs (status 2)", function()
      local script = dir .. "/script.lua"
      support.write(script, support.read(noop))
      refused(2, "script%.lua: is the script", "run", script, good, dir .. "/./script.lua")
      assert.are.equal(support.read(noop), support.read(script))
    end)

    it("keeps the permissions of the file it replaces", function()
      local output = dir .. "/private.png"
      support.write(output, "previous content")
      assert(os.execute("chmod 600 " .. support.quote(output)) == 0)
      assert.are.equal(0, (support.veil_run("alpha", good, output, "--source", "red")))
      assert.is_truthy(support.dump(output))
      local _, mode = support.run("stat", "-c", "%a", output)
      assert.are.equal("600\n", mode)
    end)

    it("writes a file whose name takes up to 255 bytes", function()
      local folder = dir .. "/long-names"
      assert(os.execute("mkdir " .. support.quote(folder)) == 0)
      local names = {}
      for _, length in ipairs({ 248, 255 }) do
        local name = string.rep("n", length - 4) .. ".png"
        local status, _, stderr = support.veil_run("alpha", good, folder .. "/" .. name,
                                                   "--source", "red")
        assert.are.same({ 0, "" }, { status, stderr })
        names[#names + 1] = name
      end
      table.sort(names)
      assert.are.same(names, support.list_dir(folder))
    end)

    it("leaves no temporary file when stopped by a signal while writing", function()
      -- Noise takes zlib about half a second to compress: long enough to
      -- see veil's temporary file appear and stop veil while it writes.
      local input = dir .. "/noise.png"
      support.write_image(input, 2048, 2048, "noise")
      for _, signal in ipairs({ "TERM", "USR1", "ALRM", "PIPE", "RTMIN" }) do
        local folder = dir .. "/stopped-" .. signal
        assert(os.execute("mkdir " .. support.quote(folder)) == 0)
        local _, stdout = support.shell([[
          "$1" run "$2" "$3" "$4/out.png" & veil=$!
          while ! ls -A "$4" | grep -q '^\.'; do
            kill -0 $veil 2>/dev/null || break
            sleep 0.01
          done
          seen=$(ls -A "$4")
          kill -s "$5" $veil
          wait $veil; status=$?
          echo "$status $(kill -l $status) $seen"
        ]], support.veil, noop, input, folder, signal)
        local status, name, seen = stdout:match("^(%d+) (%S+) (%S*)")
        assert(seen and seen:match("^%.veil%-"), signal .. ": no temporary file appeared: " .. stdout)
        -- ended by that signal: 128 + its number, which kill -l names
        assert.are.same({ true, signal }, { tonumber(status) > 128, name })
        assert.are.same({}, support.list_dir(folder), signal)
      end
    end)

    it("refuses a loop of links or more than 40 in a row, changing nothing", function()
      local folder, chain_end = dir .. "/chained", dir .. "/chain-end.png"
      support.write(chain_end, "previous content")
      -- a -> loopb -> a; l41 -> l40 -> ... -> l1 -> ../chain-end.png
      assert.are.equal(0, (support.shell([[mkdir "$1" && cd "$1" && ln -s loopb a &&
        ln -s a loopb && ln -s ../chain-end.png l1 &&
        for i in $(seq 40); do ln -s l$i l$((i + 1)); done]], folder)))
      local _, loop_error = io.open(folder .. "/a")  -- ELOOP in the system's words
      local reason = ": cannot write:" .. loop_error:match("[^:]+$"):gsub("%p", "%%%0")
      for _, name in ipairs({ "a", "l41" }) do
        refused(1, "/" .. name .. reason, "alpha", good, folder .. "/" .. name, "--source", "red")
      end
      -- No link replaced, no temporary file left.
      local not_links = { support.run("find", folder, "-mindepth", "1", "!", "-type", "l") }
      assert.are.same({ 0, "", "" }, not_links)
      assert.are.equal("previous content", support.read(chain_end))
      assert.are.equal(0, (support.veil_run("alpha", good, folder .. "/l40", "--source", "red")))
      assert.is_truthy(support.dump(chain_end))  -- 40 links are followed
    end)

    it("writes through a symbolic link, which stays a link", function()
      local folder = dir .. "/linked"
      assert(os.execute("mkdir " .. support.quote(folder)) == 0)
      support.write(dir .. "/link-target.png", "previous content")
      assert(os.execute(("ln -s ../link-target.png %s && ln -s ../link-new.png %s"):format(
        support.quote(folder .. "/old.png"), support.quote(folder .. "/dangling.png"))) == 0)
      for _, name in ipairs({ "old.png", "dangling.png" }) do
        local status, _, stderr = support.veil_run("alpha", good, folder .. "/" .. name,
                                                   "--source", "red")
        assert.are.same({ 0, "" }, { status, stderr }, name)
        local _, kind = support.run("stat", "-c", "%F", folder .. "/" .. name)
        assert.are.equal("symbolic link\n", kind, name)
      end
      assert.are.same({ "dangling.png", "old.png" }, support.list_dir(folder))
      assert.are.equal(support.dump(dir .. "/link-target.png"), support.dump(dir .. "/link-new.png"))
      assert.is_truthy(support.dump(dir .. "/link-new.png"))
    end)

    it("writes into a FIFO in place, as into a device", function()
      local fifo, copy = dir .. "/pipe.png", dir .. "/from-pipe.png"
      local status, stdout = support.shell([[
        mkfifo "$3" || exit 9
        timeout 20 cat "$3" > "$4" & reader=$!  # ends even if the FIFO was replaced
        "$1" alpha "$2" "$3" --source red; veil=$?
        wait $reader
        echo "$veil $(stat -c %F "$3")"
      ]], support.veil, good, fifo, copy)
      assert.are.same({ 0, "0 fifo\n" }, { status, stdout })
      local by_file = dir .. "/not-piped.png"
      assert.are.equal(0, (support.veil_run("alpha", good, by_file, "--source", "red")))
      assert.are.equal(support.dump(by_file), support.dump(copy))
    end)

    it("writes /dev/stdout in place when standard output is a pipe or a socket", function()
      -- perl (always in Debian) runs veil on a pipe or a socket, passing on what comes.
      local through = [[
        ($ARGV[0] eq "pipe" ? pipe(R, W) : socketpair(R, W, AF_UNIX, SOCK_STREAM, 0)) or die;
        shift; if (!fork) { open(STDOUT, ">&W"); exec(@ARGV) }
        close W; print <R>; wait; exit($? >> 8)]]
      local by_file = dir .. "/not-streamed.png"
      assert.are.equal(0, (support.veil_run("alpha", good, by_file, "--source", "red")))
      for _, case in ipairs({ { "pipe", "/dev/stdout" }, { "pipe", "/proc/self/fd/1" },
                              { "socket", "/dev/stdout" }, { "socket", "/dev/fd/1" } }) do
        assert.are.same({ 0, support.read(by_file), "" }, { support.run("perl", "-MSocket", "-e",
          through, case[1], support.veil, "alpha", good, case[2], "--source", "red") }, case[2])
      end
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
      { "--max-pixels 0", "%-%-max%-pixels: '0' is not", "alpha", good, "OUT",
        "--source", "red", "--max-pixels", "0" },
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
