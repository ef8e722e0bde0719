-- expect: ok
-- The classic first program: a title, a line of text, and a wait for a tap.
ptitle("Hello")
print("Hello, world!")
pevent()
