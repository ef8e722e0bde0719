print(_VERSION)
