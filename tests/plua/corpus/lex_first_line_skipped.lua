#!/usr/bin/env plua
-- expect: ok
x = 1
