setglobal(7, "seven")
print(getglobal("7"), getglobal(7))
