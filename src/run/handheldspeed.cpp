#include "handheldspeed.h"

#include <algorithm>

namespace {

// 50 Dragonball instructions to one Lua VM instruction (see the header).
constexpr double NativePerVmInstruction = 50;

} // namespace

const std::vector<HandheldSpeed> &handheldSpeeds()
{
    static const std::vector<HandheldSpeed> speeds = {
        {"", "Full speed", 0},
        {"dragonball16", "16 MHz Dragonball (Palm III, V)", 2.7e6 / NativePerVmInstruction},
        {"dragonballez20", "20 MHz Dragonball EZ (Palm IIIc, Vx)",
         2.7e6 * 20 / 16 / NativePerVmInstruction},
        {"dragonballvz33", "33 MHz Dragonball VZ (m500, m505)", 5.4e6 / NativePerVmInstruction},
    };
    return speeds;
}

double handheldSpeedRate(const std::string &key)
{
    const std::vector<HandheldSpeed> &speeds = handheldSpeeds();
    const auto found = std::find_if(speeds.begin(), speeds.end(),
                                    [&key](const HandheldSpeed &s) { return s.key == key; });
    return found == speeds.end() ? 0 : found->rate;
}

void InstructionPace::setRate(double rate)
{
    m_rate = rate > 0 ? rate : 0;
    m_started = false;
}

InstructionPace::Clock::duration InstructionPace::ran(int count, Clock::time_point now)
{
    if (m_rate <= 0)
        return Clock::duration::zero();
    if (!m_started) {
        m_started = true;
        m_due = now;
    }
    // Credit from time spent waiting is kept to one burst.
    m_due = std::max(m_due, now - std::chrono::duration_cast<Clock::duration>(Burst));
    m_due +=
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(count / m_rate));
    return std::max(m_due - now, Clock::duration::zero());
}
