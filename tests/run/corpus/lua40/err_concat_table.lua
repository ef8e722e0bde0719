print("x" .. {})
