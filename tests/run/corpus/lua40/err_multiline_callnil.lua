print("start")

undefinedcall(1,
  2,
  3)
