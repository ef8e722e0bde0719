#pragma once

#include "plua/diagnostic.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plua {

struct Translation
{
    std::string code;                // Lua 5.1 source; empty when `error` is set
    std::optional<Diagnostic> error; // the program does not compile as Plua 1
    std::string prefix;              // how the names the translation adds begin
    // For a call over several lines: the line Lua 5.1 names for an error in
    // the call itself (its opening bracket's) and the line Lua 4.0 names
    // (where the call ends), sorted.
    std::vector<std::pair<int, int>> callLines;
    // Lines whose every ordering comparison is a > or a <=: Lua 5.1 names
    // their operands the other way round from 4.0 when they are refused.
    std::vector<int> swappedOrderLines;

    bool ok() const { return !error.has_value(); }
};

// Translates one Plua 1 (Lua 4.0.1) program into Lua 5.1 code that behaves
// the same, each statement on its original line, so a run-time error names
// the line of the program as written.
//
// The code is a chunk that takes the run library's helper table as its first
// argument and uses these of its fields:
//   G            the table of globals (for globals named true, false or in)
//   cat(...)     concatenation that writes numbers as Lua 4.0 does
//   each(t)      the iterator triple of a table for (`for k,v in t do`)
//   select       Lua 5.1's select, for the `arg` table of vararg functions
//   meth(o,k,..) a method call whose name is a Lua 5.1 keyword
//   forprep(a,b[,c]), fornext(i,s)  a numeric for counted in a while loop
//   table(t), next  a table for walked in a while loop
//   nilindex()   the error of reading t[nil]
//   pow(a,b)     a ^ b by tag method
// A chunk that names settagmethod or copytagmethods, or any chunk when
// `tagMethods` says the run has set tag methods, also uses
//   lt, gt, le, ge(a,b)  a < b, a > b, a <= b, a >= b ordered by tag method
//   new(t)       a table made by the program, given tag 4's methods
// The names the code adds all start with a prefix that no name of the
// program starts with.
//
// With `entryCheckLines` (sorted), every function whose text spans one of
// those lines (and the program's chunk) starts with
//   if P[N] then P.dbg() end
// where N numbers the functions (the first number each compiled function
// holds): a debugger marks the functions that hold breakpoints in the
// helper table and hooks lines only while one of them runs; the others
// cost nothing.
Translation translate(std::string_view source, const std::vector<int> *entryCheckLines = nullptr,
                      bool tagMethods = false);

// A Lua 5.1 message about translated code in the program's own words: the
// copies of %names (quoted) become %name again, renamed locals their names.
std::string programMessage(std::string message, const std::string &prefix);

} // namespace plua
