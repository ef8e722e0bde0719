print(strlen(""), strlen("abc"), strlen(12), strlen(1.5), strlen("a\0b"))
