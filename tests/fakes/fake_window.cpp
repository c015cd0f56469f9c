#include "fakes/fake_window.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace lexidrop::testing {

std::string pictureName(const Tile& tile)
{
    const auto* picture = dynamic_cast<const FakePicture*>(tile.Picture.get());
    return picture ? picture->fileName : std::string();
}

void FakeWindow::randomize(int seed)
{
    seeds.push_back(seed);
    generator.randomize(seed);
}

float FakeWindow::rnd()
{
    if (draws.empty()) {
        return generator.next();
    }
    const float u = draws.front();
    draws.pop_front();
    return u;
}

PicturePtr FakeWindow::loadPicture(const std::string& fileName)
{
    return std::make_shared<FakePicture>(fileName);
}

void FakeWindow::messageBox(const std::string& text)
{
    messages.push_back(text);
    if (duringBox) {
        duringBox();
    }
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

void Rig::place(int column, int row, const std::string& letter)
{
    Tile t;
    game.TileCount = static_cast<std::int16_t>(game.TileCount + 1);
    t.Index = game.TileCount;
    t.Tag = letter;
    t.Picture = std::make_shared<FakePicture>(letter + ".bmp");
    t.Left = static_cast<float>(leftOfColumn(column));
    t.Top = static_cast<float>(topOfRow(row));
    t.Visible = true;
    game.ImgLetter.push_back(t);
    game.Board.at(static_cast<std::size_t>(column + 8 * row)) = letter;
}

void Rig::spawn(const std::string& letter)
{
    ASSERT_FALSE(game.Falling);
    game.CurrentLetter = letter;
    game.NextLetter = letter;
    game.TmrMaster_Timer();
}

Tile& Rig::falling() { return game.ImgLetter.at(static_cast<std::size_t>(game.CurrentTile)); }

void Rig::tickUntilLanded(int limit)
{
    // A landing that clears a word leaves Falling set for the settle, with
    // the landed tile gone (CurrentTile beyond TileCount).
    auto inFlight = [this] { return game.Falling && game.CurrentTile <= game.TileCount; };
    for (int i = 0; i < limit && inFlight(); ++i) {
        game.TmrMaster_Timer();
    }
    ASSERT_FALSE(inFlight()) << "the tile did not land";
}

void Rig::drop(int column, const std::string& letter)
{
    spawn(letter);
    const std::int16_t key = column < 3 ? KeyLeft : KeyRight;
    for (int i = 0; i < std::abs(column - 3); ++i) {
        game.Form_KeyDown(key, 0);
    }
    tickUntilLanded();
}

int Rig::settle(int limit)
{
    int ticks = 0;
    while (game.TmrAuxiliaryEnabled && ticks < limit) {
        game.TmrAuxiliary_Timer();
        ++ticks;
    }
    return ticks;
}

} // namespace lexidrop::testing
