-- expect: 3: unexpected `$' (pragmas are no longer supported)
x = 1
$debug
