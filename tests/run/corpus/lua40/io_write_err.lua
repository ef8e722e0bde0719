write({})
