// Costs of the rules: one master tick in a busy well, the worst-case word
// search of one landing, and whole games played as fast as the core goes.
//
//   cmake --build build/release --target board_bench && build/release/bin/board_bench
#include <benchmark/benchmark.h>

#include <random>

#include "game/game.h"
#include "game/rnd.h"

namespace {

using namespace lexidrop;

// A window that does nothing, so only the rules are measured.
class NullWindow : public Window {
public:
    Rnd generator;
    std::string timeOfDay() override { return "12:00:00"; }
    void randomize(int seed) override { generator.randomize(seed); }
    float rnd() override { return generator.next(); }
    PicturePtr loadPicture(const std::string&) override { return nullptr; }
    void tileChanged(int) override {}
    void labelChanged(Label, int) override {}
    void timerChanged(Timer, bool) override {}
    void giveFocus() override {}
    void messageBox(const std::string&) override {}
    std::string inputBox(const std::string&, const std::string&) override { return ""; }
};

class NullStore : public HighScoreStore {
public:
    std::optional<std::string> read() override { return std::nullopt; }
    bool write(std::string_view) override { return true; }
};

// Fills rows 4..14 of every column but column 3 with resting tiles.
void fillWell(Game& game)
{
    for (int column = 0; column < Columns; ++column) {
        for (int row = 14; row >= 4 && column != 3; --row) {
            Tile t;
            game.TileCount = static_cast<std::int16_t>(game.TileCount + 1);
            t.Index = game.TileCount;
            t.Tag = "x";
            t.Left = static_cast<float>(leftOfColumn(column));
            t.Top = static_cast<float>(topOfRow(row));
            t.Visible = true;
            game.ImgLetter.push_back(t);
            game.Board[static_cast<std::size_t>(column + 8 * row)] = "x";
        }
    }
}

void BM_MasterTickInABusyWell(benchmark::State& state)
{
    NullWindow window;
    NullStore store;
    Game game(window, store);
    fillWell(game);
    game.CurrentLetter = "b";
    game.NextLetter = "b";
    game.TmrMaster_Timer(); // spawns in column 3
    Tile& falling = game.ImgLetter.back();
    for (auto _ : state) {
        falling.Top = 31; // keep it in mid-air
        game.TmrMaster_Timer();
    }
    state.counters["tiles"] = game.TileCount;
}
BENCHMARK(BM_MasterTickInABusyWell);

void BM_WordSearchWorstCase(benchmark::State& state)
{
    NullWindow window;
    NullStore store;
    Game game(window, store);
    // Every cell filled with letters that make no word: all fifteen runs are
    // tried and every lookup misses.
    for (auto& cell : game.Board) {
        cell = "x";
    }
    const auto left = static_cast<std::int16_t>(leftOfColumn(4));
    const auto top = static_cast<std::int16_t>(topOfRow(8));
    for (auto _ : state) {
        game.LandLetter(left, top, "q");
    }
}
BENCHMARK(BM_WordSearchWorstCase);

void BM_SimulatedTicks(benchmark::State& state)
{
    NullWindow window;
    NullStore store;
    Game game(window, store);
    std::mt19937 random(7);
    long long ticks = 0;
    for (auto _ : state) {
        if (game.TmrAuxiliaryEnabled) {
            game.TmrAuxiliary_Timer();
        } else {
            game.TmrMaster_Timer();
        }
        if ((random() & 3) == 0) {
            constexpr std::int16_t keys[] = {KeyLeft, KeyRight, KeyDown};
            game.Form_KeyDown(keys[random() % 3], 0);
        }
        ++ticks;
    }
    state.counters["ticks/s"] = benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kIsRate);
    state.counters["games"] = game.gamesLost();
}
BENCHMARK(BM_SimulatedTicks);

} // namespace
