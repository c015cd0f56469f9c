// A window for the core tests: a fixed clock, scripted draws, pictures that
// are just their file names, and boxes answered from a script.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/rnd.h"
#include "scores/high_scores.h"

namespace lexidrop::testing {

// The picture of a tile: the file it was loaded from.
struct FakePicture : Picture {
    explicit FakePicture(std::string file) : fileName(std::move(file)) {}
    std::string fileName;
};

// Name of the file a tile's picture came from ("" for none, the stored tile).
std::string pictureName(const Tile& tile);

class FakeWindow : public Window {
public:
    std::string time = "12:00:00";      // what timeOfDay answers
    std::deque<float> draws;            // scripted draws; empty = use the generator
    Rnd generator{42};                  // used once the script is empty
    std::vector<int> seeds;             // every randomize seed
    std::vector<std::string> messages;  // every message box text
    std::vector<std::string> prompts;   // every input box prompt
    std::vector<std::string> titles;    // every input box title
    std::deque<std::string> answers;    // input box answers; empty = Cancel
    std::function<void()> duringBox;    // runs while a box is open
    std::vector<int> changedTiles;      // tileChanged calls
    int focusRequests = 0;
    std::map<Timer, std::vector<bool>> timerCalls;

    std::string timeOfDay() override { return time; }
    void randomize(int seed) override;
    float rnd() override;
    PicturePtr loadPicture(const std::string& fileName) override;
    void tileChanged(int index) override { changedTiles.push_back(index); }
    void labelChanged(Label, int) override {}
    void timerChanged(Timer timer, bool enabled) override { timerCalls[timer].push_back(enabled); }
    void giveFocus() override { ++focusRequests; }
    void messageBox(const std::string& text) override;
    std::string inputBox(const std::string& prompt, const std::string& title) override;
};

// A table kept in memory.
class MemoryStore : public HighScoreStore {
public:
    std::optional<std::string> contents; // nothing = no file
    int writes = 0;
    std::optional<std::string> read() override { return contents; }
    bool write(std::string_view data) override
    {
        ++writes;
        contents = std::string(data);
        return true;
    }
};

// A game on a fake window with an in-memory table, as tests set it up.
struct Rig {
    FakeWindow window;
    MemoryStore store;
    Game game{window, store};

    // Puts a resting tile with that letter in a column and row, in Board
    // too, as the next index.
    void place(int column, int row, const std::string& letter);
    // Spawns the next tile with that letter (through the tick's own spawn).
    void spawn(const std::string& letter);
    // The tile currently falling.
    Tile& falling();
    // Master ticks until the falling tile lands (at most limit ticks).
    void tickUntilLanded(int limit = 100);
    // Spawns a tile with that letter, steers it to a column and lets it land.
    void drop(int column, const std::string& letter);
    // Auxiliary ticks while the settle timer runs (at most limit ticks);
    // returns how many ran.
    int settle(int limit = 10);
};

} // namespace lexidrop::testing
