print(tostring(tostring(12)), tostring(12) == "12")
