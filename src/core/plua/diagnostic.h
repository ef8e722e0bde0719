#pragma once

#include <string>
#include <string_view>

namespace plua {

// A fault in a program, where the handheld's compiler reports it, in its
// words. `line` counts from 1; `column` counts characters from 1 on that
// line. `token` is the last token the compiler read, as it names it in the
// rest of its message (lastTokenRead).
struct Diagnostic
{
    int line = 0;
    int column = 0;
    std::string message;
    std::string token;
};

// The handheld compiler's whole message for `d` in the chunk it calls
// `chunk` (`file `game.lua'`, `string "x = = 1"`), as dostring reports it.
std::string lastTokenRead(const Diagnostic &d, std::string_view chunk);

// The compiler names at most this many bytes of the last token.
inline constexpr std::size_t LastTokenLimit = 30;

// Thrown inside the front end to stop at the first fault, as the handheld's
// compiler does; parse() turns it into a Diagnostic.
struct SyntaxError
{
    Diagnostic diagnostic;
};

// Column (from 1) of byte `offset` on its line: characters are counted, so a
// UTF-8 sequence is one column.
int columnOf(std::string_view source, std::size_t offset);

} // namespace plua
