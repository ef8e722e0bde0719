function escape(s) return gsub(s, "([%^%$%(%)%%%.%[%]%*%+%-%?])", "%%%1") end
print(escape("a.b*c"))
print(gsub("1+1=2", escape("1+1"), "two"))
