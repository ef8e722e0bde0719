-- a call over several lines inside a dostring chunk: the traceback names where the call ends
_ALERT = function(s) write("ALERT[", s, "]") end
dostring("function f(a, b)\n  return a + b\nend\nx = f(1,\n  nil)\n")
