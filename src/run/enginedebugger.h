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
// The lines of the chunk on top of the stack that hold code, sorted.
std::vector<int> chunkCodeLines(lua_State *L);

class EngineDebugger
{
public:
    using Handler = std::function<DebugCommand(PausedProgram &)>;

    using Hook = void (*)(lua_State *, lua_Debug *);
    static constexpr int CountInterval = 1000; // instructions between two looks at requests

    // `source` and `prefix` are the engine's, read when the program runs.
    EngineDebugger(Hook hook, const std::string &source, const std::string &prefix)
        : m_hook(hook), m_source(source), m_prefix(prefix)
    {
    }

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
    // After the load: the lines with code, where breakpoints move to.
    void setCodeLines(std::vector<int> lines) { m_codeLines = std::move(lines); }
    // Before the run: the globals the library made, kept to tell the
    // program's own apart.
    void noteLibraryGlobals(lua_State *L);

private:
    enum class Mode : unsigned char { Run, StepInto, StepOver, StepOut, RunTo };
    void takeRequestsNow(lua_State *L);
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
    std::vector<char> m_lines; // m_lines[line]: a breakpoint there
    bool m_anyBreakpoint = false;
    Mode m_mode = Mode::Run;
    int m_depth = 0; // levels under the frame a step started in, itself included
    int m_runTo = 0;
    bool m_inPause = false;
};
