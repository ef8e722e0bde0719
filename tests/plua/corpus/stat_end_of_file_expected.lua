-- expect: 3: end of file expected
x = 1
end
