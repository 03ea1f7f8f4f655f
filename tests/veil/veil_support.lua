-- Helpers shared by the veil test files: running programs, files, pixels.
local support = {}

support.veil = assert(os.getenv("VEIL"), "VEIL is not set")
-- A sanitizer build: veil reserves terabytes of shadow memory, so an
-- address-space limit (ulimit -v) cannot work.
support.sanitized = os.getenv("Q_VEIL_KIT_SANITIZED") == "1"
support.demo_art = assert(os.getenv("DEMO_ART"))
support.fixtures_tool = assert(os.getenv("VEIL_PNG_FIXTURES"))
support.source = assert(os.getenv("Q_VEIL_KIT_SOURCE"))
support.scripts = support.source .. "/tests/veil/scripts"

function support.quote(s)
  return "'" .. tostring(s):gsub("'", "'\\''") .. "'"
end

local function shell(command)
  local pipe = assert(io.popen(command))
  local output = pipe:read("*a")
  pipe:close()
  return output
end

function support.read(path)
  local file = io.open(path, "rb")
  if not file then return nil end
  local content = file:read("*a")
  file:close()
  return content
end

function support.write(path, content)
  local file = assert(io.open(path, "wb"))
  file:write(content)
  file:close()
end

function support.exists(path)
  return support.read(path) ~= nil
end

-- A fresh folder, removed by support.remove_dir.
function support.make_dir()
  local dir = shell("mktemp -d"):gsub("%s+$", "")
  assert(dir ~= "", "mktemp -d failed")
  return dir
end

function support.remove_dir(dir)
  os.execute("rm -rf " .. support.quote(dir))
end

-- The names in a folder, sorted (hidden ones included).
function support.list_dir(dir)
  local names = {}
  for name in shell("ls -A " .. support.quote(dir)):gmatch("[^\n]+") do
    names[#names + 1] = name
  end
  table.sort(names)
  return names
end

-- Runs a program with arguments; returns its exit status, stdout, stderr.
function support.run(program, ...)
  local parts = { support.quote(program) }
  for i = 1, select("#", ...) do
    parts[#parts + 1] = support.quote((select(i, ...)))
  end
  local capture = os.tmpname()
  local command = table.concat(parts, " ") .. " >" .. capture .. ".out 2>"
    .. capture .. ".err; echo $?"
  local status = tonumber(shell(command))
  local stdout = support.read(capture .. ".out")
  local stderr = support.read(capture .. ".err")
  os.remove(capture)
  os.remove(capture .. ".out")
  os.remove(capture .. ".err")
  return status, stdout, stderr
end

function support.veil_run(...)
  return support.run(support.veil, ...)
end

-- support.veil_run, plus the most memory veil held at once (its peak
-- resident set, in KiB, as /usr/bin/time measures it).
function support.veil_run_measured(...)
  local measure = os.tmpname()
  local status, stdout, stderr =
    support.run("/usr/bin/time", "-f", "%M", "-o", measure, support.veil, ...)
  local kib = tonumber((support.read(measure) or ""):match("(%d+)%s*$"))
  os.remove(measure)
  return status, stdout, stderr, assert(kib, "/usr/bin/time measured nothing")
end

-- Runs a shell script with arguments ($1, $2, ...); returns its exit
-- status, stdout, stderr.
function support.shell(script, ...)
  return support.run("sh", "-c", script, "sh", ...)
end

-- Writes a W x H 8-bit RGBA image: every pixel `content` ("AARRGGBB"), or
-- "noise".
function support.write_image(path, width, height, content)
  assert(support.run(support.fixtures_tool, "image", width, height, path, content) == 0,
         "png_fixtures image failed")
end

-- Writes 68 bytes: a PNG header declaring W x H RGBA pixels, and image data
-- for five bytes of them.
function support.write_promise(path, width, height)
  assert(support.run(support.fixtures_tool, "promise", width, height, path) == 0,
         "png_fixtures promise failed")
end

-- Writes the colour-type fixtures into `dir`; returns their names.
function support.write_fixtures(dir)
  local status, names = support.run(support.fixtures_tool, "write", dir)
  assert(status == 0, "png_fixtures write failed")
  local list = {}
  for name in names:gmatch("[^\n]+") do list[#list + 1] = name end
  return list
end

-- An 8-bit RGBA PNG's size and pixels as text ("W H" then one hex pixel a
-- line), read without veil; nil when the file is not 8-bit RGBA.
function support.dump(path)
  local status, text = support.run(support.fixtures_tool, "dump", path)
  if status ~= 0 then return nil end
  return text
end

-- The same as a table: { width = W, height = H, [1..W*H] = pixel values }.
function support.pixels(text)
  local width, height, rest = text:match("^(%d+) (%d+)\n(.*)$")
  local image = { width = tonumber(width), height = tonumber(height) }
  for hex in rest:gmatch("%x+") do image[#image + 1] = tonumber(hex, 16) end
  return image
end

-- Channel `shift` (0 blue, 8 green, 16 red, 24 alpha) of a pixel value.
function support.channel(pixel, shift)
  return math.floor(pixel / 2 ^ shift) % 256
end

return support
