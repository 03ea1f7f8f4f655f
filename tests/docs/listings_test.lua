-- Every listing that a README presents as a file is that file, byte for
-- byte. Such a listing is a fenced code block right after the line
--   <!-- listing: PATH -->
-- (PATH from the top of the checkout); any other block is an excerpt.
--   lua listings_test.lua SOURCE_DIR README...
local source = assert(arg[1], "usage: listings_test.lua SOURCE_DIR README...")

local function read(path)
  local f = io.open(source .. "/" .. path, "rb")
  if not f then return nil end
  local text = f:read("*a")
  f:close()
  return text
end

-- { { path =, body =, readme =, line = }, ... } for every marked listing.
local function listings(readme)
  local found, lines = {}, {}
  for line in (assert(read(readme), readme .. " not found") .. "\n"):gmatch("(.-)\n") do
    lines[#lines + 1] = line
  end
  local i = 1
  while i <= #lines do
    local path = lines[i]:match("^<!%-%- listing: (%S+) %-%->$")
    if path then
      local fence = lines[i + 1] and lines[i + 1]:match("^(```+)")
      assert(fence, readme .. ":" .. i .. ": a listing marker must be followed by a fenced block")
      local body, j = {}, i + 2
      while lines[j] and lines[j] ~= fence do
        body[#body + 1] = lines[j]
        j = j + 1
      end
      assert(lines[j], readme .. ":" .. i .. ": the listing's block is not closed")
      found[#found + 1] = { path = path, body = table.concat(body, "\n") .. "\n", readme = readme, line = i }
      i = j
    end
    i = i + 1
  end
  return found
end

local checked, failures = 0, {}
for k = 2, #arg do
  for _, listing in ipairs(listings(arg[k])) do
    checked = checked + 1
    local file = read(listing.path)
    if file == nil then
      failures[#failures + 1] = ("%s:%d: %s does not exist"):format(listing.readme, listing.line, listing.path)
    elseif file ~= listing.body then
      failures[#failures + 1] = ("%s:%d: the listing differs from %s"):format(listing.readme, listing.line, listing.path)
    end
  end
end
if checked == 0 then failures[#failures + 1] = "no listing marker found: the check would prove nothing" end
if #failures > 0 then
  io.stderr:write(table.concat(failures, "\n"), "\n")
  os.exit(1)
end
print(("ok: %d listings are their files"):format(checked))
