function f() return function() return function() return "deep" end end end
print(f()()())
