print("ok")
x = nil + 1