// The Lua half of the Lua 4.0 library: lua40library.lua, compiled in as
// bytes at build time.
#pragma once

#include <string_view>

namespace lua40 {

// The library itself, in Lua 5.1, loaded as one chunk. It keeps every Lua
// 5.1 function it uses in a local, so a program's globals named string,
// table or io change nothing here. Errors are raised at level 0: Lua 4.0
// messages carry no position, and the engine finds the program's line on
// the stack. In order: the basic functions, call and dostring, strings and
// tables; then math, I/O and the system functions.
std::string_view libraryScript();

} // namespace lua40
