// The Lua 4.0 library's basic functions, call and dostring, strings and tables, in Lua 5.1.
#include "run/lua40libraryscript.h"

namespace lua40 {

const char *const LibraryBase = R"lua(
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

-- Compiles `s` and runs it as dostring and dofile do: a syntax error is
-- reported and answered with nil and "syntax error". A file's syntax
-- error keeps the file's name and line in front, as Lua 4.0 names them.
local function runsource(s, chunkname, whole)
  local f, msg = load4(s, chunkname)
  if not f then
    if whole then
      local handler = G._ERRORMESSAGE
      if handler then handler(msg) end
    else
      report(msg)
    end
    return nil, "syntax error"
  end
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
  return runsource(s, "=" .. name)
end
G.dofile = function(filename)
  filename = checkstr(filename, 1, "dofile")
  local h = open(C.confine(filename, "dofile"), "rb")
  if not h then return nil, "file error" end
  local s = h:read("*a")
  h:close()
  if not s then return nil, "file error" end
  return runsource(s, "=file `" .. filename .. "'", true)
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
)lua";

} // namespace lua40
