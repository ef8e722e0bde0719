q = {first = 1, last = 0}
function push(v) q.last = q.last + 1 q[q.last] = v end
function pop() local v = q[q.first] q[q.first] = nil q.first = q.first + 1 return v end
push(1) push(2) push(3)
print(pop(), pop(), pop(), pop())
