// The C half of the Lua 4.0 library and the calls that open it on a Lua state.
#include "run/lua40library.h"
#include "run/lua40libraryscript.h"

#include "plua/translator.h"

#include <lua.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace lua40 {

namespace {

// Addresses used as unique keys and signal values.
const char StopSignal = 0;
const char ExitSignal = 0;
const char HelpersKey = 0;
const char ExitCodeKey = 0;
const char ServicesKey = 0;
const char StoresKey = 0;

// A number as an int, held inside int's range (a plain cast of 2e9 is
// undefined).
int clampToInt(double x)
{
    // One short of each end, so n + 1 and n - 1 stay ints as well.
    if (!(x > INT_MIN + 1))
        return x != x ? 0 : INT_MIN + 1; // NaN counts as 0
    return x < INT_MAX - 1 ? static_cast<int>(x) : INT_MAX - 1;
}

// Shifting a table's items in C runs outside the instruction hook: a long
// shift looks at a stop request every so often itself.
void checkStopWhileShifting(lua_State *L, long long done)
{
    if ((done & 0xFFFF) != 0)
        return;
    if (const RunServices *run = servicesOf(L); run && run->stopRequested()) {
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
    const RunServices *run = servicesOf(L);
    const char *storage = run ? run->storageFolder().c_str() : "";
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
    const RunServices *run = servicesOf(L);
    char pattern[PATH_MAX];
    const int length = std::snprintf(pattern, sizeof pattern, "%s/tmpXXXXXX",
                                     run ? run->storageFolder().c_str() : "");
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

// Argument checks whose messages name the function as 4.0 does, however
// it is called (Lua 5.1 names it after the variable it was called through).
[[noreturn]] void argumentError(lua_State *L, int i, const char *fname, const char *expected)
{
    lua_pushfstring(L, "bad argument #%d to `%s' (%s expected, got %s)", i, fname, expected,
                    lua_isnone(L, i) ? "no value" : luaL_typename(L, i));
    lua_error(L);
    std::abort(); // lua_error does not return
}

void checkTable(lua_State *L, int i, const char *fname)
{
    if (lua_type(L, i) != LUA_TTABLE)
        argumentError(L, i, fname, "table");
}

// named(name, arity, f): Lua 5.1's C function f behind checks that its
// first `arity` arguments (all, and at least one, for -1) are numbers.
int namedCall(lua_State *L)
{
    const char *name = lua_tostring(L, lua_upvalueindex(1));
    const int arity = static_cast<int>(lua_tonumber(L, lua_upvalueindex(2)));
    const int count = arity < 0 ? std::max(1, lua_gettop(L)) : arity;
    for (int i = 1; i <= count; ++i) {
        if (!lua_isnumber(L, i))
            argumentError(L, i, name, "number");
    }
    return lua_tocfunction(L, lua_upvalueindex(3))(L);
}

int named(lua_State *L)
{
    luaL_checkstring(L, 1);
    luaL_checknumber(L, 2);
    if (!lua_iscfunction(L, 3))
        return luaL_argerror(L, 3, "C function expected");
    lua_settop(L, 3);
    lua_pushcclosure(L, namedCall, 3);
    return 1;
}

int checkInt(lua_State *L, int i, const char *fname)
{
    if (!lua_isnumber(L, i))
        argumentError(L, i, fname, "number");
    return clampToInt(lua_tonumber(L, i));
}

bool isText(lua_State *L, int i)
{
    const int type = lua_type(L, i);
    return type == LUA_TSTRING || type == LUA_TNUMBER;
}

// a .. b .. c from `first` on, from the right: strings as they are,
// numbers with 16 digits, a table with a concat tag method through it,
// anything else an error as in Lua 4.0, naming the operand by `names` (what
// Lua 4.0 calls each, separated by |) when there are names.
int concatenate(lua_State *L, int first, std::string_view names)
{
    const int top = lua_gettop(L);
    int n = top;
    while (n > first) {
        if (isText(L, n - 1) && isText(L, n)) {
            // The longest run of texts at the end, joined at once.
            int from = n - 1;
            while (from > first && isText(L, from - 1))
                --from;
            for (int i = from; i <= n; ++i) {
                if (lua_type(L, i) == LUA_TNUMBER) {
                    pushNumberText(L, lua_tonumber(L, i));
                    lua_replace(L, i);
                }
            }
            lua_concat(L, n - from + 1);
            n = from;
            continue;
        }
        const int culprit = isText(L, n - 1) ? n : n - 1;
        if (!luaL_getmetafield(L, n - 1, "__concat") && !luaL_getmetafield(L, n, "__concat")) {
            // Only an operand as written has a name: n is one while nothing
            // after it has been joined.
            std::string_view name;
            if (culprit < n || n == top) {
                std::string_view rest = names;
                for (int i = first; i < culprit && !rest.empty(); ++i) {
                    const std::size_t bar = rest.find('|');
                    rest =
                        bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
                }
                name = rest.substr(0, rest.find('|'));
            }
            // Errors leave by longjmp: the message is made and pushed first.
            if (name.empty())
                lua_pushfstring(L, "attempt to concat a %s value", luaL_typename(L, culprit));
            else
                lua_pushfstring(L, "attempt to concat %s (a %s value)", std::string(name).c_str(),
                                luaL_typename(L, culprit));
            return lua_error(L);
        }
        lua_pushvalue(L, n - 1);
        lua_pushvalue(L, n);
        lua_call(L, 2, 1);
        lua_replace(L, n - 1);
        lua_settop(L, n - 1);
        --n;
    }
    if (n == first && lua_type(L, first) == LUA_TNUMBER) {
        pushNumberText(L, lua_tonumber(L, first));
        lua_replace(L, first);
    }
    return 1;
}

int cat(lua_State *L)
{
    return concatenate(L, 1, {});
}

// catd(names, a, b, ...): cat with the names of the operands.
int catd(lua_State *L)
{
    std::size_t length = 0;
    const char *names = lua_tolstring(L, 1, &length);
    return concatenate(L, 2, std::string_view(names ? names : "", length));
}

int toString(lua_State *L)
{
    if (lua_isnone(L, 1)) {
        lua_pushliteral(L, "bad argument #1 to `tostring' (value expected)");
        return lua_error(L);
    }
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
    case LUA_TUSERDATA:
    case LUA_TLIGHTUSERDATA: {
        // Lua 4.0 names a userdata's tag, which the library knows.
        pushHelpers(L);
        lua_getfield(L, -1, "tag");
        lua_pushvalue(L, 1);
        lua_call(L, 1, 1);
        const int tag = static_cast<int>(lua_tonumber(L, -1));
        lua_pop(L, 2);
        lua_pushfstring(L, "userdata(%d): %p", tag, lua_topointer(L, 1));
        break;
    }
    default:
        lua_pushfstring(L, "%s: %p", luaL_typename(L, 1), lua_topointer(L, 1));
        break;
    }
    return 1;
}

// Puts the store of the table at `i` (an index from the bottom), if it has
// one, in its place on the stack.
void lookThrough(lua_State *L, int i)
{
    if (!lua_getmetatable(L, i))
        return;
    lua_pop(L, 1);
    pushContents(L, i);
    lua_replace(L, i);
}

// rawget, rawset and next: Lua 5.1's, through a store, and refusing a nil
// index as Lua 4.0 does.
int rawGet(lua_State *L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    luaL_checkany(L, 2);
    lua_settop(L, 2);
    if (lua_isnil(L, 2))
        return luaL_error(L, "table index is nil");
    lookThrough(L, 1);
    lua_rawget(L, 1);
    return 1;
}

int rawSet(lua_State *L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    luaL_checkany(L, 2);
    luaL_checkany(L, 3);
    lua_settop(L, 3);
    lua_pushvalue(L, 1); // the answer: the table, not its store
    lookThrough(L, 1);
    lua_pushvalue(L, 2);
    lua_pushvalue(L, 3);
    lua_rawset(L, 1);
    return 1;
}

int nextFunction(lua_State *L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    lua_settop(L, 2);
    lookThrough(L, 1);
    if (lua_next(L, 1))
        return 2;
    lua_pushnil(L);
    return 1;
}

// a < b, a > b, a <= b and a >= b as Lua 4.0 orders two values: numbers and
// strings by value, anything else by the library's lt dispatch (upvalue
// 1); 1 or nil. Upvalue 2 says which comparison.
int orderCall(lua_State *L)
{
    lua_settop(L, 2);
    const int kind = static_cast<int>(lua_tonumber(L, lua_upvalueindex(2)));
    const bool swapped = kind == 1 || kind == 2; // a > b and a <= b ask b < a
    const int x = swapped ? 2 : 1;
    const int y = swapped ? 1 : 2;
    const int type = lua_type(L, x);
    bool less = false;
    if (type == lua_type(L, y) && type == LUA_TNUMBER) {
        less = lua_tonumber(L, x) < lua_tonumber(L, y);
    } else if (type == lua_type(L, y) && type == LUA_TSTRING) {
        less = lua_lessthan(L, x, y) != 0;
    } else {
        // The first operand's own lt method, found at once; anything else
        // through the dispatch.
        lua_pushnil(L);
        if (lua_getmetatable(L, x)) {
            lua_getfield(L, -1, "__ltm");
            lua_remove(L, -2);
            lua_remove(L, -2);
        }
        if (lua_isfunction(L, -1)) {
            lua_pushvalue(L, x);
            lua_pushvalue(L, y);
            lua_pushliteral(L, "lt");
            lua_call(L, 3, 1);
            less = !lua_isnil(L, -1);
        } else {
            lua_pop(L, 1);
            lua_pushvalue(L, lua_upvalueindex(1));
            lua_pushvalue(L, x);
            lua_pushvalue(L, y);
            lua_pushboolean(L, swapped); // 4.0 names a and b as written
            lua_call(L, 3, 1);
            less = lua_toboolean(L, -1) != 0;
        }
    }
    if (less != (kind >= 2))
        lua_pushnumber(L, 1);
    else
        lua_pushnil(L);
    return 1;
}

// order(lt): the helpers for <, >, <= and >= over the dispatch lt.
int order(lua_State *L)
{
    luaL_checktype(L, 1, LUA_TFUNCTION);
    for (int kind = 0; kind < 4; ++kind) {
        lua_pushvalue(L, 1);
        lua_pushnumber(L, kind);
        lua_pushcclosure(L, orderCall, 2);
    }
    return 4;
}

// maker(mt): a function that gives the table it is given the metatable mt.
int makerCall(lua_State *L)
{
    lua_settop(L, 1);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_setmetatable(L, 1);
    return 1;
}

int maker(lua_State *L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    lua_settop(L, 1);
    lua_pushcclosure(L, makerCall, 1);
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
    checkTable(L, 1, "getn");
    lookThrough(L, 1);
    lua_pushnumber(L, getn(L, 1));
    return 1;
}

// tinsert(t, [pos,] v) and tremove(t [, pos]) keep t.n as Lua 4.0 does.
int tinsert(lua_State *L)
{
    const int v = lua_gettop(L);
    checkTable(L, 1, "tinsert");
    lookThrough(L, 1);
    int n = getn(L, 1);
    const int pos = v == 2 ? n + 1 : checkInt(L, 2, "tinsert");
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
    checkTable(L, 1, "tremove");
    lookThrough(L, 1);
    const int n = getn(L, 1);
    int pos = lua_isnoneornil(L, 2) ? n : checkInt(L, 2, "tremove");
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

// Whether t[1..n] has no holes and Lua 5.1 counts n elements in it, so
// that its own sort can work on t in place.
// keep(...): its arguments, as a call that is not a tail call gives them.
int keepResults(lua_State *L)
{
    return lua_gettop(L);
}

int lineHere(lua_State *L)
{
    const RunServices *run = servicesOf(L);
    lua_pushnumber(L, run ? run->currentLine(L) : 0);
    return 1;
}

// twin(f): a C function without upvalues doing what f does without being
// f, for the library's own use of one the program also sees (tracebacks
// tell them apart by identity).
int twin(lua_State *L)
{
    const lua_CFunction f = lua_tocfunction(L, 1);
    if (!f || lua_getupvalue(L, 1, 1))
        return luaL_argerror(L, 1, "C function without upvalues expected");
    lua_pushcfunction(L, f);
    return 1;
}

// keyof(t, v): the first string key of t whose value is v, or nothing.
int keyOf(lua_State *L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    lua_settop(L, 2);
    lua_pushnil(L);
    while (lua_next(L, 1) != 0) {
        if (lua_type(L, -2) == LUA_TSTRING && lua_rawequal(L, -1, 2)) {
            lua_pop(L, 1);
            return 1;
        }
        lua_pop(L, 1);
    }
    return 0;
}

int plainArray(lua_State *L)
{
    const int n = static_cast<int>(lua_tonumber(L, 2));
    bool plain = static_cast<int>(lua_objlen(L, 1)) == n;
    for (int i = 1; plain && i <= n; ++i) {
        lua_rawgeti(L, 1, i);
        plain = !lua_isnil(L, -1);
        lua_pop(L, 1);
    }
    lua_pushboolean(L, plain);
    return 1;
}

int output(lua_State *L)
{
    std::size_t length = 0;
    const char *text = luaL_checklstring(L, 1, &length);
    if (const RunServices *run = servicesOf(L))
        run->output(std::string_view(text, length));
    return 0;
}

// How Lua 4.0's compiler names a chunk in a syntax error: "@name" is the
// file `name', anything else the string, each cut to fit 80 bytes.
std::string syntaxChunkName(std::string_view label)
{
    constexpr std::size_t Room = 80;
    if (!label.empty() && label[0] == '@') {
        label.remove_prefix(1);
        constexpr std::size_t Keep = Room - sizeof("file `...%s'");
        if (label.size() > Keep)
            return "file `..." + std::string(label.substr(label.size() - Keep)) + "'";
        return "file `" + std::string(label) + "'";
    }
    constexpr std::size_t Keep = Room - sizeof("string \"%.*s...\"");
    const std::size_t line = std::min({label.find('\n'), label.size(), Keep});
    if (line < label.size())
        return "string \"" + std::string(label.substr(0, line)) + "...\"";
    return "string \"" + std::string(label) + "\"";
}

// What the traceback and the error reporter need of a chunk's translation,
// as two tables: where each call over several lines ends, by the line it
// starts on, and the set of lines whose refused comparisons Lua 5.1 names
// the other way round (see plua::Translation).
void pushLineTables(lua_State *L, const std::vector<std::pair<int, int>> &callLines,
                    const std::vector<int> &swappedOrderLines)
{
    lua_createtable(L, 0, static_cast<int>(callLines.size()));
    for (const auto &[line, end] : callLines) {
        lua_pushnumber(L, end);
        lua_rawseti(L, -2, line);
    }
    lua_createtable(L, 0, static_cast<int>(swappedOrderLines.size()));
    for (const int line : swappedOrderLines) {
        lua_pushboolean(L, 1);
        lua_rawseti(L, -2, line);
    }
}

// load(source, chunkname, label): a Plua 1 chunk translated and loaded, or
// nil and the message of its syntax error, whole as Lua 4.0 gives it to a
// handler, naming the chunk by `label` (see syntaxChunkName).
int loadChunk(lua_State *L)
{
    std::size_t length = 0;
    const char *source = luaL_checklstring(L, 1, &length);
    const char *name = luaL_checkstring(L, 2);
    std::size_t labelLength = 0;
    const char *label = luaL_checklstring(L, 3, &labelLength);
    // A chunk loaded after the program set tag methods runs as one that
    // sets them (see plua::translate).
    const plua::Translation t =
        plua::translate(std::string_view(source, length), nullptr, lua_toboolean(L, 4) != 0);
    if (!t.ok()) {
        lua_pushnil(L);
        const std::string message =
            plua::lastTokenRead(*t.error, syntaxChunkName(std::string_view(label, labelLength)));
        lua_pushlstring(L, message.data(), message.size());
        return 2;
    }
    if (luaL_loadbuffer(L, t.code.data(), t.code.size(), name) != 0) {
        lua_pushnil(L);
        lua_insert(L, -2);
        return 2;
    }
    pushLineTables(L, t.callLines, t.swappedOrderLines);
    return 3;
}

int exitFunction(lua_State *L)
{
    const int code = lua_isnoneornil(L, 1) ? 0 : checkInt(L, 1, "exit");
    lua_pushlightuserdata(L, const_cast<char *>(&ExitCodeKey));
    lua_pushnumber(L, code);
    lua_rawset(L, LUA_REGISTRYINDEX);
    lua_pushlightuserdata(L, const_cast<char *>(&ExitSignal));
    return lua_error(L);
}

// The message of an error as Lua 4.0 words it (see messageOf).
int bareMessage(lua_State *L)
{
    if (lua_type(L, 1) != LUA_TSTRING) {
        lua_settop(L, 1);
        return 1;
    }
    const std::string message = messageOf(lua_tostring(L, 1));
    lua_pushlstring(L, message.data(), message.size());
    return 1;
}

void replaceAll(std::string &s, const std::string &from, const std::string &to)
{
    for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
        s.replace(p, from.size(), to);
}

// The length of a "chunk:line: " in front of a message, or 0.
std::size_t positionLength(const std::string &message)
{
    std::size_t colon = message.find(": ");
    while (colon != std::string::npos) {
        std::size_t digits = colon;
        while (digits > 0 && message[digits - 1] >= '0' && message[digits - 1] <= '9')
            --digits;
        if (digits < colon && digits > 0 && message[digits - 1] == ':')
            return colon + 2;
        if (message.compare(0, 8, "string \"") != 0)
            return 0;
        colon = message.find(": ", colon + 1);
    }
    return 0;
}

} // namespace

std::string messageOf(std::string message)
{
    const std::size_t position = positionLength(message);
    static const char *const fromLua51[] = {
        "bad argument #",     "malformed pattern", "invalid ", "attempt to ", "missing ",
        "unfinished capture", "C stack overflow",  "'for' ",   "'tostring' "};
    bool ours = position > 0;
    message.erase(0, position);
    for (const char *start : fromLua51)
        ours = ours || message.compare(0, std::strlen(start), start) == 0;
    if (!ours)
        return message;
    if (message == "C stack overflow")
        return "stack overflow";
    replaceAll(message, "attempt to concatenate", "attempt to concat");
    // 4.0 names no upvalue and no field it cannot name.
    for (const char *unnamed : {"upvalue '", "field '?' "}) {
        for (std::size_t p = message.find(unnamed); p != std::string::npos;
             p = message.find(unnamed, p)) {
            const std::size_t open = message.find('(', p);
            const std::size_t close = message.find(')', open);
            if (open == std::string::npos || close == std::string::npos)
                break;
            message.replace(p, close + 1 - p, message.substr(open + 1, close - open - 1));
        }
    }
    replaceAll(message, "call method '", "call field '");
    replaceAll(message, "invalid key to 'next'", "invalid key for 'next'");
    // 'name' becomes `name'.
    for (std::size_t p = message.find('\''); p != std::string::npos;) {
        const std::size_t end = message.find('\'', p + 1);
        if (end == std::string::npos)
            break;
        message[p] = '`';
        p = message.find('\'', end + 1);
    }
    return message;
}

namespace {

const char NoMessage = 0;

} // namespace

void pushNumberText(lua_State *L, double n)
{
    // What printf's "%.16g" writes; to_chars gives the same text without
    // printf's cost, which numbers in concatenations and print pay often.
    char text[32];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, n, std::chars_format::general, 16);
    lua_pushlstring(L, text, static_cast<std::size_t>(r.ptr - text));
}

void pushContents(lua_State *L, int index)
{
    lua_pushlightuserdata(L, const_cast<char *>(&StoresKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    lua_pushvalue(L, index);
    lua_rawget(L, -2);
    lua_remove(L, -2);
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        lua_pushvalue(L, index);
    }
}

const RunServices *servicesOf(lua_State *L)
{
    lua_pushlightuserdata(L, const_cast<char *>(&ServicesKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    const auto *run = static_cast<const RunServices *>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return run;
}

void open(lua_State *L, const RunServices *run)
{
    lua_pushlightuserdata(L, const_cast<char *>(&ServicesKey));
    lua_pushlightuserdata(L, const_cast<RunServices *>(run));
    lua_rawset(L, LUA_REGISTRYINDEX);
    luaL_openlibs(L);
    // The helper table, kept in the registry for every chunk that runs.
    // The library's chunk name starts with '@', a program's chunks' with
    // '=': a traceback tells the library's frames by it.
    lua_newtable(L);
    lua_pushlightuserdata(L, const_cast<char *>(&HelpersKey));
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
    // The stores of tables (see lookThrough), by table, held no longer than
    // their tables.
    lua_pushlightuserdata(L, const_cast<char *>(&StoresKey));
    lua_newtable(L);
    lua_newtable(L);
    lua_pushliteral(L, "k");
    lua_setfield(L, -2, "__mode");
    lua_setmetatable(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);

    const std::string_view library = libraryScript();
    if (luaL_loadbuffer(L, library.data(), library.size(), "@lua40") != 0)
        lua_error(L);
    lua_pushvalue(L, -2); // P
    lua_newtable(L);      // C
    const luaL_Reg functions[] = {
        {"cat", cat},
        {"catd", catd},
        {"keep", keepResults},
        {"named", named},
        {"tostring", toString},
        {"getn", getnFunction},
        {"tinsert", tinsert},
        {"tremove", tremove},
        {"rawget", rawGet},
        {"rawset", rawSet},
        {"next", nextFunction},
        {"order", order},
        {"maker", maker},
        {"out", output},
        {"load", loadChunk},
        {"bare", bareMessage},
        {"exitrun", exitFunction},
        {"plainarray", plainArray},
        {"line", lineHere},
        {"twin", twin},
        {"keyof", keyOf},
        {"confine", confine},
        {"tmpname", tempName},
        {"errout", errorOutput},
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
    lua_pushlightuserdata(L, const_cast<char *>(&NoMessage));
    lua_setfield(L, -2, "nomessage");
    lua_pushlightuserdata(L, const_cast<char *>(&StoresKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    lua_setfield(L, -2, "stores");
    addStringFunctions(L, -1);
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

int reportUncaught(lua_State *L)
{
    pushHelpers(L);
    lua_getfield(L, -1, "report");
    lua_remove(L, -2);
    lua_insert(L, -2);
    if (lua_pcall(L, 1, 2, 0) != 0) {
        lua_pop(L, 1);
        lua_pushliteral(L, "error in error handling");
        return 0;
    }
    const int line = static_cast<int>(lua_tonumber(L, -1));
    lua_pop(L, 1);
    return line;
}

void beginRun(lua_State *L, const std::string &source,
              const std::vector<std::pair<int, int>> &callLines,
              const std::vector<int> &swappedOrderLines)
{
    pushHelpers(L);
    lua_getfield(L, -1, "begin");
    lua_remove(L, -2);
    lua_pushlstring(L, source.data(), source.size());
    pushLineTables(L, callLines, swappedOrderLines);
    // Only memory can fail here: tracebacks then know fewer of the library's
    // functions, and the run goes on.
    if (lua_pcall(L, 3, 0, 0) != 0)
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
