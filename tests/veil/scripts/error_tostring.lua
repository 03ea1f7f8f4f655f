-- An error object that says what it is.
error(setmetatable({}, { __tostring = function() return "the pixels look wrong, said an object" end }))
