print("ok")
print("a" ..
"b" .. nil