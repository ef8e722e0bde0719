#pragma once

#include <QMetaType>

#include <string>
#include <string_view>
#include <vector>

// What the debugger shows of a paused Plua program, and how it goes on.

// A variable or a table's entry: its name (a key as `[1]`, `name` or
// `["a b"]` for entries), its value as Lua 4.0's tostring writes it, its
// type, and for a table its entries, sorted (numbers, then names).
struct DebugValue
{
    std::string name;
    std::string value;
    std::string type;
    std::vector<DebugValue> children;
    bool cut = false; // a table whose entries were not all gathered
};

// One function on the call stack: its name, the line it stands at, and its
// locals and the %upvalues it uses (written %name).
struct DebugFrame
{
    std::string function;
    int line = 0;
    std::vector<DebugValue> locals;
    std::vector<DebugValue> upvalues;
};

// The program where it paused: the innermost frame first, and the globals
// the program made or changed (not the library's).
struct DebugSnapshot
{
    int line = 0;
    std::vector<DebugFrame> frames;
    std::vector<DebugValue> globals;
};

Q_DECLARE_METATYPE(DebugSnapshot)

struct DebugCommand
{
    enum class Kind : unsigned char { Continue, StepInto, StepOver, StepOut, RunTo };
    Kind kind = Kind::Continue;
    int line = 0; // RunTo's line
};

// A paused program: its state, and expressions evaluated in one of its
// frames. Only valid while the pause handler runs, on the program's thread.
class PausedProgram
{
public:
    virtual ~PausedProgram() = default;
    virtual const DebugSnapshot &snapshot() const = 0;
    // A Plua 1 (Lua 4.0) expression in frame `frame` (0: the innermost),
    // its locals and the program's globals in scope. The values it gives,
    // as Lua 4.0 prints them, or "error: " and the message.
    virtual std::string evaluate(int frame, std::string_view expression) = 0;
};

// The lines of a Plua 1 program that hold code, sorted (empty when it does
// not compile).
std::vector<int> pluaCodeLines(std::string_view pluaSource);

// Where a breakpoint on `line` stops: the first line from it on that holds
// code (0 when none does).
int breakpointLine(const std::vector<int> &codeLines, int line);

// The stack and the innermost frame's variables as plua-run --break writes
// them: no addresses, strings quoted, tables with their entries indented.
std::string breakReport(const DebugSnapshot &snapshot);
