#include "fakes/fake_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace lexidrop::testing {

namespace {

std::unique_ptr<UniformSource> makeSource(std::uint64_t seed, ScriptedRandom*& source)
{
    auto made = std::make_unique<ScriptedRandom>(seed);
    source = made.get();
    return made;
}

// A reader finds a tile's column by counting cells, so every row is as
// wide as the well; a wider row, a mistyped letter or too many rows would
// lose tiles without a word.  Such a drawing fails the set-up instead.
::testing::AssertionResult checkDrawing(const std::vector<std::string>& rows)
{
    if (rows.size() > static_cast<std::size_t>(FloorRow) + 1) {
        return ::testing::AssertionFailure() << "a well of " << rows.size() << " rows; it has " << FloorRow + 1;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string& line = rows.at(i);
        const bool wide = line.size() == static_cast<std::size_t>(Columns);
        const auto cell = [](char c) { return c == '.' || (c >= 'a' && c <= 'z'); };
        const bool drawn = std::all_of(line.begin(), line.end(), cell);
        if (!wide || !drawn) {
            return ::testing::AssertionFailure() << "drawn row " << i << " \"" << line << "\" is not " << Columns
                                                 << " cells of a lower-case letter or '.'";
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

std::string pictureLetter(const Tile& tile)
{
    const auto* picture = dynamic_cast<const FakePicture*>(tile.Picture.get());
    return picture ? picture->letter : std::string();
}

void ScriptedRandom::randomize(int seed)
{
    seeds.push_back(seed);
    generator.randomize(seed);
}

float ScriptedRandom::next()
{
    if (draws.empty()) {
        return generator.next();
    }
    const float u = draws.front();
    draws.pop_front();
    return u;
}

PicturePtr FakeWindow::loadPicture(const std::string& letter) { return std::make_shared<FakePicture>(letter); }

void FakeWindow::tileChanged(const Tile& tile)
{
    changedTiles.push_back(tile.Index);
    shownTiles[tile.Index] = tile;
}

void FakeWindow::tileUnloaded(int index)
{
    changedTiles.push_back(index);
    shownTiles.erase(index);
}

void FakeWindow::messageBox(const std::string& text)
{
    messages.push_back(text);
    if (duringBox) {
        duringBox();
    }
}

void FakeWindow::labelChanged(Label label, int place, const std::string& text)
{
    labels[{label, place}] = text;
    if (label == Label::Score || label == Label::Last) {
        scoring.push_back((label == Label::Score ? "score " : "last ") + text);
    }
}

void FakeWindow::wordScored(const std::string& word, int points)
{
    scored.push_back(ScoredWord{word, static_cast<std::int16_t>(points)});
    scoring.push_back("word " + word + " " + std::to_string(points));
}

std::string FakeWindow::inputBox(const std::string& prompt, const std::string& title)
{
    prompts.push_back(prompt);
    titles.push_back(title);
    if (duringBox) {
        duringBox();
    }
    if (answers.empty()) {
        return "";
    }
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
}

Rig::Rig(std::uint64_t seed) : game(window, window, window, store, makeSource(seed, source_)), random(*source_) {}

void Rig::place(int column, int row, const std::string& letter) { GameSetup(game).placeTile(column, row, letter); }

::testing::AssertionResult Rig::well(const std::vector<std::string>& rows, WellOrder order)
{
    if (auto drawing = checkDrawing(rows); !drawing) {
        return drawing;
    }
    const int height = static_cast<int>(rows.size());
    // up counts rows from the floor: the last drawn row is up 0.
    const auto placeDrawn = [&](int column, int up) {
        const char letter = rows.at(static_cast<std::size_t>(height - 1 - up)).at(static_cast<std::size_t>(column));
        if (letter != '.') {
            place(column, FloorRow - up, std::string(1, letter));
        }
    };
    if (order == WellOrder::ByRow) {
        for (int up = 0; up < height; ++up) {
            for (int column = 0; column < Columns; ++column) {
                placeDrawn(column, up);
            }
        }
    } else {
        for (int column = 0; column < Columns; ++column) {
            for (int up = 0; up < height; ++up) {
                placeDrawn(column, up);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Rig::spawn(const std::string& letter)
{
    // The tick spawns only while nothing falls: otherwise it moves the tile
    // in play, or does nothing while a cleared word's tiles settle.
    if (state().Falling) {
        return ::testing::AssertionFailure() << "cannot spawn \"" << letter
                                             << "\": a tile is in play or the well is settling";
    }
    GameSetup(game).setNextLetter(letter);
    game.TmrMaster_Timer();
    return ::testing::AssertionSuccess();
}

const Tile& Rig::falling() const { return state().ImgLetter.at(static_cast<std::size_t>(state().CurrentTile)); }

::testing::AssertionResult Rig::tickUntilLanded(int limit)
{
    // A landing that clears a word leaves Falling set for the settle, with
    // the landed tile gone: that tile has landed too.
    auto inFlight = [this] { return state().Falling && !state().settling(); };
    for (int i = 0; i < limit && inFlight(); ++i) {
        game.TmrMaster_Timer();
    }
    if (inFlight()) {
        return ::testing::AssertionFailure() << "the tile did not land in " << limit << " ticks";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Rig::drop(int column, const std::string& letter)
{
    if (auto spawned = spawn(letter); !spawned) {
        return spawned;
    }
    const Key key = column < SpawnColumn ? Key::Left : Key::Right;
    for (int i = 0; i < std::abs(column - SpawnColumn); ++i) {
        game.Form_KeyDown(key);
    }
    return tickUntilLanded();
}

void Rig::land(int column, int row, const std::string& letter)
{
    GameSetup(game).placeFallingTile(column, row, letter);
    game.LandLetter(static_cast<std::int16_t>(leftOfColumn(column)), static_cast<std::int16_t>(topOfRow(row)), letter);
}

void Rig::loadTable(const std::vector<std::pair<std::string, std::int32_t>>& entries)
{
    std::string file;
    for (std::size_t i = 0; i < Places; ++i) {
        const bool given = i < entries.size();
        file += "\"" + (given ? entries[i].first : std::string()) + "\"\r\n";
        file += std::to_string(given ? entries[i].second : 0) + "\r\n";
    }
    store.contents = file;
    game.Form_Load();
    store.writes = 0;
}

void Rig::loseWithScore(std::int32_t score)
{
    GameSetup(game).setScore(score);
    game.LandLetter(static_cast<std::int16_t>(SpawnLeft), static_cast<std::int16_t>(topOfRow(-1)), "q");
}

int Rig::settle(int limit)
{
    int ticks = 0;
    while (state().TmrAuxiliaryEnabled && ticks < limit) {
        game.TmrAuxiliary_Timer();
        ++ticks;
    }
    return ticks;
}

std::vector<std::string> Rig::boardCells() const
{
    std::vector<std::string> cells;
    for (int i = 0; i < BoardCells; ++i) {
        const std::string& letter = state().Board.at(static_cast<std::size_t>(i));
        if (!letter.empty()) {
            cells.push_back(std::to_string(i) + ":" + letter);
        }
    }
    return cells;
}

} // namespace lexidrop::testing
