obj = {v = 10}
function obj:get() return self.v end
function obj.static(x) return x end
print(obj:get(), obj.static(5), obj.get(obj))
