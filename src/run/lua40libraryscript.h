// The Lua half of the Lua 4.0 library, in two pieces that open() loads as one chunk.
#pragma once

namespace lua40 {

// The library itself, in Lua 5.1. It keeps every Lua 5.1 function it uses
// in a local, so a program's globals named string, table or io change
// nothing here. Errors are raised at level 0: Lua 4.0 messages carry no
// position, and the engine finds the program's line on the stack.
//
// The pieces, in order: the basic functions, call and dostring, strings and
// tables; then math, I/O and the system functions.
extern const char *const LibraryBase;
extern const char *const LibraryIo;

} // namespace lua40
