// The C half of the Lua 4.0 library and the calls that open it on a Lua state.
#include "run/lua40library.h"
#include "run/lua40libraryscript.h"

#include "plua/translator.h"
#include "run/pluaengine.h"

#include <lua.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace lua40 {

namespace {

// Addresses used as unique keys and signal values.
const char StopSignal = 0;
const char ExitSignal = 0;
const char HelpersKey = 0;
const char ExitCodeKey = 0;

// A number as an int, held inside int's range (a plain cast of 2e9 is
// undefined).
int clampToInt(double x)
{
    // One short of each end, so n + 1 and n - 1 stay ints as well.
    if (!(x > INT_MIN + 1))
        return x != x ? 0 : INT_MIN + 1; // NaN counts as 0
    return x < INT_MAX - 1 ? static_cast<int>(x) : INT_MAX - 1;
}

int toInt(lua_State *L, int index)
{
    return clampToInt(luaL_checknumber(L, index));
}

// Shifting a table's items in C runs outside the instruction hook: a long
// shift looks at a stop request every so often itself.
void checkStopWhileShifting(lua_State *L, long long done)
{
    if ((done & 0xFFFF) != 0)
        return;
    if (PluaEngine *engine = PluaEngine::fromState(L); engine && engine->stopRequested()) {
        pushStopSignal(L);
        lua_error(L);
    }
}

// The realpath of `path`, or "" (a plain C buffer: this runs between Lua
// calls that may longjmp).
bool realPath(const char *path, char *out)
{
    return ::realpath(path, out) != nullptr;
}

bool inside(const char *path, const char *folder)
{
    const std::size_t n = std::strlen(folder);
    return std::strncmp(path, folder, n) == 0 && (path[n] == '/' || path[n] == '\0');
}

// confine(name, fname): the host path of the file `name` in the handheld's
// storage folder, for the file function `fname`. Names are relative to the
// folder; an absolute name, "..", a link that leads out of the folder or a
// device, FIFO or folder where a file should be is an error naming both.
int confine(lua_State *L)
{
    std::size_t length = 0;
    const char *name = luaL_checklstring(L, 1, &length);
    const char *fname = luaL_checkstring(L, 2);
    PluaEngine *engine = PluaEngine::fromState(L);
    const char *storage = engine ? engine->storageFolder().c_str() : "";
    const char *refusal = nullptr;
    char root[PATH_MAX];
    char resolved[PATH_MAX];
    if (storage[0] == '\0' || !realPath(storage, root))
        refusal = "the handheld's storage folder is not available";
    else if (length == 0 || std::strlen(name) != length)
        refusal = "not a file name";
    else if (name[0] == '/')
        refusal = "a program's files are in the handheld's storage: give a name inside it";
    if (!refusal) {
        // Component by component: ".." is refused, links are followed and
        // must stay inside the folder.
        lua_pushstring(L, root);
        const char *p = name;
        while (*p && !refusal) {
            const char *end = std::strchr(p, '/');
            const std::size_t n = end ? static_cast<std::size_t>(end - p) : std::strlen(p);
            if (n == 2 && p[0] == '.' && p[1] == '.') {
                refusal = "a program's files are in the handheld's storage: \"..\" leads out";
                break;
            }
            if (n > 0 && !(n == 1 && p[0] == '.')) {
                lua_pushliteral(L, "/");
                lua_pushlstring(L, p, n);
                lua_concat(L, 3);
                struct stat st;
                const char *sofar = lua_tostring(L, -1);
                if (::lstat(sofar, &st) == 0 && S_ISLNK(st.st_mode) &&
                    !(realPath(sofar, resolved) && inside(resolved, root)))
                    refusal = "a link that leads out of the handheld's storage";
            }
            p = end ? end + 1 : p + n;
        }
    }
    if (!refusal) {
        struct stat st;
        const char *full = lua_tostring(L, -1);
        if (::stat(full, &st) == 0 && !S_ISREG(st.st_mode))
            refusal = "not a file (devices, FIFOs and folders cannot be used)";
    }
    if (refusal) {
        lua_pushfstring(L, "`%s' cannot use \"%s\": %s", fname, name, refusal);
        return lua_error(L);
    }
    return 1;
}

// tmpname(): a name no file in the storage folder has yet.
int tempName(lua_State *L)
{
    PluaEngine *engine = PluaEngine::fromState(L);
    char pattern[PATH_MAX];
    const int length = std::snprintf(pattern, sizeof pattern, "%s/tmpXXXXXX",
                                     engine ? engine->storageFolder().c_str() : "");
    if (length <= 0 || length >= PATH_MAX)
        return 0;
    const int fd = ::mkstemp(pattern);
    if (fd < 0)
        return 0;
    ::close(fd);
    ::unlink(pattern);
    lua_pushstring(L, std::strrchr(pattern, '/') + 1);
    return 1;
}

// Writes to the program's _STDERR: the process's standard error, reached
// only through the library's own write.
int errorOutput(lua_State *L)
{
    std::size_t length = 0;
    const char *text = luaL_checklstring(L, 1, &length);
    std::fwrite(text, 1, length, stderr);
    return 0;
}

// a .. b .. c: strings as they are, numbers with 16 digits, anything else an
// error as in Lua 4.0.
int cat(lua_State *L)
{
    const int n = lua_gettop(L);
    for (int i = 1; i <= n; ++i) {
        const int type = lua_type(L, i);
        if (type == LUA_TNUMBER) {
            pushNumberText(L, lua_tonumber(L, i));
            lua_replace(L, i);
        } else if (type != LUA_TSTRING) {
            lua_pushfstring(L, "attempt to concat a %s value", lua_typename(L, type));
            return PluaEngine::raise(L, lua_tostring(L, -1));
        }
    }
    lua_concat(L, n);
    return 1;
}

int toString(lua_State *L)
{
    luaL_checkany(L, 1);
    switch (lua_type(L, 1)) {
    case LUA_TNUMBER:
        pushNumberText(L, lua_tonumber(L, 1));
        break;
    case LUA_TSTRING:
        lua_pushvalue(L, 1);
        break;
    case LUA_TNIL:
        lua_pushliteral(L, "nil");
        break;
    case LUA_TBOOLEAN:
        lua_pushstring(L, lua_toboolean(L, 1) ? "true" : "false");
        break;
    default:
        lua_pushfstring(L, "%s: %p", luaL_typename(L, 1), lua_topointer(L, 1));
        break;
    }
    return 1;
}

// Lua 4.0's getn: a number in t.n, otherwise the largest numeric key.
int getn(lua_State *L, int t)
{
    lua_pushliteral(L, "n");
    lua_rawget(L, t);
    if (lua_type(L, -1) == LUA_TNUMBER) {
        const int n = clampToInt(lua_tonumber(L, -1));
        lua_pop(L, 1);
        return n;
    }
    lua_pop(L, 1);
    double max = 0;
    lua_pushnil(L);
    while (lua_next(L, t) != 0) {
        lua_pop(L, 1);
        if (lua_type(L, -1) == LUA_TNUMBER && lua_tonumber(L, -1) > max)
            max = lua_tonumber(L, -1);
    }
    return clampToInt(max);
}

int getnFunction(lua_State *L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    lua_pushnumber(L, getn(L, 1));
    return 1;
}

// tinsert(t, [pos,] v) and tremove(t [, pos]) keep t.n as Lua 4.0 does.
int tinsert(lua_State *L)
{
    const int v = lua_gettop(L);
    luaL_checktype(L, 1, LUA_TTABLE);
    int n = getn(L, 1);
    const int pos = v == 2 ? n + 1 : toInt(L, 2);
    lua_pushliteral(L, "n");
    lua_pushnumber(L, n + 1);
    lua_rawset(L, 1);
    for (long long done = 0; n >= pos; --n) {
        checkStopWhileShifting(L, ++done);
        lua_rawgeti(L, 1, n);
        lua_rawseti(L, 1, n + 1);
    }
    lua_pushvalue(L, v);
    lua_rawseti(L, 1, pos);
    return 0;
}

int tremove(lua_State *L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    const int n = getn(L, 1);
    int pos = lua_isnoneornil(L, 2) ? n : toInt(L, 2);
    if (n <= 0)
        return 0;
    lua_rawgeti(L, 1, pos);
    for (long long done = 0; pos < n; ++pos) {
        checkStopWhileShifting(L, ++done);
        lua_rawgeti(L, 1, pos + 1);
        lua_rawseti(L, 1, pos);
    }
    lua_pushliteral(L, "n");
    lua_pushnumber(L, n - 1);
    lua_rawset(L, 1);
    lua_pushnil(L);
    lua_rawseti(L, 1, n);
    return 1;
}

int output(lua_State *L)
{
    std::size_t length = 0;
    const char *text = luaL_checklstring(L, 1, &length);
    if (PluaEngine *engine = PluaEngine::fromState(L))
        engine->output(std::string_view(text, length));
    return 0;
}

// load(source, chunkname): a Plua 1 chunk translated and loaded, or nil and
// the message of its syntax error.
int loadChunk(lua_State *L)
{
    std::size_t length = 0;
    const char *source = luaL_checklstring(L, 1, &length);
    const char *name = luaL_checkstring(L, 2);
    const plua::Translation t = plua::translate(std::string_view(source, length));
    if (!t.ok()) {
        lua_pushnil(L);
        lua_pushfstring(L, "%s:%d: %s", name + (name[0] == '=' ? 1 : 0), t.error->line,
                        t.error->message.c_str());
        return 2;
    }
    if (luaL_loadbuffer(L, t.code.data(), t.code.size(), name) != 0) {
        lua_pushnil(L);
        lua_insert(L, -2);
        return 2;
    }
    return 1;
}

int exitFunction(lua_State *L)
{
    const int code = lua_isnoneornil(L, 1) ? 0 : toInt(L, 1);
    lua_pushlightuserdata(L, const_cast<char *>(&ExitCodeKey));
    lua_pushnumber(L, code);
    lua_rawset(L, LUA_REGISTRYINDEX);
    lua_pushlightuserdata(L, const_cast<char *>(&ExitSignal));
    return lua_error(L);
}

// The message of an error without the "chunk:line: " that Lua 5.1 puts in
// front for the program's own code (Lua 4.0 messages have none).
int bareMessage(lua_State *L)
{
    if (lua_type(L, 1) != LUA_TSTRING) {
        lua_settop(L, 1);
        return 1;
    }
    const std::string message = lua_tostring(L, 1);
    const std::size_t colon = message.find(':');
    std::size_t p = colon == std::string::npos ? 0 : colon + 1;
    const std::size_t digits = p;
    while (p < message.size() && message[p] >= '0' && message[p] <= '9')
        ++p;
    if (colon != std::string::npos && p > digits && message.compare(p, 2, ": ") == 0 &&
        message.find('"') > colon)
        lua_pushstring(L, message.c_str() + p + 2);
    else
        lua_pushvalue(L, 1);
    return 1;
}

} // namespace

void pushNumberText(lua_State *L, double n)
{
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%.16g", n);
    lua_pushlstring(L, text, static_cast<std::size_t>(length));
}

void open(lua_State *L)
{
    luaL_openlibs(L);
    // The helper table, kept in the registry for every chunk that runs.
    lua_newtable(L);
    lua_pushlightuserdata(L, const_cast<char *>(&HelpersKey));
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);

    int status = 0;
    {
        // Freed before lua_error, which does not return.
        const std::string library = std::string(LibraryBase) + LibraryIo;
        status = luaL_loadbuffer(L, library.data(), library.size(), "=lua40");
    }
    if (status != 0)
        lua_error(L);
    lua_pushvalue(L, -2); // P
    lua_newtable(L);      // C
    const luaL_Reg functions[] = {
        {"cat", cat},         {"tostring", toString}, {"getn", getnFunction},
        {"tinsert", tinsert}, {"tremove", tremove},   {"out", output},
        {"load", loadChunk},  {"bare", bareMessage},  {"exitrun", exitFunction},
        {"confine", confine}, {"tmpname", tempName},  {"errout", errorOutput},
        {nullptr, nullptr},
    };
    for (const luaL_Reg *f = functions; f->name; ++f) {
        lua_pushcfunction(L, f->func);
        lua_setfield(L, -2, f->name);
    }
    lua_pushlightuserdata(L, const_cast<char *>(&StopSignal));
    lua_setfield(L, -2, "stop");
    lua_pushlightuserdata(L, const_cast<char *>(&ExitSignal));
    lua_setfield(L, -2, "exit");
    lua_pushlightuserdata(L, nullptr);
    lua_setfield(L, -2, "noresult");
    lua_call(L, 2, 1);
    lua_replace(L, LUA_GLOBALSINDEX);
    lua_pop(L, 1); // P
    // Lua 4.0's strings have no methods: Lua 5.1's string library is not
    // reachable through a string value.
    lua_pushliteral(L, "");
    lua_pushnil(L);
    lua_setmetatable(L, -2);
    lua_pop(L, 1);
}

void pushHelpers(lua_State *L)
{
    lua_pushlightuserdata(L, const_cast<char *>(&HelpersKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
}

void pushStopSignal(lua_State *L)
{
    lua_pushlightuserdata(L, const_cast<char *>(&StopSignal));
}

bool isStopSignal(lua_State *L, int index)
{
    return lua_touserdata(L, index) == &StopSignal;
}

bool isExitSignal(lua_State *L, int index, int *code)
{
    if (lua_touserdata(L, index) != &ExitSignal)
        return false;
    lua_pushlightuserdata(L, const_cast<char *>(&ExitCodeKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    *code = static_cast<int>(lua_tonumber(L, -1));
    lua_pop(L, 1);
    return true;
}

} // namespace lua40
