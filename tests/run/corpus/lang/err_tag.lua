t = newtag()
