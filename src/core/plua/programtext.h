#pragma once

#include <string>
#include <string_view>

namespace plua {

// A program's text as the handheld compiles it, for every tool that checks,
// translates or runs a program, so that all of them name the same line.
// The editor saves every line with a line end, the last one too: a text
// without a final line end gets one, and a fault at the end of the text is
// on the line after the last. CR LF and a lone CR become LF.
std::string handheldText(std::string_view text);

} // namespace plua
