-- expect: 5: unfinished long string
s = [[abc

def
