#include "run/pluadebug.h"

#include "plua/programtext.h"
#include "plua/translator.h"
#include "run/enginedebugger.h"
#include "run/lua40library.h"

#include <lua.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

// The globals the library made, by name, in the registry under this key's
// address.
const char LibraryGlobalsKey = 0;

// At most this many values are gathered at a pause, and this deep into
// tables: a program with huge or deeply nested tables still pauses at once.
constexpr int ValueBudget = 4000;
constexpr int MaxTableDepth = 4;
constexpr int MaxTableEntries = 200;

bool startsWith(std::string_view s, std::string_view head)
{
    return s.size() >= head.size() && s.compare(0, head.size(), head) == 0;
}

std::string numberText(double n)
{
    char text[40];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, n, std::chars_format::general, 16);
    return {text, r.ptr};
}

// A value as Lua 4.0's tostring writes it.
std::string valueText(lua_State *L, int index)
{
    switch (lua_type(L, index)) {
    case LUA_TNIL:
        return "nil";
    case LUA_TNUMBER:
        return numberText(lua_tonumber(L, index));
    case LUA_TBOOLEAN:
        return lua_toboolean(L, index) ? "true" : "false";
    case LUA_TSTRING: {
        std::size_t length = 0;
        const char *s = lua_tolstring(L, index, &length);
        return {s, length};
    }
    default: {
        char text[64];
        std::snprintf(text, sizeof text, "%s: %p", luaL_typename(L, index),
                      lua_topointer(L, index));
        return text;
    }
    }
}

bool isName(std::string_view s)
{
    if (s.empty() || (std::isdigit(static_cast<unsigned char>(s[0])) != 0))
        return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
    });
}

std::string quoted(std::string_view s)
{
    std::string out = "\"";
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (u < 32 || u == 127) {
            out += '\\' + std::to_string(u);
        } else {
            out += c;
        }
    }
    return out + '"';
}

// A table's key as the panel names the entry.
std::string keyText(lua_State *L, int index)
{
    if (lua_type(L, index) == LUA_TSTRING) {
        std::size_t length = 0;
        const char *s = lua_tolstring(L, index, &length);
        const std::string_view key(s, length);
        return isName(key) ? std::string(key) : "[" + quoted(key) + "]";
    }
    return "[" + valueText(L, index) + "]";
}

struct Gatherer
{
    lua_State *L;
    int budget = ValueBudget;

    DebugValue describe(int index, std::string name, int depth)
    {
        if (index < 0)
            index = lua_gettop(L) + index + 1;
        --budget;
        DebugValue v{std::move(name), valueText(L, index), luaL_typename(L, index), {}, false};
        if (lua_type(L, index) == LUA_TTABLE) {
            lua40::pushContents(L, index);
            gatherEntries(lua_gettop(L), depth, v);
            lua_pop(L, 1);
        }
        return v;
    }

    void gatherEntries(int table, int depth, DebugValue &v)
    {
        if (depth >= MaxTableDepth || budget <= 0) {
            v.cut = true;
            return;
        }
        struct Key
        {
            int rank; // numbers, names, the rest
            double number;
            std::string text;
        };
        std::vector<Key> keys;
        lua_pushnil(L);
        while (lua_next(L, table) != 0) {
            lua_pop(L, 1);
            const int type = lua_type(L, -1);
            keys.push_back({type == LUA_TNUMBER   ? 0
                            : type == LUA_TSTRING ? 1
                                                  : 2,
                            type == LUA_TNUMBER ? lua_tonumber(L, -1) : 0, keyText(L, -1)});
        }
        std::sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) {
            if (a.rank != b.rank)
                return a.rank < b.rank;
            return a.rank == 0 ? a.number < b.number : a.text < b.text;
        });
        // The entries in key order: looked up again by walking the table,
        // since a key other than a number or a string cannot be rebuilt.
        std::vector<std::pair<std::size_t, DebugValue>> entries;
        const std::size_t count = std::min<std::size_t>(keys.size(), MaxTableEntries);
        lua_pushnil(L);
        while (lua_next(L, table) != 0) {
            if (budget <= 0) {
                lua_pop(L, 2);
                break;
            }
            const std::string text = keyText(L, -2);
            const int type = lua_type(L, -2);
            const Key probe{type == LUA_TNUMBER   ? 0
                            : type == LUA_TSTRING ? 1
                                                  : 2,
                            type == LUA_TNUMBER ? lua_tonumber(L, -2) : 0, text};
            const auto at = std::lower_bound(
                keys.begin(), keys.begin() + count, probe, [](const Key &a, const Key &b) {
                    if (a.rank != b.rank)
                        return a.rank < b.rank;
                    return a.rank == 0 ? a.number < b.number : a.text < b.text;
                });
            if (at != keys.begin() + count && at->text == text)
                entries.emplace_back(at - keys.begin(), describe(-1, text, depth + 1));
            lua_pop(L, 1);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
        for (auto &entry : entries)
            v.children.push_back(std::move(entry.second));
        v.cut = v.children.size() < keys.size();
    }
};

// Reads Lua 5.1's precompiled chunks (lua_dump): the lines of every
// function's instructions.
class DumpReader
{
public:
    explicit DumpReader(const std::string &bytes) : m_bytes(bytes) {}

    bool read(std::vector<FunctionLines> &functions)
    {
        if (m_bytes.size() < 12 || m_bytes.compare(0, 4, "\x1bLua") != 0)
            return false;
        m_intSize = static_cast<unsigned char>(m_bytes[7]);
        m_sizeSize = static_cast<unsigned char>(m_bytes[8]);
        m_instructionSize = static_cast<unsigned char>(m_bytes[9]);
        m_numberSize = static_cast<unsigned char>(m_bytes[10]);
        m_at = 12;
        return function(functions, 0);
    }

private:
    bool take(std::size_t n)
    {
        if (m_bytes.size() - m_at < n)
            return false;
        m_at += n;
        return true;
    }
    bool integer(std::uint64_t &value, std::size_t size)
    {
        if (size > 8 || m_bytes.size() - m_at < size)
            return false;
        value = 0;
        for (std::size_t i = 0; i < size; ++i) // little-endian, as this machine
            value |= std::uint64_t(static_cast<unsigned char>(m_bytes[m_at + i])) << (8 * i);
        m_at += size;
        return true;
    }
    bool count(std::uint64_t &n) { return integer(n, m_intSize) && n < m_bytes.size(); }
    bool string()
    {
        std::uint64_t n = 0;
        return integer(n, m_sizeSize) && take(n);
    }
    bool function(std::vector<FunctionLines> &functions, int depth)
    {
        std::uint64_t n = 0;
        FunctionLines f;
        std::uint64_t defined = 0, lastDefined = 0;
        if (depth > 200 || !string() || !integer(defined, m_intSize) ||
            !integer(lastDefined, m_intSize) || !take(4) || !count(n) ||
            !take(n * m_instructionSize) || !count(n))
            return false;
        f.defined = static_cast<int>(defined);
        f.lastDefined = static_cast<int>(lastDefined);
        // An entry check's constants come first: its number, then "dbg".
        std::string first[2];
        for (std::uint64_t i = 0; i < n; ++i) {
            if (m_at >= m_bytes.size())
                return false;
            const char type = m_bytes[m_at++];
            const std::size_t at = m_at;
            if ((type == LUA_TBOOLEAN && !take(1)) ||
                (type == LUA_TNUMBER && !take(m_numberSize)) || (type == LUA_TSTRING && !string()))
                return false;
            // A string is written with its closing zero, which is left off.
            if (i < 2 && type == LUA_TSTRING && m_at - at > m_sizeSize)
                first[i] = m_bytes.substr(at + m_sizeSize, m_at - at - m_sizeSize - 1);
            if (i == 0 && type == LUA_TNUMBER && m_numberSize == sizeof(double)) {
                std::memcpy(&f.firstNumber, m_bytes.data() + at, sizeof(double));
                first[0] = "number";
            }
        }
        f.checked = first[0] == "number" && first[1] == "dbg";
        if (!count(n))
            return false;
        for (std::uint64_t i = 0; i < n; ++i)
            if (!function(functions, depth + 1))
                return false;
        if (!count(n))
            return false;
        for (std::uint64_t i = 0; i < n; ++i) {
            std::uint64_t line = 0;
            if (!integer(line, m_intSize))
                return false;
            f.lines.push_back(static_cast<int>(line));
        }
        // The chunk around the program is the translation's own.
        if (depth > 0)
            functions.push_back(std::move(f));
        if (!count(n))
            return false;
        for (std::uint64_t i = 0; i < n; ++i)
            if (!string() || !take(2 * m_intSize))
                return false;
        if (!count(n))
            return false;
        for (std::uint64_t i = 0; i < n; ++i)
            if (!string())
                return false;
        return true;
    }

    const std::string &m_bytes;
    std::size_t m_at = 0;
    std::size_t m_intSize = 4, m_sizeSize = 8, m_instructionSize = 4, m_numberSize = 8;
};

int collectDump(lua_State *, const void *p, std::size_t size, void *ud)
{
    static_cast<std::string *>(ud)->append(static_cast<const char *>(p), size);
    return 0;
}

// The paused program: the frames of the program's own chunk, from the
// innermost, with the stack levels they are at.
class Pause final : public PausedProgram
{
public:
    Pause(lua_State *L, const std::string &source, const std::string &prefix)
        : m_L(L), m_source(source), m_prefix(prefix)
    {
        gather();
    }

    const DebugSnapshot &snapshot() const override { return m_snapshot; }
    // Levels under the innermost frame of the program, itself included.
    int depth() const { return m_depth; }

    std::string evaluate(int frame, std::string_view expression) override
    {
        lua_State *L = m_L;
        lua_Debug ar;
        if (frame < 0 || frame >= static_cast<int>(m_levels.size()) ||
            !lua_getstack(L, m_levels[frame], &ar))
            return "error: no such frame";
        const plua::Translation t =
            plua::translate(plua::handheldText("return " + std::string(expression)));
        if (!t.ok())
            return "error: " + t.error->message;
        const int top = lua_gettop(L);
        if (luaL_loadbuffer(L, t.code.data(), t.code.size(), "=expression") != 0) {
            std::string message = lua_tostring(L, -1) ? lua_tostring(L, -1) : "";
            lua_settop(L, top);
            return "error: " + message;
        }
        // The frame's locals in a table of their own, its globals behind them.
        lua_newtable(L);
        lua_newtable(L); // its metatable
        lua_getinfo(L, "f", &ar);
        lua_getfenv(L, -1);
        lua_remove(L, -2);
        lua_pushvalue(L, -1);
        lua_setfield(L, -3, "__index");
        lua_setfield(L, -2, "__newindex");
        lua_setmetatable(L, -2);
        for (int i = 1;; ++i) {
            const char *raw = lua_getlocal(L, &ar, i);
            if (!raw)
                break;
            const std::string name = shownName(raw);
            if (name.empty() || name[0] == '%')
                lua_pop(L, 1);
            else
                lua_setfield(L, -2, name.c_str());
        }
        lua_setfenv(L, -2);
        lua40::pushHelpers(L);
        const int status = lua_pcall(L, 1, LUA_MULTRET, 0);
        std::string result;
        if (status != 0) {
            std::string message = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : "";
            if (startsWith(message, "expression:")) {
                const std::size_t colon = message.find(": ");
                message.erase(0, colon == std::string::npos ? 0 : colon + 2);
            }
            result = "error: " + lua40::messageOf(plua::programMessage(message, t.prefix));
        } else {
            for (int i = top + 1; i <= lua_gettop(L); ++i)
                result += (i > top + 1 ? ", " : "") + valueText(L, i);
        }
        lua_settop(L, top);
        return result;
    }

private:
    // A local's name as the program wrote it; empty for what the
    // translation added.
    std::string shownName(std::string_view raw) const
    {
        if (raw.empty() || raw[0] == '(')
            return {};
        if (!startsWith(raw, m_prefix))
            return std::string(raw);
        const std::string_view rest = raw.substr(m_prefix.size());
        if (startsWith(rest, "k_"))
            return std::string(rest.substr(2));
        if (startsWith(rest, "u_"))
            return "%" + std::string(rest.substr(2));
        return {};
    }

    bool isProgram(lua_Debug &ar) const
    {
        return std::strcmp(ar.source, m_source.c_str()) == 0 && std::strcmp(ar.what, "main") != 0;
    }

    void gather()
    {
        lua_State *L = m_L;
        Gatherer values{L};
        lua_Debug ar;
        int levels = 0;
        while (lua_getstack(L, levels, &ar))
            ++levels;
        for (int level = 0; level < levels; ++level) {
            if (!lua_getstack(L, level, &ar) || !lua_getinfo(L, "nSl", &ar) || !isProgram(ar))
                continue;
            if (m_levels.empty())
                m_depth = levels - level;
            m_levels.push_back(level);
            DebugFrame frame;
            frame.line = ar.currentline;
            if (ar.name)
                frame.function = ar.name;
            else
                frame.function = "function at line " + std::to_string(ar.linedefined);
            for (int i = 1;; ++i) {
                const char *raw = lua_getlocal(L, &ar, i);
                if (!raw)
                    break;
                std::string name = shownName(raw);
                if (!name.empty()) {
                    // A later local of the same name hides the earlier.
                    std::erase_if(frame.locals,
                                  [&](const DebugValue &v) { return v.name == name; });
                    frame.locals.push_back(values.describe(-1, std::move(name), 0));
                }
                lua_pop(L, 1);
            }
            lua_getinfo(L, "f", &ar);
            for (int i = 1;; ++i) {
                const char *raw = lua_getupvalue(L, -1, i);
                if (!raw)
                    break;
                std::string name = shownName(raw);
                if (startsWith(name, "%"))
                    frame.upvalues.push_back(values.describe(-1, std::move(name), 0));
                lua_pop(L, 1);
            }
            if (m_snapshot.frames.empty())
                gatherGlobals(values);
            lua_pop(L, 1); // the function
            m_snapshot.frames.push_back(std::move(frame));
        }
        // The program's own chunk is at the bottom of every run: the
        // translation's wrapper calls it in a tail call, so it has no name.
        if (!m_snapshot.frames.empty()) {
            m_snapshot.line = m_snapshot.frames.front().line;
            m_snapshot.frames.back().function = "main chunk";
        }
    }

    // With the innermost frame's function on top: the globals it sees that
    // the library did not make.
    void gatherGlobals(Gatherer &values)
    {
        lua_State *L = m_L;
        lua_getfenv(L, -1);
        // Read as they are, without the program's getglobal tag methods.
        lua40::pushContents(L, lua_gettop(L));
        lua_remove(L, -2);
        const int globals = lua_gettop(L);
        lua_pushlightuserdata(L, const_cast<char *>(&LibraryGlobalsKey));
        lua_rawget(L, LUA_REGISTRYINDEX);
        const int library = lua_gettop(L);
        std::vector<std::string> names;
        lua_pushnil(L);
        while (lua_next(L, globals) != 0) {
            if (lua_type(L, -2) == LUA_TSTRING) {
                bool same = false;
                if (lua_istable(L, library)) {
                    lua_pushvalue(L, -2);
                    lua_rawget(L, library);
                    same = lua_rawequal(L, -1, -2) != 0;
                    lua_pop(L, 1);
                }
                if (!same)
                    names.emplace_back(lua_tostring(L, -2));
            }
            lua_pop(L, 1);
        }
        std::sort(names.begin(), names.end());
        for (const std::string &name : names) {
            lua_getfield(L, globals, name.c_str());
            lua_pushstring(L, name.c_str());
            lua_rawget(L, globals);
            m_snapshot.globals.push_back(values.describe(-1, name, 0));
            lua_pop(L, 2);
        }
        lua_settop(L, globals - 1);
    }

    lua_State *m_L;
    const std::string &m_source;
    const std::string &m_prefix;
    DebugSnapshot m_snapshot;
    std::vector<int> m_levels;
    int m_depth = 0;
};

void writeValue(std::string &out, const DebugValue &v, int indent, bool top)
{
    out.append(indent, ' ');
    out += v.name + " = ";
    if (v.type == "string")
        out += quoted(v.value);
    else if (v.type == "table" || v.type == "function" || v.type == "userdata")
        out += v.type; // addresses change from run to run
    else
        out += v.value;
    out += '\n';
    // Two levels of entries: enough to check a program's state, short
    // enough to read.
    if (indent < (top ? 6 : 8))
        for (const DebugValue &child : v.children)
            writeValue(out, child, indent + 2, false);
    if (v.cut && indent < 8)
        out.append(indent + 2, ' ').append("...\n");
}

} // namespace

std::vector<FunctionLines> chunkFunctions(lua_State *L)
{
    std::string dump;
    lua_dump(L, collectDump, &dump);
    std::vector<FunctionLines> functions;
    if (!DumpReader(dump).read(functions))
        return {};
    return functions;
}

namespace {

std::vector<int> codeLinesOf(const std::vector<FunctionLines> &functions)
{
    std::set<int> lines;
    for (const FunctionLines &f : functions)
        lines.insert(f.lines.begin(), f.lines.end());
    return {lines.begin(), lines.end()};
}

} // namespace

std::vector<int> pluaCodeLines(std::string_view pluaSource)
{
    const plua::Translation t = plua::translate(plua::handheldText(pluaSource));
    if (!t.ok())
        return {};
    lua_State *L = luaL_newstate();
    if (!L)
        return {};
    std::vector<int> lines;
    if (luaL_loadbuffer(L, t.code.data(), t.code.size(), "=lines") == 0)
        lines = codeLinesOf(chunkFunctions(L));
    lua_close(L);
    return lines;
}

int breakpointLine(const std::vector<int> &codeLines, int line)
{
    const auto at = std::lower_bound(codeLines.begin(), codeLines.end(), line);
    return at == codeLines.end() ? 0 : *at;
}

std::string breakReport(const DebugSnapshot &snapshot)
{
    std::string out = "break at line " + std::to_string(snapshot.line) + "\nstack:\n";
    for (const DebugFrame &frame : snapshot.frames)
        out += "  " + frame.function + " (line " + std::to_string(frame.line) + ")\n";
    out += "locals:\n";
    if (!snapshot.frames.empty()) {
        for (const DebugValue &v : snapshot.frames.front().locals)
            writeValue(out, v, 2, true);
        for (const DebugValue &v : snapshot.frames.front().upvalues)
            writeValue(out, v, 2, true);
    }
    return out;
}

// --- the engine's side ---

void EngineDebugger::setBreakpoints(std::vector<int> lines)
{
    const std::lock_guard lock(m_mutex);
    m_requested = std::move(lines);
    m_changed.store(true);
}

void EngineDebugger::requestPause()
{
    m_pauseRequested.store(true);
}

void EngineDebugger::takeRequestsNow(lua_State *L)
{
    if (m_changed.exchange(false)) {
        const std::lock_guard lock(m_mutex);
        m_lines.clear();
        for (int line : m_requested) {
            if (!m_codeLines.empty())
                line = breakpointLine(m_codeLines, line);
            if (line <= 0 || line > 1'000'000)
                continue;
            if (static_cast<std::size_t>(line) >= m_lines.size())
                m_lines.resize(static_cast<std::size_t>(line) + 1, 0);
            m_lines[static_cast<std::size_t>(line)] = 1;
        }
        m_anyBreakpoint = !m_lines.empty();
        if (m_entryChecks) {
            // The functions that hold a breakpoint, marked for their checks.
            m_breakpointFunctions.clear();
            m_uncheckedBreakpoint = false;
            lua40::pushHelpers(L);
            for (const int id : m_marked) {
                lua_pushnil(L);
                lua_rawseti(L, -2, id);
            }
            m_marked.clear();
            for (const FunctionLines &f : m_functions) {
                const bool holds = std::any_of(f.lines.begin(), f.lines.end(), [this](int line) {
                    return static_cast<std::size_t>(line) < m_lines.size() &&
                           m_lines[static_cast<std::size_t>(line)] != 0;
                });
                if (!holds)
                    continue;
                m_breakpointFunctions.emplace_back(f.defined, f.lastDefined);
                if (!f.checked) {
                    m_uncheckedBreakpoint = true;
                    continue;
                }
                m_marked.push_back(static_cast<int>(f.firstNumber));
                lua_pushboolean(L, 1);
                lua_rawseti(L, -2, m_marked.back());
            }
            lua_pop(L, 1);
            std::sort(m_breakpointFunctions.begin(), m_breakpointFunctions.end());
        }
        regate(L);
    }
    if (m_pauseRequested.exchange(false) && m_handler)
        m_mode = Mode::StepInto; // the next line of the program
    applyMask(L);
}

void EngineDebugger::applyMask(lua_State *L)
{
    // Every line while stepping, or for breakpoints no entry check covers;
    // with entry checks, lines (and returns) only while a function that
    // holds a breakpoint runs.
    const bool everyLine =
        m_mode != Mode::Run || (m_anyBreakpoint && (!m_entryChecks || m_uncheckedBreakpoint));
    // The engine's call hook, on while a program is deep, stays as it is.
    int mask = LUA_MASKCOUNT | (lua_gethookmask(L) & LUA_MASKCALL);
    if (m_handler && everyLine)
        mask |= LUA_MASKLINE;
    else if (m_handler && m_anyBreakpoint && m_gateDepth > 0)
        mask |= LUA_MASKLINE | LUA_MASKRET;
    lua_sethook(L, m_hook, mask, CountInterval);
}

std::vector<int> EngineDebugger::entryCheckLines(const std::string &handheldText)
{
    std::vector<int> requested;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_handler)
            return {};
        requested = m_requested;
    }
    if (requested.empty())
        return {};
    // Where the breakpoints will stop, from the program as it compiles
    // without checks (the checks add no lines of their own elsewhere).
    const plua::Translation plain = plua::translate(handheldText);
    std::vector<int> code;
    if (plain.ok()) {
        lua_State *L = luaL_newstate();
        if (L && luaL_loadbuffer(L, plain.code.data(), plain.code.size(), "=lines") == 0)
            code = codeLinesOf(chunkFunctions(L));
        if (L)
            lua_close(L);
    }
    m_plainCodeLines = code;
    std::vector<int> lines;
    for (const int line : requested) {
        const int at = code.empty() ? line : breakpointLine(code, line);
        lines.push_back(at > 0 ? at : line);
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

void EngineDebugger::setFunctions(std::vector<FunctionLines> functions, bool entryChecks)
{
    // Breakpoints move as in the program without checks, as the editor
    // moves them.
    m_codeLines =
        entryChecks && !m_plainCodeLines.empty() ? m_plainCodeLines : codeLinesOf(functions);
    m_functions = std::move(functions);
    m_entryChecks = entryChecks;
}

void EngineDebugger::prepareRun(lua_State *L)
{
    noteLibraryGlobals(L);
    m_gateDepth = 0;
    lua40::pushHelpers(L);
    lua_pushlightuserdata(L, this);
    lua_pushcclosure(L, enterFunction, 1);
    lua_setfield(L, -2, "dbg");
    lua_pop(L, 1);
    m_changed.store(true); // marks the functions for the run
    takeRequests(L);
}

// With the breakpoints in functions: the depth of the outermost function
// on the stack that holds one (0: none), whose lines are hooked until it
// returns.
void EngineDebugger::regate(lua_State *L)
{
    m_gateDepth = 0;
    if (!m_entryChecks || !m_anyBreakpoint)
        return;
    lua_Debug ar;
    int levels = 0;
    while (lua_getstack(L, levels, &ar))
        ++levels;
    for (int level = levels - 1; level >= 0; --level) {
        if (lua_getstack(L, level, &ar) && lua_getinfo(L, "S", &ar) &&
            std::strcmp(ar.source, m_source.c_str()) == 0 &&
            std::binary_search(m_breakpointFunctions.begin(), m_breakpointFunctions.end(),
                               std::pair(ar.linedefined, ar.lastlinedefined))) {
            m_gateDepth = levels - level;
            return;
        }
    }
}

// P.dbg(), the entry check of a function that holds a breakpoint.
int EngineDebugger::enterFunction(lua_State *L)
{
    auto *self = static_cast<EngineDebugger *>(lua_touserdata(L, lua_upvalueindex(1)));
    if (self->m_gateDepth > 0 || self->m_inPause || self->m_mode != Mode::Run ||
        !self->m_anyBreakpoint)
        return 0;
    lua_Debug ar;
    int levels = 0;
    while (lua_getstack(L, levels, &ar))
        ++levels;
    self->m_gateDepth = levels - 1; // the caller's, under this function
    self->applyMask(L);
    // The check is on the function's first line: a breakpoint there is hit
    // now, as lines are hooked only from here on.
    if (lua_getstack(L, 1, &ar) && lua_getinfo(L, "l", &ar) && ar.currentline > 0 &&
        static_cast<std::size_t>(ar.currentline) < self->m_lines.size() &&
        self->m_lines[static_cast<std::size_t>(ar.currentline)] != 0)
        self->pause(L);
    return 0;
}

void EngineDebugger::onReturn(lua_State *L)
{
    lua_Debug ar;
    if (m_mode != Mode::Run || lua_getstack(L, m_gateDepth, &ar))
        return; // deeper than the function whose lines are hooked
    m_gateDepth = 0;
    applyMask(L);
}

void EngineDebugger::onLine(lua_State *L, lua_Debug *ar)
{
    const int line = ar->currentline;
    const bool breakpoint = line > 0 && static_cast<std::size_t>(line) < m_lines.size() &&
                            m_lines[static_cast<std::size_t>(line)] != 0;
    if (m_inPause || (!breakpoint && m_mode == Mode::Run) ||
        (!breakpoint && m_mode == Mode::RunTo && line != m_runTo))
        return;
    if (!lua_getinfo(L, "S", ar) || std::strcmp(ar->source, m_source.c_str()) != 0 ||
        std::strcmp(ar->what, "main") == 0)
        return;
    // A step goes past a function's entry check, on its first line, to its
    // first statement.
    if (!breakpoint && m_entryChecks && line == ar->linedefined && line != ar->lastlinedefined)
        return;
    lua_Debug level;
    bool stop = breakpoint;
    switch (m_mode) {
    case Mode::Run:
        break;
    case Mode::StepInto:
        stop = true;
        break;
    case Mode::StepOver:
        stop = stop || !lua_getstack(L, m_depth, &level);
        break;
    case Mode::StepOut:
        stop = stop || !lua_getstack(L, m_depth - 1, &level);
        break;
    case Mode::RunTo:
        stop = stop || line == m_runTo;
        break;
    }
    if (stop)
        pause(L);
}

void EngineDebugger::pauseIfRequested(lua_State *L)
{
    // A pause the count hook took up just before the program began to wait
    // stands as a step into the next line: it is this one.
    if ((m_pauseRequested.load() || m_mode == Mode::StepInto) && !m_inPause && m_handler) {
        m_pauseRequested.store(false);
        pause(L);
    }
}

void EngineDebugger::pause(lua_State *L)
{
    m_inPause = true;
    DebugCommand command;
    int depth = 0;
    {
        Pause paused(L, m_source, m_prefix);
        depth = paused.depth();
        if (m_handler && !paused.snapshot().frames.empty())
            command = m_handler(paused);
    }
    m_inPause = false;
    m_pauseRequested.store(false);
    m_depth = depth;
    m_runTo = command.line;
    switch (command.kind) {
    case DebugCommand::Kind::Continue:
        m_mode = Mode::Run;
        regate(L);
        break;
    case DebugCommand::Kind::StepInto:
        m_mode = Mode::StepInto;
        break;
    case DebugCommand::Kind::StepOver:
        m_mode = Mode::StepOver;
        break;
    case DebugCommand::Kind::StepOut:
        m_mode = Mode::StepOut;
        break;
    case DebugCommand::Kind::RunTo:
        m_mode = Mode::RunTo;
        break;
    }
    // Breakpoints changed while paused count from here on.
    takeRequestsNow(L);
}

void EngineDebugger::noteLibraryGlobals(lua_State *L)
{
    lua_pushlightuserdata(L, const_cast<char *>(&LibraryGlobalsKey));
    lua_newtable(L);
    lua_pushnil(L);
    while (lua_next(L, LUA_GLOBALSINDEX) != 0) {
        lua_pushvalue(L, -2);
        lua_insert(L, -2);
        lua_rawset(L, -4);
    }
    lua_rawset(L, LUA_REGISTRYINDEX);
}
