#include "run/pluaengine.h"
#include "run/handheldspeed.h"

#include "plua/programtext.h"
#include "plua/translator.h"
#include "run/enginedebugger.h"
#include "run/lua40library.h"

#include <lua.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>
#include <utility>
#include <vector>

#include <locale.h>

// The engine keeps itself in the registry under this key's address, so C
// functions and the hook find it from the state alone.
static const char EngineKey = 0;
// Instructions between two looks at a stop request.
static constexpr int StopCheckInterval = EngineDebugger::CountInterval;
// Lua 4.0's stack of 1024 slots holds about a thousand calls of the
// smallest function and fewer of larger ones; deeper, a program overflows
// it. Counting calls, not slots, never refuses a program 4.0 runs.
static constexpr int CallDepthLimit = 1010;

struct PluaEngine::Private
{
    lua_State *L = nullptr;
    std::function<void(std::string_view)> sink;
    std::string source;                         // the loaded chunk's source name ("=name")
    bool loaded = false;                        // the chunk is on the stack, ready to run
    int failureLine = 0;                        // set by the message handler
    int stopLine = 0;                           // where the program was when the stop was seen
    int overflowDepth = 0;                      // of the call the stack had no room for
    std::string prefix;                         // of the names the translation added
    std::string storage;                        // the folder the file functions reach
    std::size_t used = 0;                       // bytes the state holds
    std::vector<std::pair<int, int>> callLines; // see plua::Translation
    std::vector<int> swappedOrderLines;         // see plua::Translation
    InstructionPace pace;                       // of a run held to a handheld's speed
    std::unique_ptr<EngineDebugger> debugger;
};

// What the hook and the message handler need of an engine.
struct PluaEngineAccess
{
    static const std::string &source(PluaEngine *e) { return e->d->source; }
    static void noteFailureLine(PluaEngine *e, int line) { e->d->failureLine = line; }
    static int &stopLine(PluaEngine *e) { return e->d->stopLine; }
    static InstructionPace &pace(PluaEngine *e) { return e->d->pace; }
    static double rate(PluaEngine *e) { return e->m_rate.load(); }
    static int &overflowDepth(PluaEngine *e) { return e->d->overflowDepth; }
    static const std::vector<std::pair<int, int>> &callLines(PluaEngine *e)
    {
        return e->d->callLines;
    }
    static EngineDebugger &debugger(PluaEngine *e) { return *e->d->debugger; }
};

namespace {

// Lua names a chunk in its messages by at most LUA_IDSIZE - 1 characters of
// its name: a long file name comes back cut short.
std::string nameInMessages(const std::string &source)
{
    return source.substr(1, LUA_IDSIZE - 1);
}

using CallLines = std::vector<std::pair<int, int>>;

// The line Lua 4.0 names for a call Lua 5.1 puts on `line`: where the call
// ends, for one over several lines.
int callEnd(const CallLines &calls, int line)
{
    const auto at = std::lower_bound(calls.begin(), calls.end(), std::pair(line, 0));
    return at != calls.end() && at->first == line ? at->second : line;
}

// Lua 4.0 counts the program's lines; the first frame of the program's own
// chunk on the stack from `firstLevel` on names the line an error happened
// on. When that frame stands at a call (`inCall`, or it called the library
// function that raised the error), a call over several lines is named by
// the line where it ends, as 4.0 names it.
// A call that overflowed the stack (at depth `overflowed`) has not
// started: its caller's call names the line.
int programLine(lua_State *L, const std::string &source, int firstLevel, bool inCall,
                const CallLines *calls, int overflowed = 0)
{
    lua_Debug ar;
    for (int level = firstLevel; lua_getstack(L, level, &ar); ++level) {
        if (overflowed > 0 && ar.i_ci == overflowed) {
            inCall = true;
            continue;
        }
        if (lua_getinfo(L, "Sl", &ar) && ar.currentline > 0 && source == ar.source) {
            if ((inCall || level > firstLevel) && calls)
                return callEnd(*calls, ar.currentline);
            return ar.currentline;
        }
    }
    return 0;
}

bool isCallError(lua_State *L, int index)
{
    const char *message = lua_type(L, index) == LUA_TSTRING ? lua_tostring(L, index) : nullptr;
    return message && std::strstr(message, "attempt to call") != nullptr;
}

int messageHandler(lua_State *L)
{
    PluaEngine *engine = PluaEngine::fromState(L);
    if (engine)
        PluaEngineAccess::noteFailureLine(
            engine, programLine(L, PluaEngineAccess::source(engine), 1, isCallError(L, 1),
                                &PluaEngineAccess::callLines(engine),
                                PluaEngineAccess::overflowDepth(engine)));
    // Where it was raised, as in Lua 4.0: the program's own _ERRORMESSAGE
    // hears of it before the stack unwinds.
    const int raisedAt = lua40::reportUncaught(L);
    if (engine && raisedAt > 0)
        PluaEngineAccess::noteFailureLine(engine, raisedAt);
    return 1;
}

// A run held to a handheld's speed waits here, in short steps so that a
// stop is seen at once.
void keepPace(PluaEngine &engine)
{
    InstructionPace &pace = PluaEngineAccess::pace(&engine);
    const double rate = PluaEngineAccess::rate(&engine);
    if (rate != pace.rate())
        pace.setRate(rate);
    if (rate <= 0)
        return;
    const auto now = InstructionPace::Clock::now();
    const auto until = now + pace.ran(StopCheckInterval, now);
    while (!engine.stopRequested()) {
        const auto left = until - InstructionPace::Clock::now();
        if (left <= InstructionPace::Clock::duration::zero())
            break;
        std::this_thread::sleep_for(
            std::min<InstructionPace::Clock::duration>(left, std::chrono::milliseconds(10)));
    }
}

// The depth of the running function's call (Lua 5.1 keeps it in the
// debug record's i_ci).
int callDepth(lua_State *L)
{
    lua_Debug here;
    return lua_getstack(L, 0, &here) ? here.i_ci : 0;
}

// The engine the running program's thread serves, found without a look in
// the registry on each line the debugger hooks.
thread_local lua_State *t_state = nullptr;
thread_local PluaEngine *t_engine = nullptr;

void stopHook(lua_State *L, lua_Debug *ar);

// Switches the call hook on or off, leaving the debugger's line and return
// hooks as they are.
void hookCalls(lua_State *L, bool on)
{
    const int mask = lua_gethookmask(L);
    lua_sethook(L, stopHook, on ? mask | LUA_MASKCALL : mask & ~LUA_MASKCALL, StopCheckInterval);
}

void stopHook(lua_State *L, lua_Debug *ar)
{
    PluaEngine *engine = L == t_state ? t_engine : PluaEngine::fromState(L);
    if (ar->event == LUA_HOOKCALL) {
        // Past Lua 4.0's depth: the call being made overflows the stack, on
        // the caller's line, as in 4.0. Else the program came back up first.
        const int depth = callDepth(L);
        if (depth > CallDepthLimit) {
            if (engine)
                PluaEngineAccess::overflowDepth(engine) = depth;
            luaL_where(L, 1);
            lua_pushliteral(L, "stack overflow");
            lua_concat(L, 2);
            lua_error(L);
        }
        hookCalls(L, false);
        return;
    }
    if (!engine)
        return;
    const bool counted = ar->event == LUA_HOOKCOUNT;
    if (ar->event == LUA_HOOKLINE) {
        PluaEngineAccess::debugger(engine).onLine(L, ar);
    } else if (ar->event == LUA_HOOKRET || ar->event == LUA_HOOKTAILRET) {
        PluaEngineAccess::debugger(engine).returned(L);
    } else {
        // Counting calls only when the program is deep costs nothing otherwise.
        if (callDepth(L) > CallDepthLimit)
            hookCalls(L, true);
        else
            PluaEngineAccess::overflowDepth(engine) = 0;
        if (!engine->stopRequested())
            PluaEngineAccess::debugger(engine).takeRequests(L);
    }
    if (engine->stopRequested()) {
        // The line where the program was, before a protected call of the
        // program passes the stop on from elsewhere.
        int &line = PluaEngineAccess::stopLine(engine);
        if (line == 0)
            line = programLine(L, PluaEngineAccess::source(engine), 0, false, nullptr);
        lua40::pushStopSignal(L);
        lua_error(L);
    }
    // The pace counts instructions, which only the count hook sees.
    if (counted)
        keepPace(*engine);
}

// Lua's allocator, counting what the state holds and refusing past the cap
// (a failed allocation is Lua's "not enough memory" error).
void *limitedAlloc(void *ud, void *block, std::size_t oldSize, std::size_t newSize)
{
    std::size_t &used = *static_cast<std::size_t *>(ud);
    if (newSize == 0) {
        std::free(block);
        used -= oldSize;
        return nullptr;
    }
    if (newSize > oldSize && used - oldSize + newSize > PluaEngine::MemoryLimit)
        return nullptr;
    void *grown = std::realloc(block, newSize);
    if (grown)
        used = used - oldSize + newSize;
    return grown;
}

int panic(lua_State *L)
{
    std::fprintf(stderr, "PANIC: unprotected error in call to Lua API (%s)\n",
                 lua_tostring(L, -1) ? lua_tostring(L, -1) : "?");
    return 0;
}

// Lua 4.0 reads, writes and compares numbers and text as in the C locale,
// whatever the desktop's: while the program runs, its thread (and only that
// thread) uses the C locale, so Lua 5.1's number formatting, its strtod and
// strcoll, and the character classes of patterns follow it. The editor's
// own threads keep the locale Qt set.
class CLocaleOnThisThread
{
public:
    CLocaleOnThisThread()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        if (c != locale_t(nullptr))
            m_previous = uselocale(c);
    }
    ~CLocaleOnThisThread()
    {
        if (m_previous != locale_t(nullptr))
            uselocale(m_previous);
    }
    CLocaleOnThisThread(const CLocaleOnThisThread &) = delete;
    CLocaleOnThisThread &operator=(const CLocaleOnThisThread &) = delete;

private:
    locale_t m_previous = locale_t(nullptr);
};

} // namespace

PluaEngine::PluaEngine() : d(std::make_unique<Private>())
{
    const CLocaleOnThisThread cLocale;
    d->L = lua_newstate(limitedAlloc, &d->used);
    lua_atpanic(d->L, panic);
    d->debugger = std::make_unique<EngineDebugger>(stopHook, d->source, d->prefix);
    d->sink = [](std::string_view text) { std::cout << text << std::flush; };
    lua_pushlightuserdata(d->L, const_cast<char *>(&EngineKey));
    lua_pushlightuserdata(d->L, this);
    lua_rawset(d->L, LUA_REGISTRYINDEX);
    lua_sethook(d->L, stopHook, LUA_MASKCOUNT, StopCheckInterval);
    lua40::open(d->L, this);
    // Lua 5.1's incremental collector with its default pause spends far more
    // time than 4.0's on programs that make many tables; a longer pause
    // brings them back to 4.0's speed.
    lua_gc(d->L, LUA_GCSETPAUSE, 400);
}

PluaEngine::~PluaEngine()
{
    lua_close(d->L);
}

lua_State *PluaEngine::state() const
{
    return d->L;
}

PluaEngine *PluaEngine::fromState(lua_State *L)
{
    lua_pushlightuserdata(L, const_cast<char *>(&EngineKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    auto *engine = static_cast<PluaEngine *>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return engine;
}

std::optional<PluaEngine::Failure> PluaEngine::load(std::string_view pluaSource,
                                                    const std::string &chunkName)
{
    if (d->loaded) {
        lua_pop(d->L, 1);
        d->loaded = false;
    }
    const CLocaleOnThisThread cLocale;
    // With breakpoints set, the functions that hold them check at entry
    // whether to hook lines (see EngineDebugger).
    const std::string text = plua::handheldText(pluaSource);
    const std::vector<int> checkLines = d->debugger->entryCheckLines(text);
    const bool entryChecks = !checkLines.empty();
    const plua::Translation t = plua::translate(text, entryChecks ? &checkLines : nullptr);
    if (!t.ok())
        return Failure{t.error->line, t.error->message};
    d->source = "=" + chunkName;
    d->prefix = t.prefix;
    d->callLines = t.callLines;
    d->swappedOrderLines = t.swappedOrderLines;
    if (luaL_loadbuffer(d->L, t.code.data(), t.code.size(), d->source.c_str()) != 0) {
        // The front end accepted the program, but it goes past a limit of
        // Lua 5.1 (200 variables left of one `=`, for one).
        std::string message = lua_tostring(d->L, -1) ? lua_tostring(d->L, -1) : "";
        lua_pop(d->L, 1);
        Failure f{0, message};
        const std::string name = nameInMessages(d->source);
        const std::size_t colon = message.find(':', name.size() + 1);
        if (message.compare(0, name.size() + 1, name + ":") == 0 && colon != std::string::npos) {
            f.line = std::atoi(message.c_str() + name.size() + 1);
            f.message = message.substr(std::min(message.size(), colon + 2));
        }
        f.message = "the desktop engine cannot run this: " + f.message;
        return f;
    }
    d->debugger->setFunctions(chunkFunctions(d->L), entryChecks);
    d->loaded = true;
    return std::nullopt;
}

std::optional<PluaEngine::Failure> PluaEngine::run()
{
    lua_State *L = d->L;
    if (!d->loaded)
        return Failure{0, "no program is loaded"};
    d->loaded = false;
    const CLocaleOnThisThread cLocale;
    lua40::beginRun(L, d->source, d->callLines, d->swappedOrderLines);
    const int chunk = lua_gettop(L);
    lua_pushcfunction(L, messageHandler);
    lua_insert(L, chunk);
    lua40::pushHelpers(L);
    d->failureLine = 0;
    d->stopLine = 0;
    d->debugger->prepareRun(L);
    t_state = L;
    t_engine = this;
    const int status = lua_pcall(L, 1, 0, chunk);
    t_state = nullptr;
    t_engine = nullptr;
    lua_remove(L, chunk); // the handler
    if (status == 0)
        return std::nullopt;

    Failure f;
    f.line = d->failureLine;
    int exitCode = 0;
    if (lua40::isStopSignal(L, -1)) {
        f.message = "stopped";
        if (d->stopLine > 0)
            f.line = d->stopLine;
    } else if (lua40::isExitSignal(L, -1, &exitCode)) {
        lua_pop(L, 1);
        if (exitCode == 0)
            return std::nullopt;
        return Failure{f.line, "exit(" + std::to_string(exitCode) + ")"};
    } else if (status == LUA_ERRMEM) {
        f.message = MemoryMessage;
    } else if (lua_type(L, -1) == LUA_TSTRING) {
        f.message = lua_tostring(L, -1);
    } else {
        f.message = std::string("error object is a ") + luaL_typename(L, -1) + " value";
    }
    lua_pop(L, 1);
    // Errors raised by the program's own code name its line in front of the
    // message; the line is kept apart.
    const std::string prefix = nameInMessages(d->source) + ":";
    if (f.message.compare(0, prefix.size(), prefix) == 0) {
        std::size_t p = prefix.size();
        while (p < f.message.size() && f.message[p] >= '0' && f.message[p] <= '9')
            ++p;
        if (p > prefix.size() && f.message.compare(p, 2, ": ") == 0) {
            // The handler found where the error was raised (the line that
            // ends a call over several lines, as 4.0 names it); the line in
            // the message is Lua 5.1's, for when it found none.
            if (f.line == 0)
                f.line = std::stoi(f.message.substr(prefix.size(), p - prefix.size()));
            f.message.erase(0, p + 2);
        }
    }
    // Caught and raised again by call or dostring, it is the same error.
    if (f.message == "not enough memory")
        f.message = MemoryMessage;
    else
        f.message = lua40::messageOf(plua::programMessage(f.message, d->prefix));
    return f;
}

void PluaEngine::requestStop()
{
    m_stop.store(true);
}

bool PluaEngine::stopRequested() const
{
    return m_stop.load();
}

void PluaEngine::setInstructionRate(double rate)
{
    m_rate.store(rate > 0 ? rate : 0);
}

void PluaEngine::setPauseHandler(std::function<DebugCommand(PausedProgram &)> handler)
{
    d->debugger->setHandler(std::move(handler));
}

void PluaEngine::setBreakpoints(std::vector<int> lines)
{
    d->debugger->setBreakpoints(std::move(lines));
}

void PluaEngine::requestPause()
{
    d->debugger->requestPause();
}

void PluaEngine::pauseIfRequested()
{
    d->debugger->pauseIfRequested(d->L);
}

void PluaEngine::setOutput(std::function<void(std::string_view)> sink)
{
    d->sink = std::move(sink);
}

void PluaEngine::output(std::string_view text) const
{
    if (d->sink)
        d->sink(text);
}

void PluaEngine::setStorageFolder(const std::string &folder)
{
    d->storage = folder;
}

const std::string &PluaEngine::storageFolder() const
{
    return d->storage;
}

int PluaEngine::currentLine(lua_State *L) const
{
    // Level 1 is the function asking (the library's reporter); the error was
    // raised below it, by a call when its message says so.
    return programLine(L, d->source, 2, isCallError(L, 1), &d->callLines, d->overflowDepth);
}

int PluaEngine::raise(lua_State *L, const char *message)
{
    PluaEngine *engine = fromState(L);
    const int line = engine ? programLine(L, engine->d->source, 1, true, &engine->d->callLines) : 0;
    if (line > 0)
        lua_pushfstring(L, "%s:%d: %s", engine->d->source.c_str() + 1, line, message);
    else
        lua_pushstring(L, message);
    return lua_error(L);
}
