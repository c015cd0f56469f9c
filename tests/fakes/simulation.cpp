#include "fakes/simulation.h"

#include <array>
#include <optional>
#include <random>
#include <sstream>

#include "fakes/fake_window.h"

namespace lexidrop::testing {

namespace {

// Each check returns a description of the first broken invariant, or "".

std::string describe(const std::ostringstream& fault) { return fault.str(); }

// Tiles 0..TileCount, dense, each carrying its own index; no failure path
// taken; a settle never rests between ticks on its last step.
std::string checkTileArray(const Game& rules)
{
    const GameState& game = rules.state();
    std::ostringstream fault;
    if (game.ImgLetter.size() != static_cast<std::size_t>(game.TileCount) + 1) {
        fault << "tile array holds " << game.ImgLetter.size() << " for TileCount " << game.TileCount;
        return describe(fault);
    }
    for (int i = 0; i <= game.TileCount; ++i) {
        if (game.ImgLetter[static_cast<std::size_t>(i)].Index != i) {
            fault << "tile " << i << " carries index " << game.ImgLetter[static_cast<std::size_t>(i)].Index;
            return describe(fault);
        }
    }
    if (rules.lastGameOver() == GameOverCause::Failure) {
        return "a game ended through the failure path";
    }
    if (game.SettleSteps < 0 || game.SettleSteps >= SettleTicks) {
        fault << "SettleSteps " << game.SettleSteps << " between ticks";
        return describe(fault);
    }
    return "";
}

bool flying(const GameState& game)
{
    return game.Falling && game.CurrentTile >= 1 && game.CurrentTile <= game.TileCount;
}

// The tile in play is the highest index, a whole number of fall steps below its spawn.
std::string checkFallingTile(const GameState& game)
{
    if (!flying(game)) {
        return "";
    }
    const Tile& t = game.ImgLetter[static_cast<std::size_t>(game.CurrentTile)];
    const int top = static_cast<int>(t.Top);
    if (static_cast<float>(top) != t.Top || ((top - SpawnTop) % FallStep + FallStep) % FallStep != 0) {
        std::ostringstream fault;
        fault << "falling tile at Top " << t.Top;
        return describe(fault);
    }
    return game.CurrentTile != game.TileCount ? "the falling tile is not the highest index" : "";
}

// The Board cell a resting tile stands exactly on, if it is on the grid.
std::optional<int> restingCell(const Tile& t)
{
    const int column = static_cast<int>(roundHalfEven(columnOf(t.Left)));
    const int row = static_cast<int>(roundHalfEven(rowOf(t.Top)));
    const bool onGrid = t.Left == static_cast<float>(leftOfColumn(column)) &&
                        t.Top == static_cast<float>(topOfRow(row)) && column >= 0 && column < Columns;
    return onGrid ? std::optional<int>(column + Columns * row) : std::nullopt;
}

// Every resting tile visible on a cell of its own that holds its letter;
// owner gets each cell's tile index.
std::string checkRestingTiles(const GameState& game, std::array<int, BoardCells>& owner)
{
    std::ostringstream fault;
    for (int i = 1; i <= game.TileCount; ++i) {
        if (flying(game) && i == game.CurrentTile) {
            continue;
        }
        const Tile& t = game.ImgLetter[static_cast<std::size_t>(i)];
        const std::optional<int> onGrid = restingCell(t);
        if (!onGrid || !t.Visible) {
            fault << "resting tile " << i << " at " << t.Left << "," << t.Top;
            return describe(fault);
        }
        const int cell = *onGrid;
        if (cell < 0 || cell >= BoardCells) {
            fault << "resting tile " << i << " outside the board, cell " << cell;
            return describe(fault);
        }
        int& holder = owner[static_cast<std::size_t>(cell)];
        if (holder != 0) {
            fault << "tiles " << holder << " and " << i << " share cell " << cell;
            return describe(fault);
        }
        holder = i;
        if (game.Board[static_cast<std::size_t>(cell)] != t.Tag) {
            fault << "cell " << cell << " holds '" << game.Board[static_cast<std::size_t>(cell)] << "' under tile "
                  << i << " '" << t.Tag << "'";
            return describe(fault);
        }
    }
    return "";
}

// A letter in Board exactly where a tile rests, and stacks standing on the
// floor without gaps, indices rising upwards.
std::string checkStacks(const GameState& game, const std::array<int, BoardCells>& owner)
{
    std::ostringstream fault;
    for (int cell = 0; cell < BoardCells; ++cell) {
        const bool letter = !game.Board[static_cast<std::size_t>(cell)].empty();
        const int tileHere = owner[static_cast<std::size_t>(cell)];
        if (letter != (tileHere != 0)) {
            fault << "cell " << cell << " has a letter without a tile or a tile without a letter";
            return describe(fault);
        }
        if (!letter || cell >= FloorRow * Columns) {
            continue;
        }
        const int below = cell + Columns;
        if (below >= BoardCells || owner[static_cast<std::size_t>(below)] == 0) {
            fault << "tile in cell " << cell << " floats";
            return describe(fault);
        }
        if (owner[static_cast<std::size_t>(below)] > tileHere) {
            fault << "cell " << cell << " holds a lower index than the tile below it";
            return describe(fault);
        }
    }
    return "";
}

// The first broken invariant of the well, or "".  While a settle runs,
// tiles stand between cells, so only the tile array and the falling tile
// are checked.
std::string checkWell(const Game& rules)
{
    const GameState& game = rules.state();
    if (std::string fault = checkTileArray(rules); !fault.empty()) {
        return fault;
    }
    if (std::string fault = checkFallingTile(game); !fault.empty()) {
        return fault;
    }
    if (game.TmrAuxiliaryEnabled || game.SettleStarted) {
        return "";
    }
    std::array<int, BoardCells> owner{};
    std::string fault = checkRestingTiles(game, owner);
    return fault.empty() ? checkStacks(game, owner) : fault;
}

// One simulated player at the window.  Each slot: the clock's seconds, the
// timers that run, a few random keys, now and then a change of focus; the
// invariants are checked after every event.
class SimulatedPlay {
public:
    SimulatedPlay(std::uint64_t seed, bool checkInvariants) : rig_(seed), random_(seed), checking_(checkInvariants) {}

    SimulationStats run(long long games)
    {
        while (stats_.games < games && stats_.firstFault.empty()) {
            ++slot_;
            const int seconds = static_cast<int>((slot_ / 4) % 60);
            rig_.window.time = "12:34:" + std::string(seconds < 10 ? "0" : "") + std::to_string(seconds);
            const int lostBefore = rig_.game.gamesLost();
            const std::int32_t scoreBefore = rig_.state().Score;
            tickTimers();
            pressKeys();
            moveFocus();
            if (rig_.state().Score > scoreBefore && rig_.game.gamesLost() == lostBefore) {
                ++stats_.words;
                stats_.bestScore = std::max(stats_.bestScore, rig_.state().Score);
            }
            stats_.games = rig_.game.gamesLost();
        }
        return stats_;
    }

private:
    int percent() { return percent_(random_); }

    void check(const char* after)
    {
        if (!checking_ || !stats_.firstFault.empty()) {
            return;
        }
        if (const std::string fault = checkWell(rig_.game); !fault.empty()) {
            std::ostringstream where;
            where << fault << " (after " << after << ", game " << stats_.games << ", slot " << slot_ << ")";
            stats_.firstFault = where.str();
        }
    }

    void tickTimers()
    {
        if (rig_.state().TmrAuxiliaryEnabled) {
            rig_.game.TmrAuxiliary_Timer();
            ++stats_.ticks;
            stats_.settles += rig_.state().SettleSteps == 1 ? 1 : 0;
            check("settle tick");
        }
        if (rig_.state().TmrMasterEnabled) {
            rig_.game.TmrMaster_Timer();
            ++stats_.ticks;
            check("master tick");
        }
    }

    void pressKeys()
    {
        constexpr std::array<Key, 4> keys{Key::Left, Key::Right, Key::Down, Key::Other};
        const int presses = percent() < 40 ? percent() % 4 : 0;
        for (int k = 0; k < presses; ++k) {
            rig_.game.Form_KeyDown(keys.at(static_cast<std::size_t>(percent() % 4)));
            ++stats_.keys;
            check("key");
        }
    }

    void moveFocus()
    {
        if (focused_ && percent() < 1) {
            rig_.game.Form_LostFocus();
            focused_ = false;
        } else if (!focused_ && percent() < 30) {
            rig_.game.Form_GotFocus();
            focused_ = true;
        }
    }

    Rig rig_;
    std::mt19937_64 random_;
    std::uniform_int_distribution<int> percent_{0, 99};
    bool checking_;
    bool focused_ = true;
    long long slot_ = 0;
    SimulationStats stats_;
};

} // namespace

SimulationStats simulate(std::uint64_t seed, long long games, bool checkInvariants)
{
    return SimulatedPlay(seed, checkInvariants).run(games);
}

} // namespace lexidrop::testing
