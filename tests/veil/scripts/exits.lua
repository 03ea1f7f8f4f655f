-- Leaves with os.exit and the status given on the command line.
os.exit(tonumber(arg[1]))
