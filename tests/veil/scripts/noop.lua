-- Leaves the image as it is: veil run then only reads and writes it.
assert(type(pixels) == "userdata", "pixels is not a userdata")
assert(width > 0 and height > 0, "bad size")
