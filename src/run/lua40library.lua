-- The Lua 4.0 library on Lua 5.1, loaded as one chunk: see lua40library.h.
local P, C = ...
local type, next, rawget, rawset, select, unpack, pcall, xpcall, error, setmetatable, tonum =
      type, next, rawget, rawset, select, unpack, pcall, xpcall, error, setmetatable, tonumber
local getfenv, setfenv, getmetatable = getfenv, setfenv, debug.getmetatable
local getinfo, getlocal, getupvalue, getregistry =
      debug.getinfo, debug.getlocal, debug.getupvalue, debug.getregistry
local string, table, math, io, os = string, table, math, io, os
local strlen, strsub, strfind = string.len, string.sub, string.find
local concat, tsort = table.concat, table.sort
local floor, ceil = math.floor, math.ceil
local open, iotype, stdin, stderr = io.open, io.type, io.stdin, io.stderr
local cat, tostr, getn, out, load4, bare = C.cat, C.tostring, C.getn, C.out, C.load, C.bare
local keep = C.keep
local STOP, EXIT, NOMESSAGE = C.stop, C.exit, C.nomessage
-- What dostring, dofile, remove and the like give for success: a new
-- userdata each time, of tag 0, as in Lua 4.0.
local NORESULT = newproxy
-- G is the table of globals the program starts with; CUR the one it uses
-- now: globals(t) makes every function of the program use t (see rebind).
local G = {}
local CUR = G
-- 4.0 calls a tag's gettable and settable methods for every key of a table,
-- Lua 5.1 its __index and __newindex only for an absent one. A table whose
-- tag has either is kept empty, its contents in a store of its own, so that
-- every access reaches the metatable; the raw table functions, here and in
-- the C++ half, work on the store.
local stores = C.stores

P.G = G
P.cat = cat
P.catd = C.catd
P.keep = C.keep
P.select = select
-- The table for's own next: the program's next is one of 4.0's library
-- functions, which a traceback shows; the loop's is part of the loop.
local loopnext = C.twin(next)
P.each = function(t)
  if type(t) ~= "table" then error("`for' table must be a table", 0) end
  return loopnext, stores[t] or t, nil
end
-- Not a tail call: a traceback names the method by k.
P.meth = function(o, k, ...) return keep(o[k](o, ...)) end
P.table = function(t)
  if type(t) ~= "table" then error("`for' table must be a table", 0) end
  return stores[t] or t
end
P.next = loopnext
P.nilindex = function() error("table index is nil", 0) end

local function argerror(n, fname, msg)
  error("bad argument #" .. n .. " to `" .. fname .. "' (" .. msg .. ")", 0)
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
local function tonumber4(v)
  if type(v) == "number" then return v end
  if type(v) ~= "string" then return nil end
  return tonum(v)
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
local function checktable(v, n, fname, given)
  if type(v) ~= "table" then
    argerror(n, fname, "table expected, got " .. (given and typename(v) or "no value"))
  end
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
G.type = function(...)
  if select("#", ...) == 0 then argerror(1, "type", "value expected") end
  return type((...))
end
G.next = C.next
G.rawget = C.rawget
G.rawset = C.rawset
-- Each name its own function, as in 4.0, whose messages name the one
-- found among the globals.
G.rawgettable = C.twin(C.rawget)
G.rawsettable = C.twin(C.rawset)
G.tostring = tostr
G.tonumber = C.tonumber
G.print = C.print
G.assert = function(...)
  if select("#", ...) == 0 then argerror(1, "assert", "value expected") end
  local v, m = ...
  if v == nil then
    error("assertion failed!  " .. optstr(m, 2, "assert", ""), 0)
  end
end
-- error(): no message, so no handler hears of it; a number is its text.
G.error = function(...)
  if select("#", ...) == 0 then error(NOMESSAGE, 0) end
  error(checkstr((...), 1, "error"), 0)
end
local programerror = G.error
G.getglobal = function(n) return CUR[checkstr(n, 1, "getglobal")] end
G.setglobal = function(n, v) CUR[checkstr(n, 1, "setglobal")] = v end
-- Lua 4.0 functions use whatever table of globals is current when they
-- run; Lua 5.1 functions keep one each. So that reading a global costs no
-- more than in 5.1, globals(t) gives t to every function of the program
-- that used the old table, all that can still be reached: from the
-- registry, the tables of globals, and the functions and locals on the
-- stack, through tables, metatables and upvalues.
-- Calls visit(v) once for each table, function and userdata that can be
-- reached from the registry, `roots`, and the functions and locals on the
-- stack, through tables, metatables and upvalues.
local function walk(roots, visit)
  local seen = {}
  local pending, n = {getregistry(), unpack(roots)}, #roots + 1
  for level = 2, 1000000 do
    local info = getinfo(level, "f")
    if not info then break end
    n = n + 1
    pending[n] = info.func
    for i = 1, 1000000 do
      local name, v = getlocal(level, i)
      if name == nil then break end
      n = n + 1
      pending[n] = v
    end
  end
  while n > 0 do
    local v = pending[n]
    pending[n] = nil
    n = n - 1
    local tv = type(v)
    if (tv == "table" or tv == "function" or tv == "userdata") and not seen[v] then
      seen[v] = true
      visit(v, tv)
      if tv == "table" then
        for k, x in next, v do
          n = n + 2
          pending[n - 1], pending[n] = k, x
        end
      elseif tv == "function" then
        for i = 1, 1000000 do
          local name, u = getupvalue(v, i)
          if name == nil then break end
          n = n + 1
          pending[n] = u
        end
      end
      local mt = getmetatable(v)
      if mt then
        n = n + 1
        pending[n] = mt
      end
    end
  end
end
local function rebind(old, new)
  walk({old, new}, function(v, tv)
    if tv == "function" and getinfo(v, "S").what ~= "C" and getfenv(v) == old then
      setfenv(v, new)
    end
  end)
  setfenv(0, new)
end
G.globals = function(...)
  local old = CUR
  if select("#", ...) > 0 then
    local new = checktable((...), 1, "globals", true)
    if new ~= old then
      CUR = new
      P.G = new
      rebind(old, new)
      P.refreshglobals(old)
    end
  end
  return old
end
G.collectgarbage = function() collectgarbage("collect") end
G.gcinfo = function()
  local k = floor(collectgarbage("count"))
  return k, 2 * k
end

-- Tags and tag methods, on Lua 5.1's metatables: each tag made by newtag
-- has two, shared by the tables settag gives it: one for tables kept as
-- they are, one for tables kept in a store (see stores).
local TAGS = {userdata = 0, ["nil"] = 1, number = 2, string = 3, table = 4, ["function"] = 5}
-- 4.0's input and output library makes the next two, for open and closed
-- files; a program's first newtag is 8.
local FILETAGS = {file = 6, ["closed file"] = 7}
local lasttag = 7
-- Whether the program has set tag methods: chunks it loads from then on
-- order values and make tables by them (see plua::translate).
local tagging = false
local methods = {}
local metas = {}
local storemetas = {} -- the metatables of the tables kept in a store
-- A table's tag is its metatable's __tag; the standard files' is here.
local tagof = {}
local function tagvalue(o)
  local t = type(o)
  if t == "table" then
    local mt = getmetatable(o)
    return mt and mt.__tag or TAGS.table
  elseif t == "userdata" then
    return tagof[o] or FILETAGS[iotype(o)] or 0
  end
  return TAGS[t]
end
P.tag = tagvalue
-- 4.0's events, in its order, and which of them each built-in tag takes
-- (a tag from newtag takes all).
local EVENTS = {"gettable", "settable", "index", "getglobal", "setglobal", "add", "sub", "mul",
                "div", "pow", "unm", "lt", "concat", "gc", "function"}
local VALID = {[0] = "110001111111101", "111111111111111", "110000000100001", "110000000000001",
               "001001111111101", "110011111111100"}
local TYPENAMES = {[0] = "userdata", "nil", "number", "string", "table", "function"}
for i, e in ipairs(EVENTS) do EVENTS[e] = i end
-- Tables may take the file tags too.
for t = FILETAGS.file, lasttag do metas[t], storemetas[t] = {}, {} end
for t = 0, lasttag do methods[t] = {} end
local function checktag(t)
  if t < 0 or t > lasttag then error(t .. " is not a valid tag", 0) end
  return t
end
-- The event named, as 4.0 checks it for tag t.
local function checkevent(event, t)
  if event == "le" or event == "gt" or event == "ge" then
    error("event `" .. event .. "' is deprecated", 0)
  end
  if event == "gc" and t == TAGS.table then error("event `gc' for tables is deprecated", 0) end
  if not EVENTS[event] then error("`" .. event .. "' is not a valid event name", 0) end
  return event
end
local function valid(t, event)
  local v = VALID[t]
  return not v or strsub(v, EVENTS[event], EVENTS[event]) == "1"
end
-- A binary event goes to the tag method of the first operand's tag, else
-- the second's, else tag 0's, and hears the event's name; unary minus is
-- an event of its operand and nil. Lua 5.1 asks the first operand's
-- metatable, then the second's, so a tag's own method can sit in its
-- metatable; these find the others. lt has one function shared by every
-- metatable, since Lua 5.1 compares two values only if their __lt agree.
local ARITH = {add = "__add", sub = "__sub", mul = "__mul", div = "__div", concat = "__concat"}
local dispatch = {}
for e in next, ARITH do
  dispatch[e] = function(a, b)
    local f = methods[tagvalue(a)][e] or methods[tagvalue(b)][e] or methods[0][e]
    return f(a, b, e)
  end
end
dispatch.lt = function(a, b, swapped)
  local ma, mb = getmetatable(a), getmetatable(b)
  local f = ma and ma.__ltm or mb and mb.__ltm or methods[tagvalue(a)].lt or
            methods[tagvalue(b)].lt or methods[0].lt
  if not f then
    local ta, tb = type(a), type(b)
    if swapped then ta, tb = tb, ta end
    error(ta == tb and "attempt to compare two " .. ta .. " values" or
          "attempt to compare " .. ta .. " with " .. tb, 0)
  end
  return f(a, b, "lt") ~= nil
end
dispatch.unm = function(a)
  local f = methods[tagvalue(a)].unm or methods[1].unm or methods[0].unm
  return f(a, nil, "unm")
end
-- a < b, a > b, a <= b and a >= b in a program that sets tag methods, as
-- 4.0 orders them: numbers and strings by value, anything else by the lt
-- tag method; 1 or nil.
P.lt, P.gt, P.le, P.ge = C.order(dispatch.lt)
-- The metamethods of tag t that do not depend on how its values are kept.
local function fill(mt, t)
  local m, global = methods[t], methods[0]
  for e, meta in next, ARITH do
    local f = m[e]
    if f then
      mt[meta] = function(a, b) return f(a, b, e) end
    elseif global[e] then
      mt[meta] = dispatch[e]
    end
  end
  -- Every tag's tables have it: Lua 5.1 compares two tables only if their
  -- __lt agree.
  if m.lt or global.lt or metas[t] then mt.__lt = dispatch.lt end
  mt.__ltm = m.lt -- for dispatch.lt and C.order
  if m.unm then
    local unm = m.unm
    mt.__unm = function(a) return unm(a, nil, "unm") end
  elseif methods[1].unm or global.unm then
    mt.__unm = dispatch.unm
  end
  -- Lua 5.1 calls these as 4.0 calls its methods.
  mt.__call = m["function"]
end
-- Moves a table's contents into a store of its own (see stores).
local function hide(o)
  local store = {}
  for k, v in next, o do store[k] = v end
  for k in next, store do rawset(o, k, nil) end
  stores[o] = store
end
local function rebuild(t)
  local m, mt, pmt = methods[t], metas[t], storemetas[t]
  for k in next, mt do mt[k] = nil end
  for k in next, pmt do pmt[k] = nil end
  fill(mt, t)
  fill(pmt, t)
  mt.__tag, pmt.__tag = t, t
  -- Its tables keep their contents in stores.
  mt.__store = (m.gettable or m.settable) and true
  local index, gettable, settable = m.index, m.gettable, m.settable
  mt.__index = index
  if gettable then
    pmt.__index = gettable
  else
    pmt.__index = function(o, k)
      local v = stores[o][k]
      if v == nil and index then return index(o, k) end
      return v
    end
  end
  if settable then
    pmt.__newindex = settable
  else
    pmt.__newindex = function(o, k, v) stores[o][k] = v end
  end
end
-- nil, numbers, strings and functions take tag methods through the
-- metatable Lua 5.1 keeps for each type, which has none unless the program
-- gave one: Lua 4.0's strings have no methods.
local setmeta = debug.setmetatable
local SAMPLES = {[TAGS["nil"]] = false, [TAGS.number] = 0, [TAGS.string] = "",
                 [TAGS["function"]] = print}
local function rebuildall()
  rebuild(TAGS.table)
  for t = FILETAGS.file, lasttag do rebuild(t) end
  for t, sample in next, SAMPLES do
    local mt, m = {}, methods[t]
    fill(mt, t)
    mt.__index, mt.__newindex = m.gettable, m.settable
    if sample == false then sample = nil end
    setmeta(sample, next(mt) and mt or nil)
  end
end
-- Tables of tag t kept as they are move into stores once t calls a
-- method for every key.
local plaintags = {} -- the tags some table has been given as it is
local function storeall(t)
  local m = methods[t]
  if plaintags[t] and (m.gettable or m.settable) then
    local mt = metas[t]
    walk({}, function(o, to)
      if to == "table" and getmetatable(o) == mt then
        hide(o)
        setmetatable(o, storemetas[t])
      end
    end)
  end
end
-- Globals' tag methods: 4.0 calls the getglobal and setglobal methods of
-- the tag of a global's value. While only nil's are set, a metatable on the
-- table of globals does, since Lua 5.1 calls __index and __newindex just
-- for a global whose value is nil; once another tag has one, the globals
-- move into a store (see stores), so that every access asks.
local GMT = {}
local SGMT = {
  __index = function(g, name)
    local v = stores[g][name]
    local tm = methods[tagvalue(v)].getglobal
    if tm then return tm(name, v) end
    return v
  end,
  __newindex = function(g, name, new)
    local store = stores[g]
    local old = store[name]
    local tm = methods[tagvalue(old)].setglobal
    if tm then tm(name, old, new) else store[name] = new end
  end,
}
-- The metatable a table of globals had before one of these (nil, or tag
-- 4's for a table the program made), for when it is one no longer.
local priormeta = setmetatable({}, {__mode = "k"})
P.refreshglobals = function(old)
  local oldmt = old and getmetatable(old)
  if oldmt == SGMT then
    local store = stores[old]
    stores[old] = nil
    setmetatable(old, priormeta[old])
    for k, v in next, store do rawset(old, k, v) end
  elseif oldmt == GMT then
    setmetatable(old, priormeta[old])
  end
  local every = false
  for t = 0, lasttag do
    every = every or (t ~= TAGS["nil"] and (methods[t].getglobal or methods[t].setglobal) ~= nil)
  end
  local nilm = methods[TAGS["nil"]]
  local get, set = nilm.getglobal, nilm.setglobal
  GMT.__index = get and function(_, k) return get(k, nil) end or nil
  GMT.__newindex = set and function(_, k, v) set(k, nil, v) end or nil
  local mt = getmetatable(CUR)
  local plain = mt == nil or mt == metas[TAGS.table]
  if plain then priormeta[CUR] = mt end
  if every then
    if mt == GMT then
      setmetatable(CUR, priormeta[CUR])
      plain = true
    end
    if plain then
      hide(CUR)
      setmetatable(CUR, SGMT)
    end
  elseif get or set then
    if plain then setmetatable(CUR, GMT) end
  elseif mt == GMT then
    setmetatable(CUR, priormeta[CUR])
  end
end
-- The tables a program makes, in a program that sets tag methods: 4.0
-- calls tag 4's methods for every table without a tag of its own.
metas[TAGS.table], storemetas[TAGS.table] = {}, {}
rebuild(TAGS.table)
for t = FILETAGS.file, lasttag do rebuild(t) end
P.new = C.maker(metas[TAGS.table])
G.newtag = function()
  lasttag = lasttag + 1
  methods[lasttag] = {}
  metas[lasttag] = {}
  storemetas[lasttag] = {}
  rebuild(lasttag)
  return lasttag
end
G.settag = function(o, t)
  if type(o) ~= "table" then checktable(o, 1, "settag", true) end
  local mt = t ~= TAGS.table and metas[t]
  if not mt then
    t = checkint(t, 2, "settag")
    mt = metas[t]
    if t < FILETAGS.file or not mt then error("tag " .. t .. " was not created by `newtag'", 0) end
  end
  if stores[o] then
    mt = storemetas[t]
  elseif mt.__store then
    hide(o)
    mt = storemetas[t]
  else
    plaintags[t] = true
  end
  setmetatable(o, mt)
  return o
end
G.tag = function(...)
  if select("#", ...) == 0 then argerror(1, "tag", "value expected") end
  return tagvalue((...))
end
G.settagmethod = function(t, event, f)
  t = checkint(t, 1, "settagmethod")
  event = checkstr(event, 2, "settagmethod")
  if f ~= nil and type(f) ~= "function" then
    argerror(3, "settagmethod", "function or nil expected")
  end
  if event == "gc" then error("deprecated use: cannot set the `gc' tag method from Lua", 0) end
  checkevent(event, t)
  checktag(t)
  if not valid(t, event) then
    error("cannot change `" .. event .. "' tag method for type `" .. TYPENAMES[t] .. "'" ..
          ((t == TAGS.table or t == TAGS.userdata) and " with default tag" or ""), 0)
  end
  local old = methods[t][event]
  methods[t][event] = f
  tagging = true
  storeall(t)
  rebuildall()
  if event == "getglobal" or event == "setglobal" then P.refreshglobals() end
  return old
end
-- a ^ b: the pow tag method of a's tag, else of b's, else of tag 0.
-- Numbers have the power (4.0's mathematics library sets it); nothing else
-- has one.
methods[TAGS.number].pow = function(a, b)
  return checknum(a, 1, "pow") ^ checknum(b, 2, "pow")
end
P.pow = function(a, b)
  local f = methods[tagvalue(a)].pow or methods[tagvalue(b)].pow or methods[0].pow
  if not f then error("undefined operation", 0) end
  return f(a, b, "pow")
end
G.gettagmethod = function(t, event)
  t = checkint(t, 1, "gettagmethod")
  event = checkstr(event, 2, "gettagmethod")
  if event == "gc" then error("deprecated use: cannot get the `gc' tag method from Lua", 0) end
  checkevent(event, t)
  checktag(t)
  return methods[t][event]
end
G.copytagmethods = function(to, from)
  to = checktag(checkint(to, 1, "copytagmethods"))
  from = checktag(checkint(from, 2, "copytagmethods"))
  for _, e in ipairs(EVENTS) do
    if valid(to, e) then methods[to][e] = methods[from][e] end
  end
  tagging = true
  storeall(to)
  rebuildall()
  P.refreshglobals()
  return to
end

for _, name in ipairs{"debug", "getinfo", "getlocal", "setlocal", "setcallhook", "setlinehook"} do
  unsupported(name, "there is no debugger in a run")
end
for _, name in ipairs{"foreachvar", "nextvar", "rawgetglobal", "rawsetglobal"} do
  G[name] = function() error("function `" .. name .. "' is deprecated", 0) end
end

-- Errors. As in Lua 4.0, the _ERRORMESSAGE in force where an error is
-- raised hears of it once, before the stack unwinds to the call, dostring
-- or dofile that catches it (the program's end, at the top). The default
-- passes it to _ALERT; at the top the run reports the error itself.
local toplevel = false

-- The stack traceback the default _ERRORMESSAGE adds, as Lua 4.0 writes
-- it: one line for each function of the program (and of its dostring and
-- dofile chunks) and one for each library function it sees, which are C
-- functions in 4.0; the library's own workings are left out.
local LIBSOURCE = getinfo(1, "S").source
local PROGRAM, PROGRAMID -- the program's chunk name and its name in 4.0
local VISIBLE = {} -- the library functions a program can see
local runsource -- runs dostring and dofile chunks (below)
-- Where the calls over several lines of the program's chunk and of those
-- chunks end, by chunk name.
local CALLENDS = {}
-- By chunk name, the lines where Lua 5.1 names the operands of a refused
-- comparison the other way round from 4.0 (see plua::Translation).
local SWAPPED = {}
local RESERVED51 = {["true"] = 1, ["false"] = 1, ["in"] = 1}
local format, keyof = string.format, C.keyof
-- How 4.0 names a chunk loaded under `name`: "@file" a file, "=text" the
-- text, anything else the start of its source.
local function chunkid(name)
  name = strsub(name, 1, (strfind(name, "\0", 1, true) or 0) - 1)
  local first = strsub(name, 1, 1)
  if first == "=" then return strsub(name, 2, 60) end
  if first == "@" then
    if strlen(name) > 48 then return "file `..." .. strsub(name, -47) .. "'" end
    return "file `" .. strsub(name, 2) .. "'"
  end
  local line = strfind(name, "\n", 1, true)
  local len = line and line - 1 or strlen(name)
  if len > 43 then len = 43 end
  if len < strlen(name) then return "string \"" .. strsub(name, 1, len) .. "...\"" end
  return "string \"" .. name .. "\""
end
P.begin = function(source, callends, swapped)
  PROGRAM, PROGRAMID = source, chunkid("@" .. strsub(source, 2))
  CALLENDS[source], SWAPPED[source] = callends, swapped
  VISIBLE = {}
  for _, v in next, CUR do
    if type(v) == "function" then VISIBLE[v] = true end
  end
  for t = 0, lasttag do
    for _, f in next, methods[t] do VISIBLE[f] = true end
  end
end
local function isprogram(info)
  return info ~= nil and info.what ~= "C" and info.what ~= "tail" and info.source ~= LIBSOURCE
end
-- What the frame frames[i] is to 4.0 (frames[i + 1] its caller): "C" for a
-- library function, "main" for the body of a chunk, "Lua" for a function
-- of the program, nil for none.
local function framekind(frames, i)
  local info = frames[i]
  if info.what == "tail" then return nil end
  local f = info.func
  if VISIBLE[f] then return "C" end
  if info.what == "C" or info.source == LIBSOURCE then return nil end
  -- A chunk's body is a function its chunk tail calls, run by the run
  -- itself or by runsource (through xpcall).
  if info.what == "main" then return "main" end
  local j = i + 1
  while frames[j] and frames[j].what == "tail" do j = j + 1 end
  if j > i + 1 and (frames[j] == nil or frames[j + 1] and frames[j + 1].func == runsource) then
    return "main"
  end
  return "Lua"
end
-- By the global that holds f, else by the tag method it is.
-- The global found last for each function, tried first: walking the
-- globals is most of what a traceback costs.
local lastkey = setmetatable({}, {__mode = "k"})
local function searchname(f)
  local globals = stores[CUR] or CUR
  local k = lastkey[f]
  if k == nil or rawget(globals, k) ~= f then
    k = keyof(globals, f)
    lastkey[f] = k
  end
  if k then return "function `" .. strsub(k, 1, 50) .. "'" end
  -- The first event in 4.0's order that has f for some tag.
  local found
  for t = 0, lasttag do
    for event, m in next, methods[t] do
      if m == f and (not found or EVENTS[event] < EVENTS[found]) then found = event end
    end
  end
  if found then return "`" .. found .. "' tag method" end
end
-- By the call that made it: 4.0 knows a global, a local and a field or
-- method; what Lua 5.1 reads in the translation says which it was.
local function callname(kind, name, f)
  if kind == "global" then return "function `" .. strsub(name, 1, 50) .. "'" end
  if kind == "local" then
    local renamed = strsub(name, 1, 2) == "_P" and string.match(name, "^_P_*k_(.*)$")
    if RESERVED51[renamed] then name = renamed end
    return "function `" .. strsub(name, 1, 50) .. "'"
  end
  if kind == "method" then return "method `" .. strsub(name, 1, 50) .. "'" end
  if kind == "field" and name ~= "?" then
    -- A global named as a Lua 5.1 keyword is a field of the helper table.
    if RESERVED51[name] and rawget(CUR, name) == f then return "function `" .. name .. "'" end
    return "method `" .. strsub(name, 1, 50) .. "'"
  end
  -- An upvalue's copy, an expression: no name.
end
local function shortsource(source)
  if source == PROGRAM then return PROGRAMID end
  return chunkid(source)
end
-- The traceback from level `first` of the caller on; `callerror` says the
-- function there stands at a call.
local function traceback(first, callerror)
  local frames, count = {}, 0
  local info = getinfo(first + 1, "Slf")
  while info do
    count = count + 1
    frames[count] = info
    info = getinfo(first + 1 + count, "Slf")
  end
  local shown, kinds, n = {}, {}, 0
  for i = 1, count do
    local kind = framekind(frames, i)
    if kind then
      n = n + 1
      shown[n], kinds[n] = i, kind
    end
  end
  if n == 0 then return "" end
  local out = {"stack traceback:\n"}
  for j = 1, n do
    if n > 22 and j == 12 then out[#out + 1] = "       ...\n" end
    if n <= 22 or j <= 11 or j > n - 10 then
      local i, kind = shown[j], kinds[j]
      info = frames[i]
      local src = kind == "C" and "C" or shortsource(info.source)
      local text
      local caller = frames[i + 1]
      if isprogram(caller) then
        local how = getinfo(first + i, "n")
        text = callname(how.namewhat, how.name, info.func)
      elseif caller and caller.func == P.meth then
        -- o:k() where k is a Lua 5.1 keyword: meth(o, "k") makes the call.
        local _, k = getlocal(first + i + 1, 2)
        text = "method `" .. strsub(k, 1, 50) .. "'"
      end
      -- A chunk's body is no value the program can hold.
      if kind ~= "main" then text = text or searchname(info.func) end
      if not text then
        if kind == "main" then
          text = "main of " .. src
        elseif kind == "C" then
          text = src
        else
          text = "function <" .. info.linedefined .. ":" .. src .. ">"
        end
        src = nil
      end
      local line = info.currentline
      if kind ~= "C" and line > 0 then
        local ends = CALLENDS[info.source]
        if ends and (i > 1 or callerror) then line = ends[line] or line end
        text = text .. " at line " .. line
      end
      if src then text = text .. " [" .. src .. "]" end
      out[#out + 1] = format("%4d:  ", j) .. text .. "\n"
    end
  end
  return concat(out)
end

-- 4.0 names the function in "bad argument" as the program called it (the
-- name a traceback gives it, "?" for none); the library's checks name
-- their own. e, raised below level 2 of the caller: with 4.0's name.
local function argname(e)
  if type(e) ~= "string" then return e end
  -- After the place Lua 5.1 puts in front, if any.
  local start, to = strfind(e, "bad argument #%d+ to [`']")
  if not start or start > 1 and not strfind(strsub(e, 1, start - 1), "^[^\n]*:%d+: $") then
    return e
  end
  for level = 3, 60 do
    local info = getinfo(level, "Sf")
    if not info or isprogram(info) or info.func == programerror then return e end
    if VISIBLE[info.func] then
      local text
      if isprogram(getinfo(level + 1, "S")) then
        local how = getinfo(level, "n")
        text = callname(how.namewhat, how.name, info.func)
      end
      text = text or searchname(info.func) or "`?'"
      local name = string.match(text, "`(.*)'")
      -- Lua 5.1's own checks quote it 'so'.
      local close = strfind(e, "' (", to + 1, true)
      if not close then return e end
      return strsub(e, 1, to - 1) .. "`" .. name .. strsub(e, close)
    end
  end
  return e
end

-- A comparison Lua 5.1 refused on a line of the program where it names the
-- operands the other way round from 4.0 (a > b and a <= b): e, raised below
-- level 2 of the caller, with them in 4.0's order.
local function ordernames(e)
  if type(e) ~= "string" then return e end
  local start, _, first, second = strfind(e, "attempt to compare (%a+) with (%a+)$")
  if not start then return e end
  -- The frame that compared: past the run's own handler, if any.
  local level = 3
  local info = getinfo(level, "Sl")
  while info and info.what == "C" do
    level = level + 1
    info = getinfo(level, "Sl")
  end
  local lines = info and SWAPPED[info.source]
  if not (lines and lines[info.currentline]) then return e end
  return strsub(e, 1, start - 1) .. "attempt to compare " .. second .. " with " .. first
end

-- Called by the program itself, its traceback starts at its caller, which
-- stands at the call.
local DEFAULT_ERRORMESSAGE = function(...)
  if toplevel then return end
  if select("#", ...) == 0 then argerror(1, "_ERRORMESSAGE", "string expected, got no value") end
  local m = checkstr((...), 1, "_ERRORMESSAGE")
  local alert = CUR._ALERT
  if alert then alert("error: " .. tostr(m) .. "\n" .. traceback(2, true)) end
end
local DEFAULT_ALERT = function(s) stderr:write(checkstr(s, 1, "_ALERT")) end
G._ALERT = DEFAULT_ALERT
G._ERRORMESSAGE = DEFAULT_ERRORMESSAGE
-- The error last reported, the program's line where it was raised, and
-- whether the default handler still owes its text (with the traceback of
-- when it was raised): that goes to _ALERT only if a call or dostring ends
-- the error; at the top the run reports it.
local REPORTED = {}
local lineofprogram = C.line
local function signal(e)
  return e == STOP or e == EXIT
end
local function reporter(e, keepwhere)
  if signal(e) or e == NOMESSAGE or REPORTED[1] == e then return e end
  e = ordernames(argname(e))
  local handler = CUR._ERRORMESSAGE
  REPORTED[1], REPORTED[2], REPORTED[3] = e, lineofprogram(e), handler == DEFAULT_ERRORMESSAGE
  REPORTED[4] = keepwhere
  if handler == DEFAULT_ERRORMESSAGE then
    -- Protected: a failure here (memory) must not become the program's error.
    local ok, text =
      pcall(traceback, 3, type(e) == "string" and strfind(e, "attempt to call", 1, true))
    REPORTED[5] = ok and text or ""
  elseif handler then
    pcall(handler, keepwhere and e or bare(e))
  end
  return e
end
local function caught()
  if REPORTED[3] then
    local alert = CUR._ALERT
    local e = REPORTED[4] and REPORTED[1] or bare(REPORTED[1])
    if alert then pcall(alert, "error: " .. tostr(e) .. "\n" .. (REPORTED[5] or "")) end
  end
  REPORTED[1], REPORTED[2], REPORTED[3], REPORTED[4], REPORTED[5] = nil, nil, nil, nil, nil
end
-- At the top: the program's own handler hears of an error no call caught.
-- Gives the error and the line it was raised on.
P.report = function(e)
  if e == NOMESSAGE then return "`error' called without a message" end
  if signal(e) then return e end
  if REPORTED[1] ~= e then e = ordernames(argname(e)) end
  -- 4.0's default handler hands a program's own _ALERT the error and its
  -- traceback, at the top too; the run reports the error besides.
  local alert = CUR._ALERT
  local own = alert and alert ~= DEFAULT_ALERT
  if REPORTED[1] == e then
    local line = REPORTED[2]
    if REPORTED[3] and own then
      local m = REPORTED[4] and e or bare(e)
      pcall(alert, "error: " .. tostr(m) .. "\n" .. (REPORTED[5] or ""))
    end
    REPORTED[1], REPORTED[2], REPORTED[3], REPORTED[4], REPORTED[5] = nil, nil, nil, nil, nil
    return e, line
  end
  local handler = CUR._ERRORMESSAGE
  if handler == DEFAULT_ERRORMESSAGE then
    if own then
      local ok, text =
        pcall(traceback, 3, type(e) == "string" and strfind(e, "attempt to call", 1, true))
      pcall(alert, "error: " .. tostr(bare(e)) .. "\n" .. (ok and text or ""))
    end
  elseif handler then
    toplevel = true
    pcall(handler, bare(e))
    toplevel = false
  end
  return e
end
local function finish(r, x)
  if r[1] then return unpack(r, 2, r.n) end
  local e = r[2]
  if signal(e) or not x then error(e, 0) end
  caught()
  return nil
end

-- Each call nests a C call of Lua 5.1, which allows 200 of them; 4.0's
-- stack holds about as many nested calls of `call`. One more overflows the
-- stack on the line of the program that makes it.
local CALLNESTING, nesting = 190, 0
G.call = function(...)
  local nargs = select("#", ...)
  local f, args, mode, handler = ...
  checktable(args, 2, "call", nargs >= 2)
  if nargs >= 3 then mode = checkstr(mode, 3, "call") else mode = "" end
  if strfind(mode, "p", 1, true) then error("deprecated option `p' in `call'", 0) end
  local x = strfind(mode, "x", 1, true)
  args = stores[args] or args
  local n = getn(args)
  local run = function() return f(unpack(args, 1, n)) end
  if nesting >= CALLNESTING then error("stack overflow", 2) end
  nesting = nesting + 1
  local r
  if nargs < 4 then
    r = pack(xpcall(run, reporter))
  else
    local old = CUR._ERRORMESSAGE
    CUR._ERRORMESSAGE = handler
    r = pack(xpcall(run, reporter))
    CUR._ERRORMESSAGE = old
  end
  nesting = nesting - 1
  return finish(r, x)
end

-- Compiles `s` and runs it as dostring and dofile do: a syntax error is
-- reported and answered with nil and "syntax error"; a file's syntax error
-- keeps the file's name and line, as Lua 4.0 names them. The chunk's name
-- in Lua 5.1 is the one 4.0 gives it in a traceback.
function runsource(s, label, whole)
  local chunkname = "=" .. chunkid(label)
  local f, msg, swapped = load4(s, chunkname, label, tagging)
  if not f then
    reporter(msg, whole)
    caught()
    return nil, "syntax error"
  end
  CALLENDS[chunkname], SWAPPED[chunkname] = msg, swapped
  local r = pack(xpcall(function() return f(P) end, reporter))
  if r[1] then
    if r.n > 1 then return unpack(r, 2, r.n) end
    return NORESULT()
  end
  if signal(r[2]) then error(r[2], 0) end
  caught()
  return nil, "run-time error"
end
G.dostring = function(s, name)
  s = checkstr(s, 1, "dostring")
  name = optstr(name, 2, "dostring", nil)
  -- Not a tail call: dostring stays on the stack for a traceback.
  return keep(runsource(s, name or s))
end
G.dofile = function(filename)
  filename = checkstr(filename, 1, "dofile")
  local h = open(C.confine(filename, "dofile"), "rb")
  if not h then return nil, "file error" end
  local s = h:read("*a")
  h:close()
  if not s then return nil, "file error" end
  return keep(runsource(s, "@" .. filename, true))
end

-- Strings
for _, name in ipairs{"strlen", "strsub", "strlower", "strupper", "strrep", "strbyte", "strchar",
                      "format", "strfind", "gsub"} do
  G[name] = C[name]
end
G.ascii = C.twin(C.strbyte)

-- Tables
G.getn = getn
G.tinsert = C.tinsert
G.tremove = C.tremove
G.foreach = function(t, f)
  checktable(t, 1, "foreach", true)
  checkfunction(f, 2, "foreach")
  t = stores[t] or t
  local k, v = next(t)
  while k ~= nil do
    local r = f(k, v)
    if r ~= nil then return r end
    k, v = next(t, k)
  end
end
G.foreachi = function(t, f)
  checktable(t, 1, "foreachi", true)
  checkfunction(f, 2, "foreachi")
  t = stores[t] or t
  for i = 1, getn(t) do
    local r = f(i, rawget(t, i))
    if r ~= nil then return r end
  end
end
-- sort: Lua 5.1's quicksort, in place, over t[1..getn(t)]. Holes take a
-- stand-in that the comparison gives back as nil; what a failing comparison
-- leaves half sorted stays so.
local HOLE = {}
local plainarray = C.plainarray
G.sort = function(...)
  local nargs = select("#", ...)
  local t, comp = ...
  checktable(t, 1, "sort", nargs >= 1)
  if nargs >= 2 then checkfunction(comp, 2, "sort") end
  t = stores[t] or t
  local n = getn(t)
  if n < 2 then return end
  if plainarray(t, n) then
    if comp then tsort(t, comp) else tsort(t) end
    return
  end
  local a = {}
  for i = 1, n do
    local v = rawget(t, i)
    if v == nil then v = HOLE end
    a[i] = v
  end
  local lt
  if comp then
    lt = function(x, y)
      if x == HOLE then x = nil end
      if y == HOLE then y = nil end
      return comp(x, y)
    end
  else
    lt = function(x, y)
      if x == HOLE or y == HOLE then
        error("attempt to compare " .. (x == HOLE and "nil" or type(x)) .. " with " ..
              (y == HOLE and "nil" or type(y)), 0)
      end
      return x < y
    end
  end
  -- The handler hears of a failing comparison where it fails, as in 4.0.
  local ok, e = xpcall(function() tsort(a, lt) end, reporter)
  for i = 1, n do
    local v = a[i]
    if v == HOLE then v = nil end
    rawset(t, i, v)
  end
  if not ok then error(e, 0) end
end

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
  if ok then return NORESULT() end
  return nil, strip(msg, name), code
end
-- f, argument n of fname, or the file in the global _INPUT or _OUTPUT
-- when n is that name.
local function checkfile(f, n, fname)
  if f == STDIN then error("there is no standard input in a run: read from a file", 0) end
  if iotype(f) == "closed file" then error("cannot access a closed file", 0) end
  if not isfile(f) then
    if type(n) == "string" then error("global variable `" .. n .. "' is not a file handle", 0) end
    argerror(n, fname, "invalid file handle")
  end
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
    local f = checkfile(CUR._INPUT, "_INPUT")
    if iotype(f) == "file" then f:close() end
    CUR._INPUT = STDIN
    return STDIN
  end
  local f, msg, code = openas(name, "r", "readfrom")
  if not f then return nil, msg, code end
  CUR._INPUT = f
  return f
end
local function output(name, mode, fname)
  if name == nil then
    local f = CUR._OUTPUT
    if f ~= STDOUT and f ~= STDERR then checkfile(f, "_OUTPUT") end
    if iotype(f) == "file" then f:close() end
    CUR._OUTPUT = STDOUT
    return STDOUT
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
  -- The standard files stay open, and closing them succeeds, as in 4.0.
  if f == STDOUT or f == STDIN or f == STDERR then return NORESULT() end
  checkfile(f, 1, "closefile")
  local ok, msg, code = f:close()
  return result(ok, msg, code)
end
G.flush = function(f)
  if f == nil then f = CUR._OUTPUT end
  if f == STDOUT or f == STDERR then return NORESULT() end
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
  local f, first, where = CUR._INPUT, 1, "_INPUT"
  if nargs > 0 and (isfile((...)) or iotype((...)) == "closed file") then
    f, first, where = (...), 2, 1
  end
  checkfile(f, where, "read")
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
  local f, first, where = CUR._OUTPUT, 1, "_OUTPUT"
  if nargs > 0 and (isfile((...)) or iotype((...)) == "closed file") then
    f, first, where = (...), 2, 1
  end
  if f ~= STDOUT and f ~= STDERR then checkfile(f, where, "write") end
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
  -- 4.0 answers a failure with the error's number, which reads as success;
  -- here it is nil and the message.
  return NORESULT()
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
