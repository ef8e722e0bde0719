print(strsub(tostring({}), 1, 6), strsub(tostring(print), 1, 9), strsub(tostring(function() end), 1, 9))
