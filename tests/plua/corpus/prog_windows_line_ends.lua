-- expect: 4: unfinished string
-- Line ends are LF here; the test also checks this file with CR LF.
s = "one line"
t = "two
lines"
