print("a" < "b", "b" < "a", "abc" < "abd", "ab" < "abc", "" < "a", "Z" < "a")
print("a" <= "a", "b" >= "a", "10" < "9", "a\0b" < "a\0c")
