-- expect: ok
f()
f{1, 2}
f"str"
f[[long]]
o:m(1)
o:m{}
o:m"s"
f()()
f().x = 1
f()[1] = 2
f"a""b"
