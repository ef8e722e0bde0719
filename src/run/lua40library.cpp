#include "run/lua40library.h"

#include "plua/translator.h"
#include "run/pluaengine.h"

#include <lua.hpp>

#include <cstdio>
#include <string>

namespace lua40 {

namespace {

// Addresses used as unique keys and signal values.
const char StopSignal = 0;
const char ExitSignal = 0;
const char HelpersKey = 0;
const char ExitCodeKey = 0;

int toInt(lua_State *L, int index)
{
    return static_cast<int>(luaL_checknumber(L, index));
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
            return PluaEngine::raise(L, std::string("attempt to concat a ") +
                                            lua_typename(L, type) + " value");
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
        const int n = static_cast<int>(lua_tonumber(L, -1));
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
    return static_cast<int>(max);
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
    for (; n >= pos; --n) {
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
    for (; pos < n; ++pos) {
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

// The library itself, in Lua 5.1. It keeps every Lua 5.1 function it uses
// in a local, so a program's globals named string, table or io change
// nothing here. Errors are raised at level 0: Lua 4.0 messages carry no
// position, and the engine finds the program's line on the stack.
const char *const Library = R"lua(
local P, C = ...
local type, next, rawget, rawset, select, unpack, pcall, error, newproxy, tonumber51 =
      type, next, rawget, rawset, select, unpack, pcall, error, newproxy, tonumber
local string, table, math, io, os = string, table, math, io, os
local strlen, strsub, strlower, strupper, strrep, strbyte, strchar, format, strfind, gsub =
      string.len, string.sub, string.lower, string.upper, string.rep, string.byte, string.char,
      string.format, string.find, string.gsub
local concat, tsort = table.concat, table.sort
local floor, ceil = math.floor, math.ceil
local open, iotype, stdin, stderr = io.open, io.type, io.stdin, io.stderr
local cat, tostr, getn, out, load4, bare = C.cat, C.tostring, C.getn, C.out, C.load, C.bare
local STOP, EXIT, NORESULT = C.stop, C.exit, C.noresult
local G = {}

P.G = G
P.cat = cat
P.select = select
P.each = function(t)
  if type(t) ~= "table" then error("`for' table must be a table", 0) end
  return next, t, nil
end
P.meth = function(o, k, ...) return o[k](o, ...) end
P.table = function(t)
  if type(t) ~= "table" then error("`for' table must be a table", 0) end
  return t
end
P.next = next

local function argerror(n, fname, msg)
  error(format("bad argument #%d to `%s' (%s)", n, fname, msg), 0)
end
local function typename(v) return type(v) end
local function checkstr(v, n, fname)
  local t = type(v)
  if t == "string" then return v end
  if t == "number" then return tostr(v) end
  argerror(n, fname, "string expected, got " .. typename(v))
end
local function optstr(v, n, fname, d)
  if v == nil then return d end
  return checkstr(v, n, fname)
end
local function tonumber4(v, base)
  if base ~= nil and base ~= 10 then return tonumber51(v, base) end
  if type(v) == "number" then return v end
  if type(v) ~= "string" then return nil end
  return tonumber51(v)
end
P.forprep = function(...)
  local start, limit, step = ...
  if select("#", ...) < 3 then step = 1 end
  step = tonumber4(step) or error("`for' step must be a number", 0)
  limit = tonumber4(limit) or error("`for' limit must be a number", 0)
  start = tonumber4(start) or error("`for' initial value must be a number", 0)
  return start, limit, step
end
P.fornext = function(i, step)
  if type(i) ~= "number" then error("`for' index must be a number", 0) end
  return i + step
end
local function checknum(v, n, fname)
  if type(v) == "number" then return v end
  local x = type(v) == "string" and tonumber4(v)
  if x then return x end
  argerror(n, fname, "number expected, got " .. typename(v))
end
local function toint(x) if x >= 0 then return floor(x) end return ceil(x) end
local function checkint(v, n, fname) return toint(checknum(v, n, fname)) end
local function optint(v, n, fname, d)
  if v == nil then return d end
  return checkint(v, n, fname)
end
local function checktable(v, n, fname)
  if type(v) ~= "table" then argerror(n, fname, "table expected, got " .. typename(v)) end
  return v
end
local function checkfunction(v, n, fname)
  if type(v) ~= "function" then argerror(n, fname, "function expected, got " .. typename(v)) end
  return v
end
local function pack(...) return {n = select("#", ...), ...} end
local function unsupported(name, why)
  G[name] = function() error("`" .. name .. "' is not available: " .. why, 0) end
end

-- Basic functions
G._VERSION = "Lua 4.0"
G.PI = math.pi
G.type = type
G.next = next
G.rawget = rawget
G.rawset = rawset
G.rawgettable = rawget
G.rawsettable = rawset
G.tostring = tostr
G.tonumber = function(v, base)
  if base ~= nil then base = checkint(base, 2, "tonumber") end
  return tonumber4(v, base)
end
G.assert = function(v, m)
  if v == nil or v == false then
    error("assertion failed!  " .. optstr(m, 2, "assert", ""), 0)
  end
end
G.error = function(m) error(m, 0) end
G.print = function(...)
  local parts = {}
  local ts = G.tostring
  for i = 1, select("#", ...) do
    local s = ts((select(i, ...)))
    if type(s) == "number" then s = tostr(s) end
    if type(s) ~= "string" then error("`tostring' must return a string to `print'", 0) end
    parts[i] = s
  end
  out(concat(parts, "\t") .. "\n")
end
G.getglobal = function(n) return rawget(G, n) end
G.setglobal = function(n, v) rawset(G, n, v) end
G.globals = function(t)
  if t ~= nil then
    error("`globals' cannot replace the table of globals here", 0)
  end
  return G
end
G.collectgarbage = function() collectgarbage("collect") end
G.gcinfo = function()
  local k = floor(collectgarbage("count"))
  return k, 2 * k
end
local TAGS = {userdata = 0, ["nil"] = 1, number = 2, string = 3, table = 4, ["function"] = 5}
G.tag = function(o) return TAGS[type(o)] end
)lua"
                            R"lua(
for _, name in ipairs{"newtag", "settag", "settagmethod", "gettagmethod", "copytagmethods"} do
  unsupported(name, "tag methods cannot be mapped to this engine")
end
for _, name in ipairs{"debug", "getinfo", "getlocal", "setlocal", "setcallhook", "setlinehook"} do
  unsupported(name, "there is no debugger in a run")
end

-- Errors inside call and dostring go to _ERRORMESSAGE, which passes them
-- to _ALERT, as in Lua 4.0.
G._ALERT = function(s) stderr:write(checkstr(s, 1, "_ALERT")) end
G._ERRORMESSAGE = function(m)
  local alert = G._ALERT
  if alert then alert("error: " .. tostr(m) .. "\n") end
end
local function signal(e)
  return e == STOP or e == EXIT
end
local function report(e)
  local handler = G._ERRORMESSAGE
  if handler then handler(bare(e)) end
end

G.call = function(f, args, mode, handler)
  checktable(args, 2, "call")
  mode = optstr(mode, 3, "call", "")
  if handler == nil and not strfind(mode, "x", 1, true) then
    -- Unprotected: an error stays where it happened.
    return f(unpack(args, 1, getn(args)))
  end
  local old = G._ERRORMESSAGE
  if handler ~= nil then G._ERRORMESSAGE = handler end
  local r = pack(pcall(f, unpack(args, 1, getn(args))))
  if r[1] then
    if handler ~= nil then G._ERRORMESSAGE = old end
    return unpack(r, 2, r.n)
  end
  local e = r[2]
  if signal(e) then error(e, 0) end
  if handler ~= nil or strfind(mode, "x", 1, true) then report(e) end
  if handler ~= nil then G._ERRORMESSAGE = old end
  if strfind(mode, "x", 1, true) then return nil end
  error(e, 0)
end

local function runchunk(f)
  local r = pack(pcall(f, P))
  if r[1] then
    if r.n > 1 then return unpack(r, 2, r.n) end
    return NORESULT
  end
  if signal(r[2]) then error(r[2], 0) end
  report(r[2])
  return nil, "run-time error"
end
G.dostring = function(s, name)
  s = checkstr(s, 1, "dostring")
  name = optstr(name, 2, "dostring", nil)
  if name == nil then
    local first = strsub(s, 1, (strfind(s, "\n", 1, true) or 0) - 1)
    if strlen(first) > 40 or strlen(first) < strlen(s) then first = strsub(first, 1, 40) .. "..." end
    name = "string \"" .. first .. "\""
  end
  local f, msg = load4(s, "=" .. name)
  if not f then
    report(msg)
    return nil, "syntax error"
  end
  return runchunk(f)
end
G.dofile = function(filename)
  filename = checkstr(filename, 1, "dofile")
  local h = open(filename, "rb")
  if not h then return nil, "file error" end
  local s = h:read("*a")
  h:close()
  if not s then return nil, "file error" end
  local f, msg = load4(s, "=file `" .. filename .. "'")
  if not f then
    report(msg)
    return nil, "syntax error"
  end
  return runchunk(f)
end

-- Strings
G.strlen = function(s) return strlen(checkstr(s, 1, "strlen")) end
G.strsub = function(s, i, j)
  return strsub(checkstr(s, 1, "strsub"), checkint(i, 2, "strsub"), optint(j, 3, "strsub", -1))
end
G.strlower = function(s) return strlower(checkstr(s, 1, "strlower")) end
G.strupper = function(s) return strupper(checkstr(s, 1, "strupper")) end
G.strrep = function(s, n) return strrep(checkstr(s, 1, "strrep"), checkint(n, 2, "strrep")) end
G.strbyte = function(s, i)
  s = checkstr(s, 1, "strbyte")
  i = optint(i, 2, "strbyte", 1)
  if i < 0 then i = strlen(s) + i + 1 end
  if i <= 0 or i > strlen(s) then argerror(2, "strbyte", "out of range") end
  return strbyte(s, i)
end
G.strchar = function(...)
  local codes = {}
  for i = 1, select("#", ...) do
    local c = checkint((select(i, ...)), i, "strchar")
    if c < 0 or c > 255 then argerror(i, "strchar", "invalid value") end
    codes[i] = c
  end
  return strchar(unpack(codes))
end
G.format = function(fmt, ...)
  fmt = checkstr(fmt, 1, "format")
  local n = select("#", ...)
  local args = {...}
  local i, argi = 1, 0
  while true do
    local p = strfind(fmt, "%", i, true)
    if not p then break end
    if strsub(fmt, p + 1, p + 1) == "%" then
      i = p + 2
    else
      local _, e, conv = strfind(fmt, "^[-+ #0]*%d*%.?%d*(.)", p + 1)
      argi = argi + 1
      if conv == "s" and type(args[argi]) == "number" then args[argi] = tostr(args[argi]) end
      i = (e or p) + 1
    end
  end
  return format(fmt, unpack(args, 1, n))
end
G.strfind = function(...)
  local nargs = select("#", ...)
  local s, p, init = ...
  s = checkstr(s, 1, "strfind")
  p = checkstr(p, 2, "strfind")
  init = optint(init, 3, "strfind", 1)
  local l = strlen(s)
  if init < 0 then init = l + init + 1 end
  if init - 1 < 0 or init - 1 > l then argerror(3, "strfind", "out of range") end
  -- Any fourth argument, even nil, asks for a plain search.
  return strfind(s, p, init, nargs > 3)
end
G.gsub = function(s, p, repl, n)
  s = checkstr(s, 1, "gsub")
  p = checkstr(p, 2, "gsub")
  local t = type(repl)
  if t == "string" or t == "number" then
    repl = checkstr(repl, 3, "gsub")
    local i = 1
    while true do
      i = strfind(repl, "%", i, true)
      if not i then break end
      if strsub(repl, i + 1, i + 1) == "0" then error("invalid capture index", 0) end
      i = i + 2
    end
  elseif t == "function" then
    local f = repl
    -- A value that is not a string or a number replaces the match with nothing.
    repl = function(...)
      local v = f(...)
      if type(v) == "number" then return tostr(v) end
      if type(v) ~= "string" then return "" end
      return v
    end
  else
    argerror(3, "gsub", "string or function expected")
  end
  return gsub(s, p, repl, optint(n, 4, "gsub", strlen(s) + 1))
end

-- Tables
G.getn = getn
G.tinsert = C.tinsert
G.tremove = C.tremove
G.foreach = function(t, f)
  checktable(t, 1, "foreach")
  checkfunction(f, 2, "foreach")
  local k, v = next(t)
  while k ~= nil do
    local r = f(k, v)
    if r ~= nil then return r end
    k, v = next(t, k)
  end
end
G.foreachi = function(t, f)
  checktable(t, 1, "foreachi")
  checkfunction(f, 2, "foreachi")
  for i = 1, getn(t) do
    local r = f(i, rawget(t, i))
    if r ~= nil then return r end
  end
end
G.foreachvar = function(f)
  return G.foreach(G, f)
end
G.sort = function(t, comp)
  checktable(t, 1, "sort")
  if comp ~= nil then checkfunction(comp, 2, "sort") end
  local n = getn(t)
  local a = {}
  for i = 1, n do
    local v = rawget(t, i)
    if v == nil and n > 1 then
      error("attempt to compare nil with " .. typename(rawget(t, i == 1 and 2 or 1)), 0)
    end
    a[i] = v
  end
  if comp then tsort(a, comp) else tsort(a) end
  for i = 1, n do rawset(t, i, a[i]) end
end
)lua"
                            R"lua(
-- Math, with angles in degrees
local RPD = math.pi / 180
local msin, mcos, mtan, masin, macos, matan, matan2 =
      math.sin, math.cos, math.tan, math.asin, math.acos, math.atan, math.atan2
G.sin = function(x) return msin(checknum(x, 1, "sin") * RPD) end
G.cos = function(x) return mcos(checknum(x, 1, "cos") * RPD) end
G.tan = function(x) return mtan(checknum(x, 1, "tan") * RPD) end
G.asin = function(x) return masin(checknum(x, 1, "asin")) / RPD end
G.acos = function(x) return macos(checknum(x, 1, "acos")) / RPD end
G.atan = function(x) return matan(checknum(x, 1, "atan")) / RPD end
G.atan2 = function(y, x)
  return matan2(checknum(y, 1, "atan2"), checknum(x, 2, "atan2")) / RPD
end
G.deg = function(x) return checknum(x, 1, "deg") / RPD end
G.rad = function(x) return checknum(x, 1, "rad") * RPD end
for _, name in ipairs{"abs", "ceil", "floor", "sqrt", "exp", "log", "log10", "frexp", "ldexp",
                      "min", "max", "random", "randomseed"} do
  G[name] = math[name]
end
G.mod = math.fmod

-- Input and output. Standard output goes to the run's output; there is no
-- keyboard input on the desktop.
local STDOUT = newproxy()
local STDIN = newproxy()
local function isfile(v) return v == STDOUT or v == STDIN or iotype(v) == "file" end
local function strip(msg, name)
  if type(msg) == "string" and strsub(msg, 1, strlen(name) + 2) == name .. ": " then
    return strsub(msg, strlen(name) + 3)
  end
  return msg
end
local function result(ok, msg, name)
  if ok then return 1 end
  return nil, strip(msg, name)
end
local function checkfile(f, n, fname)
  if f == STDIN then error("there is no standard input in a run: read from a file", 0) end
  if not isfile(f) or iotype(f) == "closed file" then argerror(n, fname, "file handle expected") end
  return f
end
G._STDIN, G._STDOUT, G._STDERR = STDIN, STDOUT, io.stderr
G._INPUT, G._OUTPUT = STDIN, STDOUT

local function openas(name, mode, fname)
  if isfile(name) then return name end
  name = checkstr(name, 1, fname)
  if strsub(name, 1, 1) == "|" then
    error("`" .. fname .. "' cannot start other programs in a run", 0)
  end
  local f, msg = open(name, mode)
  if not f then return nil, strip(msg, name) end
  return f
end
G.readfrom = function(name)
  if name == nil then
    local f = G._INPUT
    if iotype(f) == "file" then f:close() end
    G._INPUT = STDIN
    return 1
  end
  local f, msg = openas(name, "r", "readfrom")
  if not f then return nil, msg end
  G._INPUT = f
  return f
end
local function output(name, mode, fname)
  if name == nil then
    local f = G._OUTPUT
    if iotype(f) == "file" and f ~= stderr then f:close() end
    G._OUTPUT = STDOUT
    return 1
  end
  local f, msg = openas(name, mode, fname)
  if not f then return nil, msg end
  G._OUTPUT = f
  return f
end
G.writeto = function(name) return output(name, "w", "writeto") end
G.appendto = function(name) return output(name, "a", "appendto") end
G.openfile = function(name, mode)
  name = checkstr(name, 1, "openfile")
  mode = checkstr(mode, 2, "openfile")
  local f, msg = open(name, mode)
  if not f then return nil, strip(msg, name) end
  return f
end
G.closefile = function(f)
  if f == STDOUT or f == STDIN or f == stderr then return nil, "cannot close a standard file" end
  checkfile(f, 1, "closefile")
  return result(f:close())
end
G.flush = function(f)
  if f == nil then f = G._OUTPUT end
  if f == STDOUT then return 1 end
  return result(checkfile(f, 1, "flush"):flush())
end
G.seek = function(f, whence, offset)
  if f == STDOUT then return nil, "cannot seek the program's output" end
  checkfile(f, 1, "seek")
  local pos, msg = f:seek(optstr(whence, 2, "seek", "cur"), optint(offset, 3, "seek", 0))
  if not pos then return nil, msg end
  return pos
end

local function readword(f)
  local c = f:read(1)
  while c and strfind(c, "^%s") do c = f:read(1) end
  if not c then return nil end
  local parts = {c}
  c = f:read(1)
  while c and not strfind(c, "^%s") do
    parts[#parts + 1] = c
    c = f:read(1)
  end
  if c then f:seek("cur", -1) end
  return concat(parts)
end
local function readone(f, fmt, n)
  if type(fmt) == "number" then return f:read(fmt) end
  fmt = checkstr(fmt, n, "read")
  local kind = strsub(fmt, 1, 2)
  if kind == "*l" or kind == "*n" or kind == "*a" then return f:read(kind) end
  if kind == "*w" then return readword(f) end
  argerror(n, "read", "invalid format")
end
G.read = function(...)
  local nargs = select("#", ...)
  local f, first = G._INPUT, 1
  if nargs > 0 and isfile((...)) then f, first = (...), 2 end
  checkfile(f, 1, "read")
  if nargs < first then return f:read("*l") end
  local r = {}
  for i = first, nargs do
    local v = readone(f, (select(i, ...)), i)
    r[i - first + 1] = v
    if v == nil then break end
  end
  return unpack(r, 1, nargs - first + 1)
end
G.write = function(...)
  local nargs = select("#", ...)
  local f, first = G._OUTPUT, 1
  if nargs > 0 and isfile((...)) then f, first = (...), 2 end
  if f ~= STDOUT then checkfile(f, 1, "write") end
  for i = first, nargs do
    local v = select(i, ...)
    local s = v
    if type(v) == "number" then s = tostr(v)
    elseif type(v) ~= "string" then argerror(i, "write", "string expected, got " .. typename(v)) end
    if f == STDOUT then
      out(s)
    else
      local ok, msg = f:write(s)
      if not ok then return nil, msg end
    end
  end
  return 1
end

-- System
G.clock = os.clock
G.getenv = os.getenv
-- A name only, as C's tmpnam gives: Lua 5.1 also creates the file.
G.tmpname = function()
  local name = os.tmpname()
  os.remove(name)
  return name
end
G.exit = C.exitrun
G.date = function(fmt)
  fmt = optstr(fmt, 1, "date", "%c")
  -- strftime alone: no "*t" tables and no "!" for UTC in Lua 4.0
  return strsub(os.date(" " .. fmt), 2)
end
G.remove = function(name)
  name = checkstr(name, 1, "remove")
  local ok, msg = os.remove(name)
  return result(ok, msg, name)
end
G.rename = function(from, to)
  from = checkstr(from, 1, "rename")
  to = checkstr(to, 2, "rename")
  local ok, msg = os.rename(from, to)
  return result(ok, msg, from)
end
G.setlocale = function(locale, category)
  if locale ~= nil then
    error("`setlocale' cannot change the locale of the editor", 0)
  end
  return os.setlocale(nil, optstr(category, 2, "setlocale", "all"))
end
unsupported("execute", "a run cannot start other programs")
return G
)lua";

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

    if (luaL_loadbuffer(L, Library, std::char_traits<char>::length(Library), "=lua40") != 0)
        lua_error(L);
    lua_pushvalue(L, -2); // P
    lua_newtable(L);      // C
    const luaL_Reg functions[] = {
        {"cat", cat},         {"tostring", toString}, {"getn", getnFunction},
        {"tinsert", tinsert}, {"tremove", tremove},   {"out", output},
        {"load", loadChunk},  {"bare", bareMessage},  {"exitrun", exitFunction},
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
