x = nil
assert(x, "x must be set")
