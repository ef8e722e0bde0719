print(format("%q %q", "a", "b\\c"), format("[%q]", ""))
