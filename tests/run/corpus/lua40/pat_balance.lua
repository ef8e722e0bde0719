print(strfind("x(a(b)c)y", "%b()"), strfind("[[x]]", "%b[]"), strfind("((", "%b()"))
print(gsub("f(a,b) g(c)", "%b()", "[]"))
