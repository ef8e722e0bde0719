// CPU time of Plua 1 code on the engine next to the same code run by Lua 5.1
// directly, and the time to translate and load a 200-line program.
//
// usage: bench_translate [RUNS]
// Each loop is written in the part of the language that Lua 4.0 and 5.1
// share, so the very same text runs both ways: translated, with the Lua 4.0
// library, on the engine; and untouched on a bare Lua 5.1 state with its
// own library. Prints the best of RUNS for each and their ratio.

#include "engineloops.h"
#include "plua/translator.h"
#include "run/pluaengine.h"

#include <QElapsedTimer>

#include <lua.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using EngineLoops::cpuMs;
using EngineLoops::Loop;
using EngineLoops::Loops;

double engineRun(const char *code)
{
    PluaEngine engine;
    return EngineLoops::timedRun(engine, code);
}

// Lua 5.1 with its own library; `floor` is math.floor there.
double plainRun(const char *code)
{
    lua_State *L = luaL_newstate();
    luaL_openlibs(L);
    lua_getglobal(L, "math");
    lua_getfield(L, -1, "floor");
    lua_setglobal(L, "floor");
    lua_pop(L, 1);
    if (luaL_loadbuffer(L, code, std::char_traits<char>::length(code), "bench") != 0) {
        std::fprintf(stderr, "lua5.1: %s\n", lua_tostring(L, -1));
        std::exit(1);
    }
    const double start = cpuMs();
    if (lua_pcall(L, 0, 0, 0) != 0) {
        std::fprintf(stderr, "lua5.1: %s\n", lua_tostring(L, -1));
        std::exit(1);
    }
    const double ms = cpuMs() - start;
    lua_close(L);
    return ms;
}

// A 200-line program of the usual kind: records, sorting, drawing calls,
// %upvalues, table fors, string work.
std::string program200()
{
    const std::string block = R"(-- block @
Scores@ = {n = 0}
function Scores@:add(name, points)
  local entry = {name = name, points = points}
  tinsert(self, entry)
  if not self.best or points > self.best.points then
    self.best = entry
  end
  return entry
end
function Scores@:sorted()
  local copy = {}
  for i = 1, getn(self) do copy[i] = self[i] end
  sort(copy, function(a, b) return a.points > b.points end)
  return copy
end
function draw@(x, y, list)
  local h = 11
  for k, v in list do
    if type(v) == "table" then
      print(format("%2d. %-12s %5d", k, v.name, v.points) .. " @ " .. x .. "," .. y + k * h)
    end
  end
  local total = {n = 0}
  foreachi(list, function(i, e) %total.n = %total.n + e.points end)
  return total.n
end
function parse@(line)
  local _, _, key, value = strfind(line, "^(%w+)%s*=%s*(.-)%s*$")
  if key then return key, tonumber(value) or value end
  return nil
end
function menu@(choice)
  if choice == 1 then return "new"
  elseif choice == 2 then return "open"
  elseif choice == 3 then return "save"
  else return nil end
end
)";
    std::string out;
    for (int i = 0; out.size() < 1 || std::count(out.begin(), out.end(), '\n') < 200; ++i) {
        std::string copy = block;
        for (std::size_t p = copy.find('@'); p != std::string::npos; p = copy.find('@', p))
            copy.replace(p, 1, std::to_string(i));
        out += copy;
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("CPU loops, best of %d runs (ms of CPU time)\n", runs);
    std::printf("%-26s %10s %10s %7s\n", "loop", "engine", "lua5.1", "ratio");
    double engineTotal = 0;
    double plainTotal = 0;
    double worst = 0;
    for (const Loop &loop : Loops) {
        double engine = 1e30;
        double plain = 1e30;
        for (int r = 0; r < runs; ++r) {
            engine = std::min(engine, engineRun(loop.code));
            plain = std::min(plain, plainRun(loop.code));
        }
        engineTotal += engine;
        plainTotal += plain;
        worst = std::max(worst, engine / plain);
        std::printf("%-26s %10.1f %10.1f %6.2fx\n", loop.name, engine, plain, engine / plain);
    }
    std::printf("%-26s %10.1f %10.1f %6.2fx\n", "all loops", engineTotal, plainTotal,
                engineTotal / plainTotal);
    std::printf("worst ratio %.2fx (goal: at most 1.5x)\n", worst);

    const std::string program = program200();
    const int lines = static_cast<int>(std::count(program.begin(), program.end(), '\n'));
    double translateBest = 1e30;
    double loadBest = 1e30;
    for (int r = 0; r < std::max(runs, 20); ++r) {
        QElapsedTimer timer;
        timer.start();
        const plua::Translation t = plua::translate(program);
        translateBest = std::min(translateBest, static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (!t.ok()) {
            std::fprintf(stderr, "translation failed: %d: %s\n", t.error->line,
                         t.error->message.c_str());
            return 1;
        }
        PluaEngine engine;
        timer.restart();
        if (engine.load(program, "program")) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        loadBest = std::min(loadBest, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("\n%d-line program: translate %.3f ms; check + translate + load %.3f ms\n", lines,
                translateBest, loadBest);
    return 0;
}
