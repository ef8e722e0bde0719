// The Lua 4.0 string functions and print in C: argument checks that tell a
// missing argument from a nil one, 4.0's patterns, and 4.0's format.
#include "run/lua40library.h"

#include <lua.hpp>

#include <array>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace lua40 {

namespace {

// Character classes of the C locale, which Lua 4.0 runs in: a table, as
// the <cctype> functions look the thread's locale up on every character.
namespace ascii {
enum : std::uint8_t {
    Alpha = 1,
    Cntrl = 2,
    Digit = 4,
    Lower = 8,
    Punct = 16,
    Space = 32,
    Upper = 64,
    Xdigit = 128,
};
constexpr std::array<std::uint8_t, 256> Classes = [] {
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 128; ++c) {
        std::uint8_t k = 0;
        const bool lower = c >= 'a' && c <= 'z';
        const bool upper = c >= 'A' && c <= 'Z';
        const bool digit = c >= '0' && c <= '9';
        if (lower)
            k |= Lower | Alpha;
        if (upper)
            k |= Upper | Alpha;
        if (digit)
            k |= Digit | Xdigit;
        if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))
            k |= Xdigit;
        if (c < 32 || c == 127)
            k |= Cntrl;
        if (c == ' ' || (c >= '\t' && c <= '\r'))
            k |= Space;
        if (c > 32 && c < 127 && !lower && !upper && !digit)
            k |= Punct;
        t[static_cast<std::size_t>(c)] = k;
    }
    return t;
}();
// The classes a pattern's %x names, by its letter in either case.
constexpr std::array<std::uint8_t, 256> Named = [] {
    std::array<std::uint8_t, 256> t{};
    const std::pair<char, std::uint8_t> names[] = {
        {'a', Alpha}, {'c', Cntrl}, {'d', Digit},         {'l', Lower}, {'p', Punct},
        {'s', Space}, {'u', Upper}, {'w', Alpha | Digit}, {'x', Xdigit}};
    for (const auto &[letter, mask] : names) {
        t[static_cast<unsigned char>(letter)] = mask;
        t[static_cast<unsigned char>(letter - 'a' + 'A')] = mask;
    }
    return t;
}();
inline bool is(int c, unsigned mask)
{
    return (Classes[static_cast<unsigned char>(c)] & mask) != 0;
}
inline int lower(int c)
{
    return is(c, Upper) ? c - 'A' + 'a' : c;
}
inline int upper(int c)
{
    return is(c, Lower) ? c - 'a' + 'A' : c;
}
} // namespace ascii

const char *typeName(lua_State *L, int i)
{
    return lua_isnone(L, i) ? "no value" : luaL_typename(L, i);
}

// Errors leave by longjmp: nothing with a destructor may be alive then.
int argError(lua_State *L, int n, const char *fname, const char *why)
{
    lua_pushfstring(L, "bad argument #%d to `%s' (%s)", n, fname, why);
    return lua_error(L);
}

int typeError(lua_State *L, int n, const char *fname, const char *expected)
{
    lua_pushfstring(L, "bad argument #%d to `%s' (%s expected, got %s)", n, fname, expected,
                    typeName(L, n));
    return lua_error(L);
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
    return changeCase(L, "strlower", ascii::lower);
}

int strupperFn(lua_State *L)
{
    return changeCase(L, "strupper", ascii::upper);
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
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    for (int i = 1; i <= n; ++i) {
        const int c = toInt(checkNum(L, i, "strchar"));
        if (c < 0 || c > 255)
            return argError(L, i, "strchar", "invalid value");
        luaL_addchar(&b, static_cast<char>(c));
    }
    luaL_pushresult(&b);
    return 1;
}

// Lua 4.0's patterns, matched here rather than by Lua 5.1's matcher, whose
// patterns differ: `()` is an empty capture (its value the empty string),
// %f is the letter f, a pattern ends at a zero byte, and a `)` that closes
// nothing makes the match fail.
class Matcher
{
public:
    static constexpr int MaxCaptures = 32;

    Matcher(lua_State *L, std::string_view subject, const char *pattern)
        : m_L(L), m_end(subject.data() + subject.size()),
          m_patternEnd(pattern + std::strlen(pattern))
    {}

    // Where a match of `p` at `s` ends, or nullptr.
    const char *match(const char *s, const char *p)
    {
        m_level = 0;
        m_depth = 0;
        return doMatch(s, p);
    }
    int captures() const { return m_level; }
    // Pushes capture i (from 0).
    void pushCapture(int i)
    {
        if (i < 0 || i >= m_level)
            fail("invalid capture index");
        if (m_capture[i].length < 0)
            fail("unfinished capture");
        lua_pushlstring(m_L, m_capture[i].begin, static_cast<std::size_t>(m_capture[i].length));
    }
    void pushCaptures()
    {
        luaL_checkstack(m_L, m_level, "too many captures");
        for (int i = 0; i < m_level; ++i)
            pushCapture(i);
    }
    const char *patternEnd() const { return m_patternEnd; }

private:
    struct Capture
    {
        const char *begin = nullptr;
        long length = 0; // -1 while open
    };

    [[noreturn]] void fail(const char *message) const
    {
        lua_pushstring(m_L, message);
        lua_error(m_L);
        std::abort(); // lua_error does not return
    }

    const char *classEnd(const char *p) const
    {
        if (*p == '%') {
            if (p + 1 >= m_patternEnd)
                fail("malformed pattern (ends with `%')");
            return p + 2;
        }
        if (*p == '[') {
            ++p;
            if (p < m_patternEnd && *p == '^')
                ++p;
            // The first character of a set is itself, even `]`.
            do {
                if (p >= m_patternEnd)
                    fail("malformed pattern (missing `]')");
                if (*p++ == '%' && p < m_patternEnd)
                    ++p;
            } while (p >= m_patternEnd || *p != ']');
            return p + 1;
        }
        return p + 1;
    }

    static bool classMatches(int c, int cl)
    {
        bool result = false;
        if (const unsigned mask = ascii::Named[static_cast<unsigned char>(cl)])
            result = ascii::is(c, mask);
        else if (cl == 'z' || cl == 'Z')
            result = c == 0;
        else
            return cl == c;
        return ascii::is(cl, ascii::Upper) ? !result : result;
    }

    // A set [...] from `p` (its `[`) to `last` (its `]`).
    static bool setMatches(int c, const char *p, const char *last)
    {
        bool in = true;
        if (p[1] == '^') {
            in = false;
            ++p;
        }
        while (++p < last) {
            if (*p == '%') {
                ++p;
                if (classMatches(c, static_cast<unsigned char>(*p)))
                    return in;
            } else if (p[1] == '-' && p + 2 < last) {
                p += 2;
                if (static_cast<unsigned char>(p[-2]) <= c && c <= static_cast<unsigned char>(*p))
                    return in;
            } else if (static_cast<unsigned char>(*p) == c) {
                return in;
            }
        }
        return !in;
    }

    bool singleMatches(const char *s, const char *p, const char *ep) const
    {
        if (s >= m_end)
            return false;
        const int c = static_cast<unsigned char>(*s);
        switch (*p) {
        case '.':
            return true;
        case '%':
            return classMatches(c, static_cast<unsigned char>(p[1]));
        case '[':
            return setMatches(c, p, ep - 1);
        default:
            return static_cast<unsigned char>(*p) == c;
        }
    }

    const char *balance(const char *s, const char *p) const
    {
        if (p + 1 >= m_patternEnd)
            fail("unbalanced pattern");
        if (s >= m_end || *s != *p)
            return nullptr;
        const char open = *p;
        const char close = p[1];
        int depth = 1;
        while (++s < m_end) {
            if (*s == close) {
                if (--depth == 0)
                    return s + 1;
            } else if (*s == open) {
                ++depth;
            }
        }
        return nullptr;
    }

    const char *backReference(const char *s, int l) const
    {
        l -= '1';
        if (l < 0 || l >= m_level || m_capture[l].length < 0)
            fail("invalid capture index");
        const auto length = static_cast<std::size_t>(m_capture[l].length);
        if (static_cast<std::size_t>(m_end - s) >= length &&
            std::memcmp(m_capture[l].begin, s, length) == 0)
            return s + length;
        return nullptr;
    }

    const char *maxExpand(const char *s, const char *p, const char *ep)
    {
        std::ptrdiff_t i = 0;
        while (singleMatches(s + i, p, ep))
            ++i;
        for (; i >= 0; --i) {
            if (const char *r = doMatch(s + i, ep + 1))
                return r;
        }
        return nullptr;
    }

    const char *minExpand(const char *s, const char *p, const char *ep)
    {
        for (;;) {
            if (const char *r = doMatch(s, ep + 1))
                return r;
            if (!singleMatches(s, p, ep))
                return nullptr;
            ++s;
        }
    }

    const char *startCapture(const char *s, const char *p)
    {
        if (m_level >= MaxCaptures)
            fail("too many captures");
        m_capture[m_level].begin = s;
        m_capture[m_level].length = -1;
        ++m_level;
        const char *r = doMatch(s, p);
        if (!r)
            --m_level;
        return r;
    }

    const char *endCapture(const char *s, const char *p)
    {
        int open = m_level - 1;
        while (open >= 0 && m_capture[open].length != -1)
            --open;
        if (open < 0)
            return nullptr;
        m_capture[open].length = s - m_capture[open].begin;
        const char *r = doMatch(s, p);
        if (!r)
            m_capture[open].length = -1;
        return r;
    }

    const char *doMatch(const char *s, const char *p)
    {
        // Deep enough for any sensible pattern, short of the C stack's end.
        if (++m_depth > 5000)
            fail("pattern too complex");
        const char *r = nullptr;
        for (;;) {
            if (p == m_patternEnd) {
                r = s;
                break;
            }
            if (*p == '(') {
                r = startCapture(s, p + 1);
                break;
            }
            if (*p == ')') {
                r = endCapture(s, p + 1);
                break;
            }
            if (*p == '%' && p + 1 < m_patternEnd && p[1] == 'b') {
                s = balance(s, p + 2);
                if (!s)
                    break;
                p += 4;
                continue;
            }
            if (*p == '%' && p + 1 < m_patternEnd && ascii::is(p[1], ascii::Digit)) {
                s = backReference(s, static_cast<unsigned char>(p[1]));
                if (!s)
                    break;
                p += 2;
                continue;
            }
            if (*p == '$' && p + 1 == m_patternEnd) {
                r = s == m_end ? s : nullptr;
                break;
            }
            const char *ep = classEnd(p);
            const bool m = singleMatches(s, p, ep);
            const char next = ep < m_patternEnd ? *ep : '\0';
            if (next == '?') {
                if (m && (r = doMatch(s + 1, ep + 1)))
                    break;
                p = ep + 1;
                continue;
            }
            if (next == '*') {
                r = maxExpand(s, p, ep);
                break;
            }
            if (next == '+') {
                r = m ? maxExpand(s + 1, p, ep) : nullptr;
                break;
            }
            if (next == '-') {
                r = minExpand(s, p, ep);
                break;
            }
            if (!m)
                break;
            ++s;
            p = ep;
        }
        --m_depth;
        return r;
    }

    lua_State *m_L;
    const char *m_end;
    const char *m_patternEnd;
    int m_level = 0;
    int m_depth = 0;
    Capture m_capture[MaxCaptures];
};

bool hasSpecials(std::string_view p)
{
    return p.find_first_of("^$*+?.([%-") != std::string_view::npos;
}

// strfind(s, pattern [, init [, plain]]): any fourth argument, even nil,
// asks for a plain search.
int strfindFn(lua_State *L)
{
    const std::string_view s = checkStr(L, 1, "strfind");
    const std::string_view p = checkStr(L, 2, "strfind");
    const long init = relative(optLong(L, 3, "strfind", 1), s.size()) - 1;
    if (init < 0 || static_cast<std::size_t>(init) > s.size())
        return argError(L, 3, "strfind", "out of range");
    if (lua_gettop(L) > 3 || !hasSpecials(p)) {
        const std::size_t at = s.find(p, static_cast<std::size_t>(init));
        if (at == std::string_view::npos) {
            lua_pushnil(L);
            return 1;
        }
        lua_pushnumber(L, static_cast<lua_Number>(at + 1));
        lua_pushnumber(L, static_cast<lua_Number>(at + p.size()));
        return 2;
    }
    const char *pattern = p.data();
    const bool anchor = *pattern == '^';
    if (anchor)
        ++pattern;
    Matcher m(L, s, pattern);
    const char *s1 = s.data() + init;
    do {
        if (const char *e = m.match(s1, pattern)) {
            lua_pushnumber(L, static_cast<lua_Number>(s1 - s.data() + 1));
            lua_pushnumber(L, static_cast<lua_Number>(e - s.data()));
            m.pushCaptures();
            return 2 + m.captures();
        }
    } while (s1++ < s.data() + s.size() && !anchor);
    lua_pushnil(L);
    return 1;
}

// gsub(s, pattern, replacement [, n]): a function is called with the
// captures (none when the pattern has none) and what it returns is put in
// when it is a string or a number; in a string, %1..%9 are captures.
int gsubFn(lua_State *L)
{
    const std::string_view s = checkStr(L, 1, "gsub");
    const char *pattern = checkStr(L, 2, "gsub").data();
    const int type = lua_type(L, 3);
    if (type == LUA_TNUMBER || type == LUA_TSTRING)
        checkStr(L, 3, "gsub");
    else if (type != LUA_TFUNCTION)
        return argError(L, 3, "gsub", "string or function expected");
    const long most = optLong(L, 4, "gsub", static_cast<long>(s.size()) + 1);
    const bool anchor = *pattern == '^';
    if (anchor)
        ++pattern;
    Matcher m(L, s, pattern);
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    const char *src = s.data();
    const char *const end = s.data() + s.size();
    long n = 0;
    while (n < most) {
        const char *e = m.match(src, pattern);
        if (e) {
            ++n;
            if (type == LUA_TFUNCTION) {
                lua_pushvalue(L, 3);
                m.pushCaptures();
                lua_call(L, m.captures(), 1);
                if (lua_type(L, -1) == LUA_TNUMBER) {
                    pushNumberText(L, lua_tonumber(L, -1));
                    lua_replace(L, -2);
                }
                if (lua_type(L, -1) == LUA_TSTRING)
                    luaL_addvalue(&b);
                else
                    lua_pop(L, 1);
            } else {
                std::size_t length = 0;
                const char *r = lua_tolstring(L, 3, &length);
                for (std::size_t i = 0; i < length; ++i) {
                    // % and a digit is a capture, % and anything else that thing.
                    // A % at the end stands for the zero byte that ends
                    // the text in 4.0.
                    const bool escaped = r[i] == '%';
                    const char c = !escaped ? r[i] : i + 1 < length ? r[++i] : '\0';
                    if (escaped && ascii::is(c, ascii::Digit)) {
                        m.pushCapture(c - '1');
                        luaL_addvalue(&b);
                        continue;
                    }
                    luaL_addchar(&b, c);
                }
            }
        }
        if (e && e > src)
            src = e;
        else if (src < end)
            luaL_addchar(&b, *src++);
        else
            break;
        if (anchor)
            break;
    }
    luaL_addlstring(&b, src, static_cast<std::size_t>(end - src));
    luaL_pushresult(&b);
    lua_pushnumber(L, static_cast<lua_Number>(n));
    return 2;
}

// %q: quotes, backslashes and line ends escaped, a zero byte as \000.
void addQuoted(luaL_Buffer *b, std::string_view s)
{
    luaL_addchar(b, '"');
    for (const char c : s) {
        if (c == '"' || c == '\\' || c == '\n') {
            luaL_addchar(b, '\\');
            luaL_addchar(b, c);
        } else if (c == '\0') {
            luaL_addstring(b, "\\000");
        } else {
            luaL_addchar(b, c);
        }
    }
    luaL_addchar(b, '"');
}

int formatFn(lua_State *L)
{
    // Lua 4.0 reads the format up to its first zero byte, and keeps each
    // item up to its first: format("%c", 0) is "".
    std::string_view f = checkStr(L, 1, "format");
    f = f.substr(0, f.find('\0'));
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    int arg = 1;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%') {
            luaL_addchar(&b, f[i]);
            continue;
        }
        if (i + 1 < f.size() && f[i + 1] == '%') {
            luaL_addchar(&b, '%');
            ++i;
            continue;
        }
        std::size_t p = i + 1;
        // `%n$`: the n-th value after the format, and on from there.
        if (p + 1 < f.size() && ascii::is(f[p], ascii::Digit) && f[p + 1] == '$') {
            arg = f[p] - '0';
            p += 2;
        }
        ++arg;
        // The item as printf takes it: flags, at most two digits of width
        // and two of precision, the conversion.
        constexpr std::size_t ItemSize = 24;
        char item[ItemSize] = "%";
        std::size_t length = 1;
        bool tooLong = false;
        const auto add = [&](char c) {
            if (length + 2 < ItemSize)
                item[length++] = c;
            else
                tooLong = true;
        };
        while (p < f.size() && std::strchr("-+ #0", f[p]) != nullptr)
            add(f[p++]);
        std::size_t digits = 0;
        while (p < f.size() && ascii::is(f[p], ascii::Digit) && ++digits)
            add(f[p++]);
        std::size_t precision = 0;
        bool hasPrecision = false;
        if (p < f.size() && f[p] == '.') {
            hasPrecision = true;
            add(f[p++]);
            while (p < f.size() && ascii::is(f[p], ascii::Digit) && ++precision)
                add(f[p++]);
        }
        if (digits > 2 || precision > 2 || tooLong) {
            lua_pushliteral(L, "invalid format (width or precision too long)");
            return lua_error(L);
        }
        const char conversion = p < f.size() ? f[p] : '\0';
        item[length] = conversion;
        item[length + 1] = '\0';
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
            n = std::snprintf(buffer, sizeof buffer, item, toInt(checkNum(L, arg, "format")));
            break;
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G':
            n = std::snprintf(buffer, sizeof buffer, item, checkNum(L, arg, "format"));
            break;
        case 'q':
            addQuoted(&b, checkStr(L, arg, "format"));
            break;
        case 's': {
            const std::string_view s = checkStr(L, arg, "format");
            // A long text without precision goes in whole; else as C's
            // printf writes it, up to a zero byte (Lua's strings end in one).
            if (!hasPrecision && s.size() >= 100)
                luaL_addlstring(&b, s.data(), s.size());
            else
                n = std::snprintf(buffer, sizeof buffer, item, s.data());
            break;
        }
        default:
            lua_pushliteral(L, "invalid option in `format'");
            return lua_error(L);
        }
        if (n > 0)
            luaL_addlstring(&b, buffer, std::strlen(buffer));
        i = p;
    }
    luaL_pushresult(&b);
    return 1;
}

// tonumber(v [, base])
int tonumberFn(lua_State *L)
{
    const long base = optLong(L, 2, "tonumber", 10);
    if (base == 10) {
        luaL_checkany(L, 1);
        const int type = lua_type(L, 1);
        if (type == LUA_TSTRING) {
            // Plain digits, the most a program reads, without strtod: up
            // to 15 of them the double is exact, as strtod's is.
            std::size_t length = 0;
            const char *s = lua_tolstring(L, 1, &length);
            double n = 0;
            std::size_t i = 0;
            while (i < length && i < 15 && ascii::is(s[i], ascii::Digit))
                n = 10 * n + (s[i++] - '0');
            if (i > 0 && i == length) {
                lua_pushnumber(L, n);
                return 1;
            }
        }
        const lua_Number n = lua_tonumber(L, 1);
        if (type == LUA_TNUMBER || n != 0 || lua_isnumber(L, 1))
            lua_pushnumber(L, n);
        else
            lua_pushnil(L);
        return 1;
    }
    // Lua's strings end in a zero byte, as strtoul wants.
    const char *s = checkStr(L, 1, "tonumber").data();
    if (base < 2 || base > 36)
        return argError(L, 2, "tonumber", "base out of range");
    char *end = nullptr;
    const unsigned long n = std::strtoul(s, &end, static_cast<int>(base));
    if (end != s) {
        while (ascii::is(*end, ascii::Space))
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
    // Each value becomes its text in place first: errors leave by longjmp,
    // before the line below is made.
    const int n = lua_gettop(L);
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
        lua_replace(L, i);
    }
    std::string line;
    for (int i = 1; i <= n; ++i) {
        if (i > 1)
            line += '\t';
        line += lua_tostring(L, i);
    }
    line += '\n';
    if (const RunServices *run = servicesOf(L))
        run->output(line);
    return 0;
}

} // namespace

void addStringFunctions(lua_State *L, int table)
{
    if (table < 0)
        table = lua_gettop(L) + table + 1;
    const luaL_Reg plain[] = {
        {"strlen", strlenFn},     {"strsub", strsubFn},   {"strlower", strlowerFn},
        {"strupper", strupperFn}, {"strrep", strrepFn},   {"strbyte", strbyteFn},
        {"strchar", strcharFn},   {"format", formatFn},   {"tonumber", tonumberFn},
        {"print", printFn},       {"strfind", strfindFn}, {"gsub", gsubFn},
        {nullptr, nullptr},
    };
    for (const luaL_Reg *f = plain; f->name; ++f) {
        lua_pushcfunction(L, f->func);
        lua_setfield(L, table, f->name);
    }
}

} // namespace lua40
