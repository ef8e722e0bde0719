#pragma once

#include "run/lua40library.h"
#include "run/pluadebug.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct lua_State;

// One run of one Plua 1 program on the Lua 5.1 engine: the program is checked
// by the Plua 1 front end, translated to Lua 5.1 with its line numbers kept,
// and run with the Lua 4.0 standard library (string, table, I/O, system and
// math in degrees) that Plua 1 programs call. Used from one thread, except
// requestStop() and stopRequested(), which any thread may call.
class PluaEngine : public lua40::RunServices
{
public:
    // A fault with the line of the user's program it happened on (0 when no
    // line is known, e.g. an error raised outside the program's own code).
    struct Failure
    {
        int line = 0;
        std::string message;
    };

    // What a program may allocate: past it, an allocation fails with
    // MemoryMessage.
    static constexpr std::size_t MemoryLimit = std::size_t(256) << 20;
    static constexpr const char *MemoryMessage =
        "not enough memory: the program used more than 256 MB";

    PluaEngine();
    ~PluaEngine();
    PluaEngine(const PluaEngine &) = delete;
    PluaEngine &operator=(const PluaEngine &) = delete;

    // The engine's state: register further libraries here before run().
    lua_State *state() const;

    // Checks the program with the front end, translates and loads it. A
    // syntax error comes back with its line and the front end's message.
    std::optional<Failure> load(std::string_view pluaSource, const std::string &chunkName);

    // Runs the loaded chunk to its end. A run-time error comes back with the
    // line it happened on; a stop comes back as the message "stopped".
    std::optional<Failure> run();

    // Makes run() return "stopped" soon, even from an endless loop.
    void requestStop();
    bool stopRequested() const override;

    // Holds the run to about `rate` Lua VM instructions a second (0: as fast
    // as it goes), to show a program at a handheld's pace. Any thread may
    // call it, while the program runs too.
    void setInstructionRate(double rate);

    // The handheld's storage: the one folder the program's file functions
    // reach (names resolve relative to it). Empty: file functions fail.
    void setStorageFolder(const std::string &folder);
    const std::string &storageFolder() const override;

    // Where print and write to standard output go (default: std::cout).
    void setOutput(std::function<void(std::string_view)> sink);
    // Sends text to the output sink (for libraries that print).
    void output(std::string_view text) const override;

    // --- debugging (run/pluadebug.h) ---
    // Without a pause handler, breakpoints and pauses do nothing. It is
    // called on the program's thread at each stop, may block as long as it
    // likes and says how the program goes on; a stop requested meanwhile
    // ends the run once it returns.
    void setPauseHandler(std::function<DebugCommand(PausedProgram &)> handler);
    // Any thread: the lines of the program to stop at (taken up within a
    // thousand instructions), and a stop at the program's next line.
    void setBreakpoints(std::vector<int> lines);
    void requestPause();
    // Program's thread, for library functions that wait: pauses here if a
    // pause was requested. A stop meanwhile is theirs to see (the device's).
    void pauseIfRequested();

    // The engine that owns `L` (nullptr for a state it did not make).
    static PluaEngine *fromState(lua_State *L);

    // Raises a Lua error from a C function, naming the user's current line
    // ("chunk:line: message"). Use as `return PluaEngine::raise(L, "...");`.
    // `message` must not be a C++ temporary: lua_error skips destructors
    // (build it with lua_pushfstring and pass lua_tostring of it).
    static int raise(lua_State *L, const char *message);

    // For a message handler written in Lua that gets the error as its first
    // argument: the line of the program where the error was raised (0: none).
    int currentLine(lua_State *L) const override;

private:
    friend struct PluaEngineAccess;
    struct Private;
    std::unique_ptr<Private> d;
    std::atomic<bool> m_stop{false};
    std::atomic<double> m_rate{0};
};
