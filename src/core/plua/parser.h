#pragma once

#include "plua/diagnostic.h"
#include "plua/syntaxtree.h"

#include <optional>
#include <string_view>

namespace plua {

// The handheld compiler's limits (Lua 4.0.1 as Plua 1 builds it).
namespace Limits {
inline constexpr int Locals = 200;     // active locals in one function
inline constexpr int Upvalues = 32;    // distinct %names in one function
inline constexpr int Parameters = 100; // parameters, `self` included
// Variables left of one `=`: the handheld's compiler takes up to 254, so
// the stack limit is what stops a long list first.
inline constexpr int AssignTargets = 254;
inline constexpr int StackSlots = 250;    // locals plus temporaries
inline constexpr int ListGroups = 131071; // groups of 64 items in one table
// Not a compiler limit: nesting deeper than this (brackets, blocks, unary
// operators, functions) is refused rather than exhausting the checker's
// own stack.
inline constexpr int Nesting = 1000;
} // namespace Limits

enum class ParseMode {
    Tree,      // check and keep the syntax tree
    CheckOnly, // check only: faster on large programs, the tree stays empty
};

struct ParseResult
{
    SyntaxTree tree;                 // complete when `error` is empty (ParseMode::Tree)
    std::optional<Diagnostic> error; // the first fault, where the compiler stops

    bool ok() const { return !error.has_value(); }
};

// Parses and checks one Plua 1 program: the grammar, the lexical rules and the
// static rules of the handheld's compiler, stopping at the first fault with
// the line that compiler reports. `source` is UTF-8 text; it must outlive
// the result's tree.
ParseResult parse(std::string_view source, ParseMode mode = ParseMode::Tree);

} // namespace plua
