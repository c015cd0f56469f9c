// The falling tile, the keys, focus, the new-game reset and the letter draw.
#include "game/game.h"

#include <charconv>

#include "game/letters.h"

namespace lexidrop {

Game::Game(View& view, ModalBoxes& boxes, Clock& clock, HighScoreStore& store, std::unique_ptr<UniformSource> random)
    : view_(view), boxes_(boxes), clock_(clock), store_(store), random_(std::move(random))
{
    Tile preview;
    preview.Index = 0;
    preview.Left = PreviewLeft;
    preview.Top = PreviewTop;
    preview.Visible = true; // a null picture is the stored letter-A tile
    state_.ImgLetter.push_back(preview);
}

// ---------------------------------------------------------------- events

void Game::Form_Load()
{
    // The view starts from what the game holds before the first tick.
    showTile(0);
    showLabel(Label::Score, 0, state_.LblScore);
    showLabel(Label::Last, 0, state_.lblLast);
    state_.Table.LoadHighScores(store_, state_.LblName, state_.LblHs);
    showTable();
}

void Game::TmrMaster_Timer()
{
    if (closed_ || modal_ > 0) {
        return; // a modal box is open: no tick may land a tile under it
    }
    if (state_.CurrentLetter.empty()) {
        state_.CurrentLetter = "a";
    }
    if (state_.NextLetter.empty()) {
        state_.NextLetter = "a";
    }
    if (!state_.Falling) {
        spawn();
    }
    CheckLanding();
    // After a clear the settle runs: nothing falls.
    if (state_.Falling && !state_.settling()) {
        Tile& falling = tile(state_.CurrentTile);
        if (falling.Top >= FloorTop) {
            landCurrentTile();
        } else {
            falling.Top += FallStep;
            showTile(state_.CurrentTile);
        }
        view_.giveFocus();
    }
}

void Game::Form_KeyDown(Key key)
{
    if (closed_ || modal_ > 0) {
        return;
    }
    if (!state_.tileInPlay()) {
        return; // nothing to steer, or a settle runs
    }
    try {
        moveFalling(key);
    } catch (const std::exception&) {
        // A key whose move cannot be carried out does nothing.
    }
}

void Game::Form_GotFocus()
{
    if (!closed_) {
        setTimer(Timer::Master, true);
    }
}

void Game::Form_LostFocus()
{
    if (!closed_) {
        setTimer(Timer::Master, false);
    }
}

void Game::Form_Unload()
{
    setTimer(Timer::Master, false);
    setTimer(Timer::Auxiliary, false);
    closed_ = true;
}

// ---------------------------------------------------------------- falling tile

void Game::spawn()
{
    state_.Falling = true;
    setTileCount(add16(state_.TileCount, 1));
    state_.CurrentTile = state_.TileCount;
    state_.CurrentLetter = state_.NextLetter;
    state_.NextLetter = RandomLetter();
    if (state_.ImgLetter.size() != static_cast<std::size_t>(state_.TileCount)) {
        throw RuleFailure("tile array out of step with TileCount");
    }
    Tile fresh;
    fresh.Index = state_.TileCount;
    state_.ImgLetter.push_back(fresh);
    tile(state_.CurrentTile).Picture = view_.loadPicture(state_.CurrentLetter);
    previewNext();
    Tile& spawned = tile(state_.TileCount);
    spawned.Left = SpawnLeft;
    spawned.Top = SpawnTop;
    spawned.Visible = true;
    spawned.Tag = state_.CurrentLetter;
    view_.tileInPlay(state_.TileCount);
    showTile(state_.TileCount);
    view_.giveFocus();
}

void Game::previewNext()
{
    tile(0).Picture = view_.loadPicture(state_.NextLetter);
    showTile(0);
}

void Game::CheckLanding()
{
    if (state_.TileCount == 1) {
        state_.Falling = true;
        return;
    }
    for (int i = state_.TileCount; i >= 1; --i) {
        if (i == state_.CurrentTile || state_.currentTileCleared()) {
            continue;
        }
        const Tile& other = tile(i);
        Tile& falling = tile(state_.CurrentTile);
        if (falling.Top + TileSize < other.Top || other.Left != falling.Left) {
            continue;
        }
        // A tile slid into a taller stack is lifted onto its top.
        if (falling.Top + TileSize > other.Top) {
            falling.Top = other.Top - TileSize;
            showTile(state_.CurrentTile);
        }
        landCurrentTile();
        if (!state_.currentTileCleared()) {
            return;
        }
    }
    state_.Falling = true;
}

// One column sideways while the well allows it, or 16 pixels down while
// the tile is well above the floor.
void Game::moveFalling(Key key)
{
    Tile& falling = tile(state_.CurrentTile);
    switch (key) {
    case Key::Left:
        if (falling.Left <= WellLeft) {
            return;
        }
        falling.Left -= TileSize;
        break;
    case Key::Right:
        if (falling.Left >= RightLimit) {
            return;
        }
        falling.Left += TileSize;
        break;
    case Key::Down:
        if (falling.Top >= DropLimit) {
            return;
        }
        falling.Top += DropStep;
        break;
    case Key::Other:
        return;
    }
    showTile(state_.CurrentTile);
}

void Game::landCurrentTile()
{
    view_.tileInPlay(0);
    const Resting at = stopTile(state_.CurrentTile);
    LandLetter(at.left, at.top, at.letter);
}

Game::Resting Game::stopTile(int index)
{
    state_.Falling = false;
    const Tile& resting = tile(index);
    return {toInt16(resting.Left), toInt16(resting.Top), resting.Tag};
}

// ---------------------------------------------------------------- new game

void Game::NewGame()
{
    for (int i = state_.TileCount; i >= 1; --i) {
        unloadTile(i);
    }
    state_.Score = 0;
    state_.LblScore = "0";
    showLabel(Label::Score, 0, state_.LblScore);
    state_.CurrentTile = 0;
    state_.Falling = false;
    view_.tileInPlay(0);
    setTileCount(0);
    tile(0).Picture = view_.loadPicture("a");
    showTile(0);
    state_.Table.ShowHighScores(state_.LblName, state_.LblHs);
    showTable();
}

std::string Game::RandomLetter()
{
    const std::string time = clock_.timeOfDay();
    int seconds = 0;
    if (time.size() >= 2) {
        std::from_chars(time.data() + time.size() - 2, time.data() + time.size(), seconds);
    }
    random_->randomize(seconds);
    return letterForDraw(drawNumber(random_->next()));
}

// ---------------------------------------------------------------- helpers

void Game::setTileCount(std::int16_t count) { state_.TileCount = count; }

void Game::setTimer(Timer timer, bool enabled)
{
    bool& flag = timer == Timer::Master ? state_.TmrMasterEnabled : state_.TmrAuxiliaryEnabled;
    if (closed_) {
        enabled = false;
    }
    if (flag != enabled) {
        flag = enabled;
        view_.timerChanged(timer, enabled);
    }
}

Tile& Game::tile(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= state_.ImgLetter.size()) {
        throw RuleFailure("no tile with that index");
    }
    return state_.ImgLetter[static_cast<std::size_t>(index)];
}

std::string& Game::cell(int index)
{
    if (index < 0 || index >= BoardCells) {
        throw RuleFailure("board index out of range");
    }
    return state_.Board[static_cast<std::size_t>(index)];
}

void Game::unloadTile(int index)
{
    if (static_cast<std::size_t>(index) + 1 != state_.ImgLetter.size() || index < 1) {
        throw RuleFailure("tiles are unloaded from the top");
    }
    state_.ImgLetter.pop_back();
    view_.tileUnloaded(index);
}

void Game::showTile(int index) { view_.tileChanged(tile(index)); }

void Game::showLabel(Label label, int place, const std::string& text) { view_.labelChanged(label, place, text); }

void Game::showTable()
{
    for (int i = 0; i < Places; ++i) {
        const auto at = static_cast<std::size_t>(i);
        showLabel(Label::Name, i, state_.LblName.at(at));
        showLabel(Label::HighScore, i, state_.LblHs.at(at));
    }
}

} // namespace lexidrop
