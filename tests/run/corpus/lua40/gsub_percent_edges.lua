print(gsub("abc", "(b)", "%%1"), gsub("abc", "(b)", "[%1%%]"), gsub("abc", "b", "%"))
