print(tag(nil), tag(1), tag("s"), tag({}), tag(print), tag(function() end))
