local support = require "support"

describe("the Q_Veil_Kit module", function()
  it("is the same table from require, package.loaded and the global", function()
    local veil = require "Q_Veil_Kit"
    assert.are.equal("table", type(veil))
    assert.are.equal(veil, package.loaded.Q_Veil_Kit)
    assert.are.equal(veil, _G.Q_Veil_Kit)
  end)

  it("holds exactly the operations", function()
    local names = {}
    for name, value in pairs(require "Q_Veil_Kit") do
      assert.are.equal("function", type(value))
      names[#names + 1] = name
    end
    table.sort(names)
    assert.are.same({ "AlphaDataSet", "AlphaFillColor" }, names)
  end)

  it("runs its entry only once per state", function()
    local veil = require "Q_Veil_Kit"
    veil.Marker = true   -- a second entry call would not bring this back
    assert.are.equal(veil, require "Q_Veil_Kit")
    assert.is_true((require "Q_Veil_Kit").Marker)
    veil.Marker = nil
  end)

  it("exports only its entry function", function()
    local nm = io.popen("nm -D --defined-only " .. support.quote(support.build_dir .. "/Q_Veil_Kit.so"))
    local symbols = {}
    for line in nm:lines() do
      symbols[#symbols + 1] = line:match("(%S+)$")
    end
    nm:close()
    assert.are.same({ "luaopen_Q_Veil_Kit" }, symbols)
  end)

  it("does not depend on a Lua library of its own", function()
    local ldd = io.popen("ldd " .. support.quote(support.build_dir .. "/Q_Veil_Kit.so"))
    local deps = ldd:read("*a")
    ldd:close()
    assert.is_nil(deps:find("liblua", 1, true))
    assert.is_nil(deps:find("libluajit", 1, true))
  end)

  -- An OpenMP pass inside a library that the host unloads at exit used to
  -- crash the interpreter in a fraction of runs; check the exit many times.
  it("lets the interpreter exit cleanly after a parallel pass, run after run", function()
    local chunk = [[
      local buf = testbuf.new(512 * 512, 0x80C86432)
      assert(veil.AlphaDataSet(buf, 512, 512, 4) == buf)
      assert(testbuf.get(buf, 512 * 512 - 1) == 0x74000000)
    ]]
    local runs = support.sanitized and 10 or 50
    for run = 1, runs do
      assert(support.run_script(support.interpreter, chunk),
        "interpreter run " .. run .. " did not exit cleanly")
    end
  end)
end)
