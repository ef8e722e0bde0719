-- expect: 3: no loop to break
x = 1
break
