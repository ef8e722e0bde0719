// The Lua 4.0 library's math, I/O and system functions, in Lua 5.1.
#include "run/lua40libraryscript.h"

namespace lua40 {

const char *const LibraryIo = R"lua(
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
-- Lua 5.1's own, behind argument checks that name them as 4.0 does.
for _, name in ipairs{"abs", "ceil", "floor", "sqrt", "exp", "log", "log10", "frexp",
                      "randomseed"} do
  G[name] = C.named(name, 1, math[name])
end
G.ldexp = C.named("ldexp", 2, math.ldexp)
G.min = C.named("min", -1, math.min)
G.max = C.named("max", -1, math.max)
G.mod = C.named("mod", 2, math.fmod)
G.random = function(...)
  local nargs = select("#", ...)
  local m, n = ...
  if nargs == 0 then return math.random() end
  m = checkint(m, 1, "random")
  if nargs == 1 then
    if m < 1 then argerror(1, "random", "interval is empty") end
    return math.random(m)
  end
  n = checkint(n, 2, "random")
  if m > n then argerror(2, "random", "interval is empty") end
  return math.random(m, n)
end

-- Input and output. Standard output goes to the run's output; there is no
-- keyboard input on the desktop.
-- Files live in the handheld's storage folder only (C.confine).
local STDOUT = newproxy()
local STDIN = newproxy()
local STDERR = newproxy()
tagof[STDOUT], tagof[STDIN], tagof[STDERR] = FILETAGS.file, FILETAGS.file, FILETAGS.file
local confine, errout = C.confine, C.errout
local function isfile(v) return v == STDOUT or v == STDIN or v == STDERR or iotype(v) == "file" end
local function strip(msg, name)
  if type(msg) == "string" and strsub(msg, 1, strlen(name) + 2) == name .. ": " then
    return strsub(msg, strlen(name) + 3)
  end
  return msg
end
-- Success is a userdata, as in Lua 4.0.
local function result(ok, msg, code, name)
  if ok then return NORESULT end
  return nil, strip(msg, name), code
end
local function checkfile(f, n, fname)
  if f == STDIN then error("there is no standard input in a run: read from a file", 0) end
  if not isfile(f) or iotype(f) == "closed file" then argerror(n, fname, "file handle expected") end
  return f
end
G._STDIN, G._STDOUT, G._STDERR = STDIN, STDOUT, STDERR
G._INPUT, G._OUTPUT = STDIN, STDOUT

local function openas(name, mode, fname)
  if isfile(name) then return name end
  name = checkstr(name, 1, fname)
  if strsub(name, 1, 1) == "|" then
    error("`" .. fname .. "' cannot start other programs in a run", 0)
  end
  local path = confine(name, fname)
  local f, msg, code = open(path, mode)
  if not f then return nil, strip(msg, path), code end
  return f
end
G.readfrom = function(name)
  if name == nil then
    local f = CUR._INPUT
    if iotype(f) == "file" then f:close() end
    CUR._INPUT = STDIN
    return 1
  end
  local f, msg, code = openas(name, "r", "readfrom")
  if not f then return nil, msg, code end
  CUR._INPUT = f
  return f
end
local function output(name, mode, fname)
  if name == nil then
    local f = CUR._OUTPUT
    if iotype(f) == "file" then f:close() end
    CUR._OUTPUT = STDOUT
    return 1
  end
  local f, msg, code = openas(name, mode, fname)
  if not f then return nil, msg, code end
  CUR._OUTPUT = f
  return f
end
G.writeto = function(name) return output(name, "w", "writeto") end
G.appendto = function(name) return output(name, "a", "appendto") end
G.openfile = function(name, mode)
  name = checkstr(name, 1, "openfile")
  mode = checkstr(mode, 2, "openfile")
  local path = confine(name, "openfile")
  local f, msg, code = open(path, mode)
  if not f then return nil, strip(msg, path), code end
  return f
end
G.closefile = function(f)
  if f == STDOUT or f == STDIN or f == STDERR then return nil, "cannot close a standard file" end
  checkfile(f, 1, "closefile")
  local ok, msg, code = f:close()
  return result(ok, msg, code)
end
G.flush = function(f)
  if f == nil then f = CUR._OUTPUT end
  if f == STDOUT or f == STDERR then return 1 end
  local ok, msg, code = checkfile(f, 1, "flush"):flush()
  return result(ok, msg, code)
end
G.seek = function(f, whence, offset)
  if f == STDOUT or f == STDERR then return nil, "cannot seek the program's output" end
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
  local f, first = CUR._INPUT, 1
  if nargs > 0 and isfile((...)) then f, first = (...), 2 end
  checkfile(f, 1, "read")
  -- What could not be read is left out: at the end, read returns nothing.
  if nargs < first then
    local line = f:read("*l")
    if line == nil then return end
    return line
  end
  local r, n = {}, 0
  for i = first, nargs do
    local v = readone(f, (select(i, ...)), i)
    if v == nil then break end
    n = n + 1
    r[n] = v
  end
  return unpack(r, 1, n)
end
G.write = function(...)
  local nargs = select("#", ...)
  local f, first = CUR._OUTPUT, 1
  if nargs > 0 and isfile((...)) then f, first = (...), 2 end
  if f ~= STDOUT and f ~= STDERR then checkfile(f, 1, "write") end
  for i = first, nargs do
    local v = select(i, ...)
    local s = v
    if type(v) == "number" then s = tostr(v)
    elseif type(v) ~= "string" then argerror(i, "write", "string expected, got " .. typename(v)) end
    if f == STDOUT then
      out(s)
    elseif f == STDERR then
      errout(s)
    else
      local ok, msg = f:write(s)
      if not ok then return nil, msg end
    end
  end
  return f
end

-- System
G.clock = os.clock
-- The handheld has no environment: nothing of the user's is shown.
G.getenv = function(name)
  checkstr(name, 1, "getenv")
  return nil
end
-- A name only, as C's tmpnam gives, for a file in the storage folder.
G.tmpname = C.tmpname
G.exit = C.exitrun
G.date = function(fmt)
  fmt = optstr(fmt, 1, "date", "%c")
  -- strftime alone: no "*t" tables and no "!" for UTC in Lua 4.0
  return strsub(os.date(" " .. fmt), 2)
end
G.remove = function(name)
  name = checkstr(name, 1, "remove")
  local path = confine(name, "remove")
  local ok, msg, code = os.remove(path)
  return result(ok, msg, code, path)
end
G.rename = function(from, to)
  from = checkstr(from, 1, "rename")
  to = checkstr(to, 2, "rename")
  local path = confine(from, "rename")
  local ok, msg, code = os.rename(path, confine(to, "rename"))
  return result(ok, msg, code, path)
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

} // namespace lua40
