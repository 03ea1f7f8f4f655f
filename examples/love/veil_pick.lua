-- Loads Q_Veil_Kit for this system from the release archives' tree,
-- FOLDER/q_veil_kit/PLATFORM/lua5.1/Q_Veil_Kit.EXT (PLATFORM windows-x64,
-- linux-x86_64, linux-arm64 or macos; EXT dll on Windows, so elsewhere).
-- Copy this file into your game and call it before the first require:
--   local veil, message = require("veil_pick")(FOLDER)
-- It returns the module (also in package.loaded, so require "Q_Veil_Kit"
-- gives it) and the file it loaded, or nil and a message naming the file
-- it looked for. Under LÖVE, FOLDER defaults to the folder beside a fused
-- game's executable, else the game's own folder; a file found only inside
-- the game (a .love file, or a fused game's own zip), from which no library
-- can load, is copied to the save folder and loaded from there by LÖVE's
-- loader. Needs LuaJIT (LÖVE's Lua), whose jit.os and jit.arch name the
-- system.

-- The archives' platform folders, by jit.os and jit.arch ("" any arch).
local PLATFORMS = {
  Windows = { x64 = "windows-x64" },
  Linux = { x64 = "linux-x86_64", arm64 = "linux-arm64" },
  OSX = { [""] = "macos" },
}

local function Exists(path)
  local file = io.open(path, "rb")
  if file then file:close() end
  return file ~= nil
end

-- The module from the copy of the file at `relative` (in LÖVE's file
-- system) in the save folder, or nil and a message. LÖVE's loader reads
-- UTF-8 paths, where package.loadlib on Windows reads the code page's.
local function LoadFromSave(relative, name)
  local fs = love.filesystem
  local bytes = fs.read(relative)
  if not bytes then return nil, "cannot read " .. relative .. " inside the game" end
  local saved = fs.getRealDirectory(name) == fs.getSaveDirectory() and fs.read(name)
  if saved ~= bytes then  -- unchanged, it stays: a running copy may hold it open
    local written, err = fs.write(name, bytes)
    if not written then
      return nil, "cannot copy " .. relative .. " to the save folder: " .. tostring(err)
    end
  end
  local loaded, module = pcall(require, "Q_Veil_Kit")
  if not loaded then return nil, "cannot load the save folder's copy of " .. relative .. ": " .. module end
  return module, fs.getSaveDirectory() .. "/" .. name
end

return function(folder)
  local system, arch = jit and jit.os or "?", jit and jit.arch or "?"
  local platform = PLATFORMS[system] and (PLATFORMS[system][arch] or PLATFORMS[system][""])
  if not platform then
    return nil, "no Q_Veil_Kit file for " .. (jit and system .. " " .. arch or "a Lua other than LuaJIT")
  end
  local name = "Q_Veil_Kit." .. (system == "Windows" and "dll" or "so")
  local relative = "q_veil_kit/" .. platform .. "/lua5.1/" .. name
  local fs = love and love.filesystem
  if not folder and fs then
    folder = fs.isFused() and fs.getSourceBaseDirectory() or fs.getSource()
  end
  local path = (folder or ".") .. "/" .. relative
  if not Exists(path) then
    if fs and fs.getInfo(relative, "file") then return LoadFromSave(relative, name) end
    return nil, "no file " .. path .. (fs and ", nor " .. relative .. " inside the game" or "")
  end
  if system == "Windows" then path = path:gsub("/", "\\") end
  local open, err = package.loadlib(path, "luaopen_Q_Veil_Kit")
  if not open then return nil, "cannot load " .. path .. ": " .. err end
  local module = open("Q_Veil_Kit")
  package.loaded.Q_Veil_Kit = module
  return module, path
end
