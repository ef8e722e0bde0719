-- expect: ok
s = [[a [[b]] c]]
