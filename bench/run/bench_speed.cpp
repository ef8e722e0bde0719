// bench_speed: the handheld speeds against the desktop's full speed.
//   - Lua VM instructions a second at full speed (a loop of a known four
//     instructions an iteration)
//   - for each handheld class, the rate a run held to it reaches over two
//     seconds, against the rate asked for
// Run: bench_speed

#include "run/handheldspeed.h"
#include "run/pluaengine.h"

#include <QElapsedTimer>

#include <cstdio>
#include <string>

namespace {

// Seconds `iterations` of `x = x + i` over a global take.
double loopSeconds(double rate, long iterations)
{
    PluaEngine engine;
    engine.setInstructionRate(rate);
    engine.setOutput([](std::string_view) {});
    const std::string program =
        "x = 0\nfor i = 1, " + std::to_string(iterations) + " do x = x + i end\n";
    if (engine.load(program, "bench.lua"))
        return -1;
    QElapsedTimer timer;
    timer.start();
    if (engine.run())
        return -1;
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main()
{
    constexpr int PerIteration = 4; // GETGLOBAL, ADD, SETGLOBAL, FORLOOP
    const long fullIterations = 20'000'000;
    const double full = PerIteration * fullIterations / loopSeconds(0, fullIterations);
    std::printf("full speed: %.1f million VM instructions a second\n", full / 1e6);
    for (const HandheldSpeed &speed : handheldSpeeds()) {
        if (speed.rate <= 0)
            continue;
        const long iterations = long(speed.rate * 2 / PerIteration);
        const double reached = PerIteration * iterations / loopSeconds(speed.rate, iterations);
        std::printf("%-40s asked %7.0f/s, reached %7.0f/s (%+.1f%%), desktop %.0fx faster\n",
                    speed.name.c_str(), speed.rate, reached, 100 * (reached / speed.rate - 1),
                    full / speed.rate);
    }
    return 0;
}
