-- AlphaDataSet with the source given on the command line, as a user's
-- script would call the module.
local veil = require "Q_Veil_Kit"
local source = assert(tonumber(arg[1]), "usage: alpha_from_arg.lua SOURCE")
assert(arg[0]:match("alpha_from_arg%.lua$"), "arg[0] is not the script")
assert(veil.AlphaDataSet(pixels, width, height, source) == pixels)
