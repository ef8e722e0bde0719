print(string, table, math, io, os, pairs, ipairs, select, unpack, pcall, loadstring, _G)
string = "mine" table = 1 strsub = nil
print(strlen(string), format("%d", table), strupper("ok"))
print(_VERSION)
