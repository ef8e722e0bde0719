#pragma once

#include "run/pluadebug.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct lua_State;
struct lua_Debug;

// The engine's debugger: breakpoints, stepping and pauses, driven from the
// engine's hook on the program's thread. Lines are hooked only while a
// breakpoint is set or a step or pause is under way; otherwise the engine
// runs as it does without it.
// A function of a compiled chunk: the lines it is defined on, the first
// number it holds (its entry check's, see plua::translate), and the lines
// of all its instructions.
struct FunctionLines
{
    int defined = 0;
    int lastDefined = 0;
    double firstNumber = 0;
    bool checked = false; // it starts with an entry check, numbered firstNumber
    std::vector<int> lines;
};

// The program's functions in the chunk on top of the stack (the chunk's
// own wrapper left out); empty when it cannot be read.
std::vector<FunctionLines> chunkFunctions(lua_State *L);

class EngineDebugger
{
public:
    using Handler = std::function<DebugCommand(PausedProgram &)>;

    using Hook = void (*)(lua_State *, lua_Debug *);
    static constexpr int CountInterval = 1000; // instructions between two looks at requests

    // `source` and `prefix` are the engine's, read when the program runs.
    EngineDebugger(Hook hook, const std::string &source, const std::string &prefix)
        : m_hook(hook), m_source(source), m_prefix(prefix)
    {}

    // Any thread: taken up by the program's thread at its next count hook.
    void setBreakpoints(std::vector<int> lines);
    void requestPause();
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // Program's thread.
    // From the count hook: takes up new breakpoints and a pause request.
    void takeRequests(lua_State *L)
    {
        if (m_changed.load(std::memory_order_relaxed) ||
            m_pauseRequested.load(std::memory_order_relaxed))
            takeRequestsNow(L);
    }
    // From the line hook.
    void onLine(lua_State *L, lua_Debug *ar);
    // Pauses now if a pause was requested (from a C function that waits).
    void pauseIfRequested(lua_State *L);
    // The lines whose functions get entry checks when the program is
    // translated (the breakpoints set before it loads, moved to lines with
    // code; none: no checks), and after the load, its functions: breakpoints
    // move to lines with code, and with entry checks only the functions that
    // hold one hook lines.
    std::vector<int> entryCheckLines(const std::string &handheldText);
    void setFunctions(std::vector<FunctionLines> functions, bool entryChecks);
    // Before the run: the entry checks' table and function.
    void prepareRun(lua_State *L);
    // Before the run: the globals the library made, kept to tell the
    // program's own apart.
    void noteLibraryGlobals(lua_State *L);

private:
    enum class Mode : unsigned char { Run, StepInto, StepOver, StepOut, RunTo };
    void takeRequestsNow(lua_State *L);
    void regate(lua_State *L);
    static int enterFunction(lua_State *L);
    void onReturn(lua_State *L);

public:
    // From the hook, for a return while lines are hooked for a function.
    void returned(lua_State *L)
    {
        if (m_gateDepth > 0)
            onReturn(L);
    }

private:
    void pause(lua_State *L);
    void applyMask(lua_State *L);

    Hook m_hook;
    const std::string &m_source;
    const std::string &m_prefix;
    Handler m_handler;

    std::mutex m_mutex;
    std::vector<int> m_requested;
    std::atomic<bool> m_changed{false};
    std::atomic<bool> m_pauseRequested{false};

    // Program's thread only.
    std::vector<int> m_codeLines;
    std::vector<int> m_plainCodeLines; // of the program translated without checks
    std::vector<FunctionLines> m_functions;
    std::vector<std::pair<int, int>> m_breakpointFunctions; // the lines they span, sorted
    bool m_entryChecks = false;
    std::vector<int> m_marked;          // the numbers of the functions marked in the helper table
    bool m_uncheckedBreakpoint = false; // in a function without a check: all lines are hooked
    int m_gateDepth = 0;       // the stack depth of the outermost breakpoint function running
    std::vector<char> m_lines; // m_lines[line]: a breakpoint there
    bool m_anyBreakpoint = false;
    Mode m_mode = Mode::Run;
    int m_depth = 0; // levels under the frame a step started in, itself included
    int m_runTo = 0;
    bool m_inPause = false;
};
