-- expect: ok
function t:m() return self.x end
function t.n() return self end
function f(...) return arg end
