print(call(nil, {}))
