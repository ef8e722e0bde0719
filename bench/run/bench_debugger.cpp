// The debugger's cost and speed:
//   - CPU time of the CPU-bound loops of bench_translate on the engine with
//     no debugger, with breakpoints set but never hit, and the ratio (goal
//     at most 1.2x; with none set the engine hooks no lines at all);
//   - a step in the runner process (plua-run --serve beside the build):
//     Step Over sent until the new line and its variables reached the
//     editor's side (goal 50 ms), median and worst of RUNS steps.
// usage: bench_debugger [RUNS]

#include "engineloops.h"
#include "run/pluaengine.h"
#include "runnerprocess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A function that never runs, put before each loop: its line 2 holds the
// breakpoint that is set but not hit.
constexpr const char NeverRuns[] = "function never()\n  return 1\nend\n";

struct Loop
{
    const char *name;
    std::string code;
};

// The loops of bench_translate, and calls of a function on lines of its own.
std::vector<Loop> loops()
{
    std::vector<Loop> all;
    for (const EngineLoops::Loop &loop : EngineLoops::Loops)
        all.push_back({loop.name, NeverRuns + std::string(loop.code)});
    all.push_back(
        {"calls of a 3-line function (10^6)", NeverRuns + std::string(R"(function add(a, b)
  return a + b
end
local s = 0
for i = 1, 1000000 do s = add(s, i) end
result = s
)")});
    return all;
}

double engineRun(const char *code, bool breakpoints)
{
    PluaEngine engine;
    if (breakpoints) {
        engine.setPauseHandler([](PausedProgram &) { return DebugCommand{}; });
        engine.setBreakpoints({2});
    }
    return EngineLoops::timedRun(engine, code);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// A program stepped line by line: a loop over a table, so every step
// gathers a few locals and globals.
constexpr const char *Stepped = R"(scores = {}
for i = 1, 50 do scores[i] = i * i end
local total = 0
local i = 1
while 1 do
  total = total + scores[mod(i, 50) + 1]
  i = i + 1
end
)";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    std::printf("Breakpoints set but not hit, best of %d (goal at most 1.2x):\n", runs);
    std::printf("  %-34s %10s %14s %7s\n", "loop", "none ms", "breakpoint ms", "ratio");
    for (const Loop &loop : loops()) {
        double plain = 1e18, hooked = 1e18;
        for (int r = 0; r < runs; ++r) {
            plain = std::min(plain, engineRun(loop.code.c_str(), false));
            hooked = std::min(hooked, engineRun(loop.code.c_str(), true));
        }
        std::printf("  %-34s %10.1f %14.1f %6.2fx\n", loop.name, plain, hooked, hooked / plain);
    }

    RunnerProcess runner(RunnerProcess::defaultRunner(), QDir::tempPath() + "/bench-debugger");
    std::vector<double> steps;
    const int wanted = std::max(20, runs * 10);
    QElapsedTimer sent;
    bool failed = false;
    QObject::connect(&runner, &RunnerProcess::paused, &app, [&](const DebugSnapshot &snapshot) {
        if (sent.isValid())
            steps.push_back(static_cast<double>(sent.nsecsElapsed()) / 1e6);
        if (snapshot.frames.empty() || static_cast<int>(steps.size()) >= wanted) {
            runner.stop();
            return;
        }
        sent.start();
        runner.resume({DebugCommand::Kind::StepOver, 0});
    });
    QObject::connect(&runner, &RunnerProcess::finished, &app,
                     [&](bool stopped, int, const QString &message) {
                         failed = !stopped;
                         if (failed)
                             std::fprintf(stderr, "the run ended: %s\n", qPrintable(message));
                         app.quit();
                     });
    runner.setBreakpoints({6});
    runner.start(QString::fromLatin1(Stepped), QStringLiteral("bench"));
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    app.exec();
    if (failed || steps.empty())
        return 1;
    std::printf("Step Over in the runner until the new line and variables arrive, %zu steps "
                "(goal 50 ms):\n  median %.2f ms, worst %.2f ms\n",
                steps.size(), median(steps), *std::max_element(steps.begin(), steps.end()));
    return 0;
}
