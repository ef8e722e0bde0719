local f
f()
