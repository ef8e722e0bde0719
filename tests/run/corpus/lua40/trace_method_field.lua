-- o:m() and o.f() name a method, as 4.0 names every field it calls.
_ALERT = function(s) write(s) end
account = {balance = 10}
function account:withdraw(n)
  if n > self.balance then error("insufficient funds") end
  self.balance = self.balance - n
end
account.audit = function() error("audit failed") end
print(call(function() account:withdraw(50) end, {}, "x"))
print(call(function() account.audit() end, {}, "x"))
print(call(function() account["audit"]() end, {}, "x"))
list = {function() error("by index") end}
print(call(function() list[1]() end, {}, "x"))
