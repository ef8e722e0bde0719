print({} < {})
