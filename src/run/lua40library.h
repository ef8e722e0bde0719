#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct lua_State;

// The Lua 4.0 standard library on Lua 5.1: the globals a Plua 1 program
// sees (string, table, I/O, system and math functions in degrees, call,
// dostring, tostring writing numbers with 16 digits, ...), each either the
// same as in Lua 4.0 or a run-time error that says what cannot be done.
namespace lua40 {

// What the library needs of the run it serves. The library knows no engine:
// whoever opens it in a state says where these come from.
class RunServices
{
public:
    // A stop was asked for: long loops in C end the run.
    virtual bool stopRequested() const = 0;
    // The one folder the file functions reach; empty: they fail.
    virtual const std::string &storageFolder() const = 0;
    // Where print and write to standard output go.
    virtual void output(std::string_view text) const = 0;
    // For the library's error reporter, in the middle of raising an error:
    // the program's line it was raised on (0: none known).
    virtual int currentLine(lua_State *L) const = 0;

protected:
    ~RunServices() = default;
};

// Replaces the state's globals with the Lua 4.0 ones, serving `run` (which
// must outlive the state; nullptr: no output, no files, no stops). The Lua
// 5.1 libraries stay out of the program's sight.
void open(lua_State *L, const RunServices *run);

// Before the program's chunk named `source` runs: the functions the library
// and any library opened since put among the globals are, from here on,
// the ones a traceback shows as the system's own. `callLines` and
// `swappedOrderLines`: the chunk's, see plua::Translation.
void beginRun(lua_State *L, const std::string &source,
              const std::vector<std::pair<int, int>> &callLines,
              const std::vector<int> &swappedOrderLines);

// The services the library was opened with in `L`, or nullptr.
const RunServices *servicesOf(lua_State *L);

// Pushes the helper table that translated chunks take as their argument.
void pushHelpers(lua_State *L);

// The error values that end a run without being an error of the program:
// a stop request and a call of exit().
void pushStopSignal(lua_State *L);
bool isStopSignal(lua_State *L, int index);
bool isExitSignal(lua_State *L, int index, int *code);

// Pushes the table that holds the entries of the table at `index` (from the
// bottom): the table itself, or, for a table whose tag has a gettable or
// settable method, the store the library keeps its contents in, since Lua
// 5.1 calls those methods only for keys a table lacks.
void pushContents(lua_State *L, int index);

// A number as Lua 4.0 writes it ("%.16g").
void pushNumberText(lua_State *L, double n);

// An error message as Lua 4.0 words it: without the "chunk:line: " in front,
// names quoted `so', no names 4.0 would not know.
std::string messageOf(std::string message);

// Lets the program's own _ERRORMESSAGE hear of the error on top of the
// stack, which no call or dostring caught; replaces it with the message to
// report. Gives the program's line where it was first raised (0: unknown).
int reportUncaught(lua_State *L);

// The string functions, tonumber and print, written in C, into the table at
// `table`.
void addStringFunctions(lua_State *L, int table);

} // namespace lua40
