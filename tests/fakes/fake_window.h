// The window and the random source for the core tests: a fixed clock,
// scripted draws, pictures that are just their letters, boxes answered
// from a script, and every notice recorded.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/game.h"
#include "game/rnd.h"
#include "scores/high_scores.h"

namespace lexidrop::testing {

// The picture of a tile: the letter it was loaded for.
struct FakePicture : Picture {
    explicit FakePicture(std::string forLetter) : letter(std::move(forLetter)) {}
    std::string letter;
};

// The letter a tile's picture was loaded for ("" for none, the stored tile).
std::string pictureLetter(const Tile& tile);

// Draws from a script first, then from a seeded generator.
class ScriptedRandom : public UniformSource {
public:
    explicit ScriptedRandom(std::uint64_t seed) : generator(seed) {}
    std::deque<float> draws;  // scripted draws; empty = use the generator
    Rnd generator;            // used once the script is empty
    std::vector<int> seeds;   // every randomize seed
    void randomize(int seed) override;
    float next() override;
};

class FakeWindow : public View, public ModalBoxes, public Clock {
public:
    std::string time = "12:00:00";      // what timeOfDay answers
    std::vector<std::string> messages;  // every message box text
    std::vector<std::string> prompts;   // every input box prompt
    std::vector<std::string> titles;    // every input box title
    std::deque<std::string> answers;    // input box answers; empty = Cancel
    std::function<void()> duringBox;    // runs while a box is open
    std::vector<int> changedTiles;      // every tile notice (shown or unloaded), by index
    std::map<int, Tile> shownTiles;     // what the view shows of each tile
    std::map<std::pair<Label, int>, std::string> labels; // the last text of each label
    // Every tile-in-play notice, and whether the view showed that tile already.
    struct InPlay {
        int index;
        bool shownBefore;
    };
    std::vector<InPlay> inPlay;
    std::vector<ScoredWord> scored;     // every word told as scored, in order
    // Words and the score and last-word label texts as told, in order:
    // "word cat 8", "score  8", "last cat    8 points".
    std::vector<std::string> scoring;
    int focusRequests = 0;
    std::map<Timer, std::vector<bool>> timerCalls;

    std::string timeOfDay() override { return time; }
    PicturePtr loadPicture(const std::string& letter) override;
    void tileChanged(const Tile& tile) override;
    void tileUnloaded(int index) override;
    void tileInPlay(int index) override { inPlay.push_back({index, shownTiles.count(index) > 0}); }
    void labelChanged(Label label, int place, const std::string& text) override;
    void wordScored(const std::string& word, int points) override;
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

// How the tiles of a drawn well are numbered: row by row, bottom row first
// and each row left to right; or column by column, left column first and
// each column bottom up.
enum class WellOrder { ByRow, ByColumn };

// A game on a fake window with an in-memory table, and the moves tests make.
// The moves that can go wrong return an AssertionResult, so that a test
// stops there (ASSERT_TRUE) instead of going on from a set-up it did not get.
struct Rig {
    explicit Rig(std::uint64_t seed = 42);

    FakeWindow window;
    MemoryStore store;

private:
    ScriptedRandom* source_ = nullptr;

public:
    Game game;
    ScriptedRandom& random; // owned by the game

    const GameState& state() const { return game.state(); }

    // Puts a resting tile with that letter in a column and row, in Board
    // too, as the next index.
    void place(int column, int row, const std::string& letter);
    // Places the rows of a well drawn as text, top row first, bottom row
    // resting on the floor: a lower-case letter is a tile, '.' an empty
    // cell.  Tiles take their indexes in the given order.  Fails, placing
    // nothing, on a drawing the well cannot hold: a row not Columns wide,
    // more rows than the well has, any other character.
    [[nodiscard]] ::testing::AssertionResult well(const std::vector<std::string>& rows,
                                                  WellOrder order = WellOrder::ByRow);
    // Spawns the next tile with that letter (through the tick's own spawn);
    // fails, spawning nothing, while a tile is in play or a settle runs.
    [[nodiscard]] ::testing::AssertionResult spawn(const std::string& letter);
    // The tile currently falling.
    const Tile& falling() const;
    // Master ticks until the falling tile lands; fails if it is still in
    // flight after limit ticks (by default a little more than a fall from
    // the spawn to the floor, FallTicksToFloor of game/geometry.h).
    [[nodiscard]] ::testing::AssertionResult tickUntilLanded(int limit = FallTicksToFloor + 2);
    // Spawns a tile with that letter, steers it to a column and lets it land.
    [[nodiscard]] ::testing::AssertionResult drop(int column, const std::string& letter);
    // Puts the tile in play at a column and row and lands it there at once.
    void land(int column, int row, const std::string& letter);
    // Reads a table of these entries (the rest empty) from the store, as at start-up.
    void loadTable(const std::vector<std::pair<std::string, std::int32_t>>& entries);
    // Ends the game with this score by landing a tile above the well.
    void loseWithScore(std::int32_t score);
    // Auxiliary ticks while the settle timer runs (at most limit ticks);
    // returns how many ran.
    int settle(int limit = 10);
    // Every non-empty board cell, as "cell:letter" pairs, in cell order.
    std::vector<std::string> boardCells() const;
};

} // namespace lexidrop::testing
