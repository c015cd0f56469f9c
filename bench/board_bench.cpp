// Costs of the rules: one master tick in a busy well, the worst-case word
// search of one landing, and whole games played as fast as the core goes.
//
//   cmake --build build/release --target board_bench && build/release/bin/board_bench
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "game/game.h"
#include "game/rnd.h"

namespace {

using namespace lexidrop;

// A window that does nothing, so only the rules are measured.
// The view's notices do nothing unless overridden; the boxes and the clock answer at once.
class NullWindow : public View, public ModalBoxes, public Clock {
public:
    std::string timeOfDay() override { return "12:00:00"; }
    void messageBox(const std::string&) override {}
    std::string inputBox(const std::string&, const std::string&) override { return ""; }
};

class NullStore : public HighScoreStore {
public:
    std::optional<std::string> read() override { return std::nullopt; }
    bool write(std::string_view) override { return true; }
};

// A game on the null window.
struct Bench {
    NullWindow window;
    NullStore store;
    Game game{window, window, window, store};
};

// Fills rows 4 to the floor row of every column but the spawn column with
// resting tiles.
void fillWell(Game& game)
{
    GameSetup setup(game);
    for (int column = 0; column < Columns; ++column) {
        for (int row = FloorRow; row >= 4 && column != SpawnColumn; --row) {
            setup.placeTile(column, row, "x");
        }
    }
}

void BM_MasterTickInABusyWell(benchmark::State& state)
{
    // A tile falls down the free spawn column past 77 resting tiles; the
    // well is rebuilt (untimed) after 40 falls to the floor's worth of
    // ticks, before the column fills up.
    auto bench = std::make_unique<Bench>();
    fillWell(bench->game);
    int ticks = 0;
    for (auto _ : state) {
        if (++ticks == 40 * FallTicksToFloor) {
            state.PauseTiming();
            bench = std::make_unique<Bench>();
            fillWell(bench->game);
            ticks = 0;
            state.ResumeTiming();
        }
        bench->game.TmrMaster_Timer();
    }
    state.counters["tiles"] = bench->game.state().TileCount;
}
BENCHMARK(BM_MasterTickInABusyWell);

void BM_WordSearchWorstCase(benchmark::State& state)
{
    Bench bench;
    // Every cell filled with letters that make no word: all fifteen runs are
    // tried and every lookup misses.
    GameSetup setup(bench.game);
    for (int row = 0; row <= FloorRow; ++row) {
        for (int column = 0; column < Columns; ++column) {
            if (column != 4 || row != 8) {
                setup.placeTile(column, row, "x");
            }
        }
    }
    const auto left = static_cast<std::int16_t>(leftOfColumn(4));
    const auto top = static_cast<std::int16_t>(topOfRow(8));
    for (auto _ : state) {
        bench.game.LandLetter(left, top, "q");
    }
}
BENCHMARK(BM_WordSearchWorstCase);

void BM_SimulatedTicks(benchmark::State& state)
{
    Bench bench;
    Game& game = bench.game;
    std::mt19937 random(7);
    long long ticks = 0;
    for (auto _ : state) {
        if (game.state().TmrAuxiliaryEnabled) {
            game.TmrAuxiliary_Timer();
        } else {
            game.TmrMaster_Timer();
        }
        if ((random() & 3) == 0) {
            constexpr Key keys[] = {Key::Left, Key::Right, Key::Down};
            game.Form_KeyDown(keys[random() % 3]);
        }
        ++ticks;
    }
    state.counters["ticks/s"] = benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kIsRate);
    state.counters["games"] = game.gamesLost();
}
BENCHMARK(BM_SimulatedTicks);

} // namespace
