print(strfind("THE (quick) fox", "%((%a+)%)"))
print(strfind("a.b", "%."), strfind("a+b", "a%+b"), strfind("50%", "%%"))
