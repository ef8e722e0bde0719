#!/usr/bin/lua
print("hashed")
