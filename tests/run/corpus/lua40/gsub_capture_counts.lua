print(gsub("abc", "(a)(b)(c)", "%3%2%1"), gsub("abcabc", "(a)", function(x) return strupper(x) end, 1))
