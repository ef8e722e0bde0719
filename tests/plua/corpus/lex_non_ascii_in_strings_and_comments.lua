-- expect: ok
s = "café – naïve" -- ½ €
t = [[Grüße]]
