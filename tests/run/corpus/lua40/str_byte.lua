print(strbyte("ABC"), strbyte("ABC", 2), strbyte("ABC", 3), strbyte("ABC", -1))
print(strbyte("\255"), strbyte("\0"))
