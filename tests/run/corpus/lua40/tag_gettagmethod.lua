tg = newtag()
f = function() end
settagmethod(tg, "index", f)
print(gettagmethod(tg, "index") == f, gettagmethod(tg, "add"))
old = settagmethod(tg, "index", nil)
print(old == f)
