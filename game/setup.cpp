#include "game/game.h"

namespace lexidrop {

Tile& GameSetup::append(int column, int row, const std::string& letter)
{
    GameState& state = game_.state_;
    game_.setTileCount(add16(state.TileCount, 1));
    Tile placed;
    placed.Index = state.TileCount;
    placed.Tag = letter;
    placed.Picture = game_.view_.loadPicture(letter);
    placed.Left = static_cast<float>(leftOfColumn(column));
    placed.Top = static_cast<float>(topOfRow(row));
    placed.Visible = true;
    state.ImgLetter.push_back(placed);
    game_.showTile(state.TileCount);
    return state.ImgLetter.back();
}

void GameSetup::placeTile(int column, int row, const std::string& letter)
{
    append(column, row, letter);
    game_.cell(column + Columns * row) = letter;
}

void GameSetup::placeFallingTile(int column, int row, const std::string& letter)
{
    game_.view_.tileInPlay(game_.state_.TileCount + 1); // before the tile first shows, as a spawn tells it
    append(column, row, letter);
    game_.state_.CurrentTile = game_.state_.TileCount;
    game_.state_.CurrentLetter = letter;
    game_.state_.Falling = true;
}

void GameSetup::setNextLetter(const std::string& letter) { game_.state_.NextLetter = letter; }

void GameSetup::setScore(std::int32_t score) { game_.state_.Score = score; }

} // namespace lexidrop
