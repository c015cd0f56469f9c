// Whole games played headless with random keys and focus changes.
//
// The test command plays 2,000 games (1,000 under the sanitizers).  The long
// soak sets LEXIDROP_SOAK_GAMES, for example:
//   LEXIDROP_SOAK_GAMES=1000000 build/release/bin/lexidrop_core_tests --gtest_filter='Simulation.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "fakes/simulation.h"

namespace lexidrop::testing {
namespace {

long long gamesToPlay()
{
    if (const char* soak = std::getenv("LEXIDROP_SOAK_GAMES")) {
        return std::atoll(soak);
    }
    return std::getenv("LEXIDROP_SANITIZED") ? 1000 : 2000;
}

TEST(Simulation, ManyGamesKeepTheWellConsistentAfterEveryEvent)
{
    const long long games = gamesToPlay();
    const SimulationStats stats = simulate(20261208, games);
    std::cout << "games " << stats.games << ", ticks " << stats.ticks << ", keys " << stats.keys << ", words "
              << stats.words << ", settles " << stats.settles << ", best score " << stats.bestScore << "\n";
    EXPECT_EQ(stats.firstFault, "");
    EXPECT_EQ(stats.games, games);
    EXPECT_GT(stats.words, games) << "games this long must score words";
    EXPECT_GT(stats.settles, 0);
}

} // namespace
} // namespace lexidrop::testing
