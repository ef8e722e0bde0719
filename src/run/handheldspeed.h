#pragma once

#include <chrono>
#include <string>
#include <vector>

// Handheld classes a program can be run at the pace of, and the pacing that
// holds a run to one of them.
//
// The rates are Lua VM instructions per second, estimated from published
// figures, not measured on devices: Motorola gives the 68000 core of the
// Dragonball about 2.7 MIPS at 16 MHz (the 68328 and 68EZ328) and the
// Dragonball VZ (68VZ328) 5.4 MIPS at 33 MHz. One Lua VM instruction of a
// Plua program costs the handheld's interpreter about 50 68000 instructions
// on average: some 20 for a move or a jump (fetch, decode through the jump
// table, operands, the stack), over a hundred for arithmetic, which is
// software floating point on a chip without an FPU, and for table lookups
// and calls. 2.7 MIPS / 50 is 54,000 VM instructions a second. The count is
// of the desktop engine's instructions, which for the same program are
// about as many as the handheld's; library calls (drawing, events,
// databases) run at the desktop's speed and count as one instruction.
struct HandheldSpeed
{
    std::string key;  // stored in the settings ("" is full speed)
    std::string name; // as the run window offers it
    double rate = 0;  // VM instructions a second; 0 is full speed
};

// Full speed first, then the classes from the slowest.
const std::vector<HandheldSpeed> &handheldSpeeds();
// The rate of a stored key; 0 (full speed) for an unknown one.
double handheldSpeedRate(const std::string &key);

// Holds a run to `rate` instructions a second: told of each batch of
// instructions run, it says how long to wait before the next. Time the
// program spent waiting (for events, in a sleep) is not saved up beyond
// a short burst, so a program that waited does not then race.
class InstructionPace
{
public:
    using Clock = std::chrono::steady_clock;
    // The most a paced run may be behind its schedule and catch up at once.
    static constexpr std::chrono::milliseconds Burst{20};

    void setRate(double rate);
    double rate() const { return m_rate; }
    // `count` instructions ran up to `now`: how long to wait.
    Clock::duration ran(int count, Clock::time_point now);

private:
    double m_rate = 0;
    bool m_started = false;
    Clock::time_point m_due; // when the instructions run so far are due done
};
