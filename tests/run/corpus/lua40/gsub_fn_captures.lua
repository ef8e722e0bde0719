print(gsub("a=1, b=2", "(%w+)=(%w+)", function(k, v) return v .. "=" .. k end))
print(gsub("abc", "(a)(b)(c)", function(...) return arg.n end))
