#pragma once

// What the engine benchmarks share: the CPU clock, the CPU-bound loops
// that bench_translate times against plain Lua 5.1 and bench_debugger
// times with and without a breakpoint, and timing one run on the engine.

#include "run/pluaengine.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace EngineLoops {

// CPU time of this thread: the machine may be busy with other work, and
// only the loop's own work counts.
inline double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Loop
{
    const char *name;
    const char *code;
};

// 10^6 iterations each (the string loop 2 x 10^5: it builds lines and starts
// a new one every 100 pieces, as a program filling a text field does).
constexpr Loop Loops[] = {
    {"arithmetic (10^6)", R"(local s = 0
local i = 1
while i <= 1000000 do
  s = s + i * 2 - i / 3
  if s > 1000000 then s = s - 999999 end
  i = i + 1
end
result = s
)"},
    {"numeric for (10^6)", R"(local s = 0
for i = 1, 1000000 do
  local x = i * 0.5
  s = s + x * x - x
end
result = s
)"},
    {"string building (2x10^5)", R"(local lines = 0
local line = ""
for i = 1, 200000 do
  line = line .. "x" .. i
  if i - 100 * floor(i / 100) == 0 then line = "" lines = lines + 1 end
end
result = lines
)"},
    {"table loop (10^6)", R"(local t = {}
for i = 1, 1000000 do t[i] = i * 2 end
local sum = 0
for i = 1, 1000000 do sum = sum + t[i] end
result = sum
)"},
    {"function calls (10^6)", R"(function add(a, b) return a + b end
local s = 0
for i = 1, 1000000 do s = add(s, i) end
result = s
)"},
};

// The CPU time of running `code` on `engine` (loading left out); a program
// that fails to load or run ends the benchmark.
inline double timedRun(PluaEngine &engine, const char *code)
{
    if (const auto f = engine.load(code, "bench")) {
        std::fprintf(stderr, "load failed: %d: %s\n", f->line, f->message.c_str());
        std::exit(1);
    }
    const double start = cpuMs();
    if (const auto f = engine.run()) {
        std::fprintf(stderr, "run failed: %d: %s\n", f->line, f->message.c_str());
        std::exit(1);
    }
    return cpuMs() - start;
}

} // namespace EngineLoops
