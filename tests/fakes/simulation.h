// Whole games played headless: a seeded letter source, random keys and
// focus changes, and the well's invariants checked after every event.
#pragma once

#include <cstdint>
#include <string>

namespace lexidrop::testing {

struct SimulationStats {
    long long games = 0;      // games finished
    long long ticks = 0;      // timer ticks delivered
    long long keys = 0;       // key events delivered
    long long words = 0;      // words scored
    long long settles = 0;    // settles that moved tiles
    std::int32_t bestScore = 0;
    std::string firstFault;   // empty while every invariant held
};

// Plays games until `games` have been lost (or a fault is found).
SimulationStats simulate(std::uint64_t seed, long long games, bool checkInvariants = true);

} // namespace lexidrop::testing
