#include "fakes/simulation.h"

#include <array>
#include <random>
#include <sstream>

#include "fakes/fake_window.h"

namespace lexidrop::testing {

namespace {

// Returns a description of the first broken invariant, or "".
std::string checkWell(const Game& rules)
{
    const GameState& game = rules.state();
    std::ostringstream fault;
    if (game.ImgLetter.size() != static_cast<std::size_t>(game.TileCount) + 1) {
        fault << "tile array holds " << game.ImgLetter.size() << " for TileCount " << game.TileCount;
        return fault.str();
    }
    for (int i = 0; i <= game.TileCount; ++i) {
        if (game.ImgLetter[static_cast<std::size_t>(i)].Index != i) {
            fault << "tile " << i << " carries index " << game.ImgLetter[static_cast<std::size_t>(i)].Index;
            return fault.str();
        }
    }
    if (rules.lastGameOver() == GameOverCause::Failure) {
        return "a game ended through the failure path";
    }
    if (game.SettleSteps < 0 || game.SettleSteps > 3) {
        fault << "SettleSteps " << game.SettleSteps << " between ticks";
        return fault.str();
    }
    const bool flying = game.Falling && game.CurrentTile >= 1 && game.CurrentTile <= game.TileCount;
    if (flying) {
        const Tile& t = game.ImgLetter[static_cast<std::size_t>(game.CurrentTile)];
        const int top = static_cast<int>(t.Top);
        if (static_cast<float>(top) != t.Top || ((top - 23) % 8 + 8) % 8 != 0) {
            fault << "falling tile at Top " << t.Top;
            return fault.str();
        }
        if (game.CurrentTile != game.TileCount) {
            return "the falling tile is not the highest index";
        }
    }
    const bool settling = game.TmrAuxiliaryEnabled || game.SettleStarted;
    if (settling) {
        return "";
    }
    std::array<int, BoardCells> owner{};
    int resting = 0;
    for (int i = 1; i <= game.TileCount; ++i) {
        if (flying && i == game.CurrentTile) {
            continue;
        }
        const Tile& t = game.ImgLetter[static_cast<std::size_t>(i)];
        const int left = static_cast<int>(t.Left);
        const int top = static_cast<int>(t.Top);
        if ((left - WellLeft) % TileSize != 0 || left < WellLeft || left > 245 || (top + 9) % TileSize != 0 ||
            !t.Visible) {
            fault << "resting tile " << i << " at " << t.Left << "," << t.Top;
            return fault.str();
        }
        const int cell = (left - WellLeft) / TileSize + 8 * ((top + 9) / TileSize);
        if (cell < 0 || cell >= BoardCells) {
            fault << "resting tile " << i << " outside the board, cell " << cell;
            return fault.str();
        }
        if (owner[static_cast<std::size_t>(cell)] != 0) {
            fault << "tiles " << owner[static_cast<std::size_t>(cell)] << " and " << i << " share cell " << cell;
            return fault.str();
        }
        owner[static_cast<std::size_t>(cell)] = i;
        ++resting;
        if (game.Board[static_cast<std::size_t>(cell)] != t.Tag) {
            fault << "cell " << cell << " holds '" << game.Board[static_cast<std::size_t>(cell)] << "' under tile "
                  << i << " '" << t.Tag << "'";
            return fault.str();
        }
    }
    for (int cell = 0; cell < BoardCells; ++cell) {
        const bool letter = !game.Board[static_cast<std::size_t>(cell)].empty();
        if (letter != (owner[static_cast<std::size_t>(cell)] != 0)) {
            fault << "cell " << cell << " has a letter without a tile or a tile without a letter";
            return fault.str();
        }
        // Stacks stand on the floor without gaps, indices rising upwards.
        const int below = cell + 8;
        if (letter && cell < 112) {
            if (below >= BoardCells || owner[static_cast<std::size_t>(below)] == 0) {
                fault << "tile in cell " << cell << " floats";
                return fault.str();
            }
            if (owner[static_cast<std::size_t>(below)] > owner[static_cast<std::size_t>(cell)]) {
                fault << "cell " << cell << " holds a lower index than the tile below it";
                return fault.str();
            }
        }
    }
    (void)resting;
    return "";
}

} // namespace

SimulationStats simulate(std::uint64_t seed, long long games, bool checkInvariants)
{
    SimulationStats stats;
    Rig rig(seed);
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<int> percent(0, 99);
    const std::array<Key, 4> keys{Key::Left, Key::Right, Key::Down, Key::Other};
    bool focused = true;
    std::string lastWord;
    long long slot = 0;

    auto check = [&](const char* after) {
        if (!checkInvariants || !stats.firstFault.empty()) {
            return;
        }
        std::string fault = checkWell(rig.game);
        if (!fault.empty()) {
            std::ostringstream where;
            where << fault << " (after " << after << ", game " << stats.games << ", slot " << slot << ")";
            stats.firstFault = where.str();
        }
    };

    while (stats.games < games && stats.firstFault.empty()) {
        ++slot;
        const int seconds = static_cast<int>((slot / 4) % 60);
        rig.window.time = "12:34:" + std::string(seconds < 10 ? "0" : "") + std::to_string(seconds);
        const int lostBefore = rig.game.gamesLost();
        const std::int32_t scoreBefore = rig.state().Score;
        if (rig.state().TmrAuxiliaryEnabled) {
            rig.game.TmrAuxiliary_Timer();
            ++stats.ticks;
            stats.settles += rig.state().SettleSteps == 1 ? 1 : 0;
            check("settle tick");
        }
        if (rig.state().TmrMasterEnabled) {
            rig.game.TmrMaster_Timer();
            ++stats.ticks;
            check("master tick");
        }
        const int presses = percent(random) < 40 ? percent(random) % 4 : 0;
        for (int k = 0; k < presses; ++k) {
            rig.game.Form_KeyDown(keys[static_cast<std::size_t>(percent(random) % 4)]);
            ++stats.keys;
            check("key");
        }
        if (focused && percent(random) < 1) {
            rig.game.Form_LostFocus();
            focused = false;
        } else if (!focused && percent(random) < 30) {
            rig.game.Form_GotFocus();
            focused = true;
        }
        if (rig.state().Score > scoreBefore && rig.game.gamesLost() == lostBefore) {
            ++stats.words;
            stats.bestScore = std::max(stats.bestScore, rig.state().Score);
        }
        stats.games = rig.game.gamesLost();
    }
    return stats;
}

} // namespace lexidrop::testing
