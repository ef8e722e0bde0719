// The Lua 4.0 string functions and print in C: argument checks that tell a
// missing argument from a nil one, 4.0's patterns on Lua 5.1's matcher, and
// 4.0's format.
#include "run/lua40library.h"

#include "run/pluaengine.h"

#include <lua.hpp>

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace lua40 {

namespace {

const char *typeName(lua_State *L, int i)
{
    return lua_isnone(L, i) ? "no value" : luaL_typename(L, i);
}

int argError(lua_State *L, int n, const char *fname, const std::string &why)
{
    lua_pushfstring(L, "bad argument #%d to `%s' (%s)", n, fname, why.c_str());
    return lua_error(L);
}

int typeError(lua_State *L, int n, const char *fname, const char *expected)
{
    return argError(L, n, fname, std::string(expected) + " expected, got " + typeName(L, n));
}

// A string argument; a number becomes its 4.0 text in place.
std::string_view checkStr(lua_State *L, int i, const char *fname)
{
    const int type = lua_type(L, i);
    if (type == LUA_TNUMBER) {
        pushNumberText(L, lua_tonumber(L, i));
        lua_replace(L, i);
    } else if (type != LUA_TSTRING) {
        typeError(L, i, fname, "string");
    }
    std::size_t length = 0;
    const char *s = lua_tolstring(L, i, &length);
    return {s, length};
}

double checkNum(lua_State *L, int i, const char *fname)
{
    if (!lua_isnumber(L, i))
        typeError(L, i, fname, "number");
    return lua_tonumber(L, i);
}

// A number as C's (long) cast gives it, without the undefined behaviour.
long toLong(double d)
{
    if (std::isnan(d) || d >= 9.2e18 || d <= -9.2e18)
        return LONG_MIN;
    return static_cast<long>(d);
}

// A number as C's (int) cast gives it on the handheld's and this machine's
// processors: out of range is INT_MIN.
int toInt(double d)
{
    if (std::isnan(d) || d >= 2147483648.0 || d <= -2147483649.0)
        return INT_MIN;
    return static_cast<int>(d);
}

long optLong(lua_State *L, int i, const char *fname, long fallback)
{
    return lua_isnone(L, i) ? fallback : toLong(checkNum(L, i, fname));
}

long relative(long pos, std::size_t length)
{
    return pos >= 0 ? pos : static_cast<long>(length) + pos + 1;
}

int strlenFn(lua_State *L)
{
    lua_pushnumber(L, static_cast<lua_Number>(checkStr(L, 1, "strlen").size()));
    return 1;
}

int strsubFn(lua_State *L)
{
    const std::string_view s = checkStr(L, 1, "strsub");
    long first = relative(toLong(checkNum(L, 2, "strsub")), s.size());
    long last = relative(optLong(L, 3, "strsub", -1), s.size());
    if (first < 1)
        first = 1;
    if (last > static_cast<long>(s.size()))
        last = static_cast<long>(s.size());
    if (first <= last)
        lua_pushlstring(L, s.data() + first - 1, static_cast<std::size_t>(last - first + 1));
    else
        lua_pushliteral(L, "");
    return 1;
}

int changeCase(lua_State *L, const char *fname, int (*change)(int))
{
    std::string s(checkStr(L, 1, fname));
    for (char &c : s)
        c = static_cast<char>(change(static_cast<unsigned char>(c)));
    lua_pushlstring(L, s.data(), s.size());
    return 1;
}

int strlowerFn(lua_State *L)
{
    return changeCase(L, "strlower", ::tolower);
}

int strupperFn(lua_State *L)
{
    return changeCase(L, "strupper", ::toupper);
}

int strrepFn(lua_State *L)
{
    const std::string_view s = checkStr(L, 1, "strrep");
    const long n = toLong(checkNum(L, 2, "strrep"));
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    for (long i = 0; i < n; ++i)
        luaL_addlstring(&b, s.data(), s.size());
    luaL_pushresult(&b);
    return 1;
}

int strbyteFn(lua_State *L)
{
    const std::string_view s = checkStr(L, 1, "strbyte");
    const long pos = relative(optLong(L, 2, "strbyte", 1), s.size());
    if (pos <= 0 || static_cast<std::size_t>(pos) > s.size())
        return argError(L, 2, "strbyte", "out of range");
    lua_pushnumber(L, static_cast<unsigned char>(s[static_cast<std::size_t>(pos) - 1]));
    return 1;
}

int strcharFn(lua_State *L)
{
    const int n = lua_gettop(L);
    std::string s;
    for (int i = 1; i <= n; ++i) {
        const int c = toInt(checkNum(L, i, "strchar"));
        if (c < 0 || c > 255)
            return argError(L, i, "strchar", "invalid value");
        s += static_cast<char>(c);
    }
    lua_pushlstring(L, s.data(), s.size());
    return 1;
}

// A Lua 4.0 pattern for Lua 5.1's matcher: the same but for `()`, which is
// an empty capture in 4.0 (its value the empty string) and a position in
// 5.1. Counts the captures too.
std::string patternFor51(std::string_view p, int *captures)
{
    std::string out;
    out.reserve(p.size() + 8);
    *captures = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char c = p[i];
        if (c == '%' && i + 1 < p.size()) {
            const char item = p[++i];
            if (item == 'f') {
                // No frontier in 4.0: %f is the letter.
                out += 'f';
            } else {
                out += c;
                out += item;
            }
            // %bxy: the two characters are what they are.
            if (item == 'b') {
                out.append(p.substr(i + 1, 2));
                i = std::min(i + 2, p.size());
            }
        } else if (c == '[') {
            // A set runs to the first `]` after its first character.
            const std::size_t begin = i;
            ++i;
            if (i < p.size() && p[i] == '^')
                ++i;
            do {
                if (i < p.size() && p[i] == '%')
                    ++i;
                ++i;
            } while (i < p.size() && p[i] != ']');
            out.append(p.substr(begin, std::min(i + 1, p.size()) - begin));
        } else if (c == '(' && i + 1 < p.size() && p[i + 1] == ')') {
            // Matches nothing, once: a capture of the empty string.
            out += "([^%z%Z]?)";
            ++i;
            ++*captures;
        } else {
            if (c == '(')
                ++*captures;
            out += c;
        }
    }
    return out;
}

bool hasSpecials(std::string_view p)
{
    return p.find_first_of("^$*+?.([%-") != std::string_view::npos;
}

// strfind(s, pattern [, init [, plain]]): any fourth argument, even nil,
// asks for a plain search. Upvalue 1: Lua 5.1's string.find.
int strfindFn(lua_State *L)
{
    const std::string_view s = checkStr(L, 1, "strfind");
    const std::string_view p = checkStr(L, 2, "strfind");
    const long init = relative(optLong(L, 3, "strfind", 1), s.size()) - 1;
    if (init < 0 || static_cast<std::size_t>(init) > s.size())
        return argError(L, 3, "strfind", "out of range");
    const bool plain = lua_gettop(L) > 3 || !hasSpecials(p);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    if (plain) {
        lua_pushvalue(L, 2);
    } else {
        int captures = 0;
        const std::string pattern = patternFor51(p, &captures);
        lua_pushlstring(L, pattern.data(), pattern.size());
    }
    lua_pushnumber(L, static_cast<lua_Number>(init + 1));
    lua_pushboolean(L, plain);
    const int base = lua_gettop(L) - 5;
    lua_call(L, 4, LUA_MULTRET);
    return lua_gettop(L) - base;
}

// The replacement function gsub hands Lua 5.1: calls the program's
// function with the captures (none when the pattern has none), and turns
// what it returns into the text 4.0 puts in: a string, a number's text, or
// nothing at all.
int gsubCall(lua_State *L)
{
    const bool captures = lua_toboolean(L, lua_upvalueindex(2)) != 0;
    if (!captures)
        lua_settop(L, 0);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, 1);
    if (lua_type(L, -1) == LUA_TNUMBER)
        pushNumberText(L, lua_tonumber(L, -1));
    else if (lua_type(L, -1) != LUA_TSTRING)
        lua_pushliteral(L, "");
    return 1;
}

int invalidCapture(lua_State *L)
{
    lua_pushliteral(L, "invalid capture index");
    return lua_error(L);
}

// gsub(s, pattern, replacement [, n]). Upvalue 1: Lua 5.1's string.gsub.
int gsubFn(lua_State *L)
{
    const std::string_view s = checkStr(L, 1, "gsub");
    const std::string_view p = checkStr(L, 2, "gsub");
    int captures = 0;
    const std::string pattern = patternFor51(p, &captures);
    const long most = optLong(L, 4, "gsub", static_cast<long>(s.size()) + 1);
    const int type = lua_type(L, 3);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    lua_pushlstring(L, pattern.data(), pattern.size());
    if (type == LUA_TSTRING || type == LUA_TNUMBER) {
        // %1..%9 name captures (an error, once something matches, when
        // there is no such capture); % before anything else is that thing.
        const std::string_view r = checkStr(L, 3, "gsub");
        std::string repl;
        bool invalid = false;
        for (std::size_t i = 0; i < r.size(); ++i) {
            if (r[i] != '%') {
                repl += r[i];
                continue;
            }
            if (++i == r.size())
                break;
            const char c = r[i];
            if (c >= '0' && c <= '9') {
                invalid = invalid || c == '0' || c - '0' > captures;
                repl += '%';
                repl += c;
            } else if (c == '%') {
                repl += "%%";
            } else {
                repl += c;
            }
        }
        if (invalid)
            lua_pushcfunction(L, invalidCapture);
        else
            lua_pushlstring(L, repl.data(), repl.size());
    } else if (type == LUA_TFUNCTION) {
        lua_pushvalue(L, 3);
        lua_pushboolean(L, captures > 0);
        lua_pushcclosure(L, gsubCall, 2);
    } else {
        return argError(L, 3, "gsub", "string or function expected");
    }
    lua_pushnumber(L, static_cast<lua_Number>(most));
    lua_call(L, 4, 2);
    return 2;
}

// %q: quotes, backslashes and line ends escaped, a zero byte as \000.
void addQuoted(std::string &out, std::string_view s)
{
    out += '"';
    for (const char c : s) {
        if (c == '"' || c == '\\' || c == '\n') {
            out += '\\';
            out += c;
        } else if (c == '\0') {
            out += "\\000";
        } else {
            out += c;
        }
    }
    out += '"';
}

int formatFn(lua_State *L)
{
    const std::string_view f = checkStr(L, 1, "format");
    std::string out;
    int arg = 1;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') {
            out += f[i];
            continue;
        }
        if (i + 1 < f.size() && f[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t p = i + 1;
        // `%n$`: the n-th value after the format, and on from there.
        if (p + 1 < f.size() && std::isdigit(static_cast<unsigned char>(f[p])) && f[p + 1] == '$') {
            arg = f[p] - '0';
            p += 2;
        }
        ++arg;
        std::string spec = "%";
        while (p < f.size() && std::strchr("-+ #0", f[p]) != nullptr)
            spec += f[p++];
        std::size_t digits = 0;
        while (p < f.size() && std::isdigit(static_cast<unsigned char>(f[p])) && ++digits)
            spec += f[p++];
        std::size_t precision = 0;
        bool hasPrecision = false;
        if (p < f.size() && f[p] == '.') {
            hasPrecision = true;
            spec += f[p++];
            while (p < f.size() && std::isdigit(static_cast<unsigned char>(f[p])) && ++precision)
                spec += f[p++];
        }
        if (digits > 2 || precision > 2 || spec.size() > 15) {
            lua_pushliteral(L, "invalid format (width or precision too long)");
            return lua_error(L);
        }
        const char conversion = p < f.size() ? f[p] : '\0';
        char buffer[512];
        int n = 0;
        switch (conversion) {
        case 'c':
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            spec += conversion;
            n = std::snprintf(buffer, sizeof buffer, spec.c_str(),
                              toInt(checkNum(L, arg, "format")));
            break;
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G':
            spec += conversion;
            n = std::snprintf(buffer, sizeof buffer, spec.c_str(), checkNum(L, arg, "format"));
            break;
        case 'q':
            addQuoted(out, checkStr(L, arg, "format"));
            break;
        case 's': {
            const std::string_view s = checkStr(L, arg, "format");
            if (!hasPrecision && s.size() >= 100) {
                out.append(s);
            } else {
                // As C's printf: the text ends at a zero byte.
                spec += 's';
                const std::string text(s.substr(0, s.find('\0')));
                n = std::snprintf(buffer, sizeof buffer, spec.c_str(), text.c_str());
            }
            break;
        }
        default:
            lua_pushliteral(L, "invalid option in `format'");
            return lua_error(L);
        }
        if (n > 0)
            out.append(buffer, std::min(static_cast<std::size_t>(n), sizeof buffer - 1));
        i = p;
    }
    lua_pushlstring(L, out.data(), out.size());
    return 1;
}

// tonumber(v [, base])
int tonumberFn(lua_State *L)
{
    const long base = optLong(L, 2, "tonumber", 10);
    if (base == 10) {
        luaL_checkany(L, 1);
        if (lua_isnumber(L, 1))
            lua_pushnumber(L, lua_tonumber(L, 1));
        else
            lua_pushnil(L);
        return 1;
    }
    const std::string s(checkStr(L, 1, "tonumber"));
    if (base < 2 || base > 36)
        return argError(L, 2, "tonumber", "base out of range");
    char *end = nullptr;
    const unsigned long n = std::strtoul(s.c_str(), &end, static_cast<int>(base));
    if (end != s.c_str()) {
        while (std::isspace(static_cast<unsigned char>(*end)))
            ++end;
        if (*end == '\0') {
            lua_pushnumber(L, static_cast<lua_Number>(n));
            return 1;
        }
    }
    lua_pushnil(L);
    return 1;
}

// print: each value through the program's tostring, up to a zero byte as
// C's fputs writes it, separated by tabs.
int printFn(lua_State *L)
{
    const int n = lua_gettop(L);
    std::string line;
    for (int i = 1; i <= n; ++i) {
        lua_getglobal(L, "tostring");
        lua_pushvalue(L, i);
        lua_call(L, 1, 1);
        const int type = lua_type(L, -1);
        if (type == LUA_TNUMBER) {
            pushNumberText(L, lua_tonumber(L, -1));
            lua_replace(L, -2);
        } else if (type != LUA_TSTRING) {
            lua_pushliteral(L, "`tostring' must return a string to `print'");
            return lua_error(L);
        }
        if (i > 1)
            line += '\t';
        line += lua_tostring(L, -1);
        lua_pop(L, 1);
    }
    line += '\n';
    if (PluaEngine *engine = PluaEngine::fromState(L))
        engine->output(line);
    return 0;
}

} // namespace

void addStringFunctions(lua_State *L, int table)
{
    if (table < 0)
        table = lua_gettop(L) + table + 1;
    const luaL_Reg plain[] = {
        {"strlen", strlenFn},     {"strsub", strsubFn}, {"strlower", strlowerFn},
        {"strupper", strupperFn}, {"strrep", strrepFn}, {"strbyte", strbyteFn},
        {"strchar", strcharFn},   {"format", formatFn}, {"tonumber", tonumberFn},
        {"print", printFn},       {nullptr, nullptr},
    };
    for (const luaL_Reg *f = plain; f->name; ++f) {
        lua_pushcfunction(L, f->func);
        lua_setfield(L, table, f->name);
    }
    lua_getglobal(L, "string");
    lua_getfield(L, -1, "find");
    lua_pushcclosure(L, strfindFn, 1);
    lua_setfield(L, table, "strfind");
    lua_getfield(L, -1, "gsub");
    lua_pushcclosure(L, gsubFn, 1);
    lua_setfield(L, table, "gsub");
    lua_pop(L, 1);
}

} // namespace lua40
