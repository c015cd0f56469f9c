// A found word leaves the well: its tiles go, the survivors close up, and
// the settle timer lets the tiles above the gaps sink one row.
#include <algorithm>

#include "game/game.h"

namespace lexidrop {

namespace {

// A pixel position a tile of the word stands at.
struct Target {
    int left;
    int top;
};

// Where the word's other tiles stand, from the landed tile at (x0, y0): to
// its sides for an across word (kind = the landed letter's position), below
// it for the downward word (kind = length + 1).
std::vector<Target> wordTargets(int length, int kind, int x0, int y0)
{
    std::vector<Target> targets;
    for (int p = 1; p <= length; ++p) {
        if (kind == length + 1) {
            if (p < length) {
                targets.push_back({x0, y0 + TileSize * p});
            }
        } else if (p != kind) {
            targets.push_back({x0 + TileSize * (p - kind), y0});
        }
    }
    return targets;
}

// A word has at most four other tiles; more matches than seven mean the
// tile array no longer matches the board.
constexpr std::size_t MaxMatches = 7;

} // namespace

// ---------------------------------------------------------------- clearing

void Game::ClearWord(std::int16_t Length, std::int16_t Kind, std::int16_t Column, std::int16_t Row)
{
    const int x0 = add16(TileSize * Column, WellLeft);
    const int y0 = add16(TileSize * Row, RowZeroTop);
    tile(state_.CurrentTile).Visible = false;
    showTile(state_.CurrentTile);

    const std::vector<int> matched = matchWordTiles(Length, Kind, x0, y0);
    if (Kind == Length + 1) {
        clearColumnCells(toInt16(cellOf(Column, Row)), Length);
    }
    for (int slot = Length; slot <= 4; ++slot) {
        state_.RemovedLeft.at(static_cast<std::size_t>(slot)) = 0;
        state_.RemovedTop.at(static_cast<std::size_t>(slot)) = 0;
    }
    closeGaps(matched, Length);
    handOverToSettle(Length);
}

// The word's other tiles in index order.  Each is noted as a gap for the
// settle: match m in point m while m <= length - 2, and every match in point
// length - 1.  A downward word notes (0, 0): nothing stands above it.
std::vector<int> Game::matchWordTiles(int length, int kind, int x0, int y0)
{
    const std::vector<Target> targets = wordTargets(length, kind, x0, y0);
    const bool down = kind == length + 1;
    std::vector<int> matched;
    for (int i = 1; i <= state_.TileCount; ++i) {
        const Tile& t = tile(i);
        const bool hit = std::any_of(targets.begin(), targets.end(), [&](const Target& target) {
            return t.Left == static_cast<float>(target.left) && t.Top == static_cast<float>(target.top);
        });
        if (!hit) {
            continue;
        }
        if (matched.size() == MaxMatches) {
            throw RuleFailure("more matches than a word can have");
        }
        matched.push_back(i);
        const auto m = matched.size();
        const std::int16_t left = down ? std::int16_t{0} : toInt16(t.Left);
        const std::int16_t top = down ? std::int16_t{0} : toInt16(t.Top);
        if (m + 2 <= static_cast<std::size_t>(length)) {
            state_.RemovedLeft.at(m) = left;
            state_.RemovedTop.at(m) = top;
        }
        state_.RemovedLeft.at(static_cast<std::size_t>(length - 1)) = left;
        state_.RemovedTop.at(static_cast<std::size_t>(length - 1)) = top;
    }
    return matched;
}

// Empties count cells of a column downwards from firstCell.
void Game::clearColumnCells(int firstCell, int count)
{
    for (int i = 0; i < count; ++i) {
        cell(add16(firstCell, Columns * i)) = "";
    }
}

// Survivors move down the array in their order; the top `length` entries
// (the matched tiles' surplus copies and the landed tile) are unloaded.
void Game::closeGaps(const std::vector<int>& matched, int length)
{
    std::size_t n = 0;
    for (int i = 1; i <= state_.TileCount; ++i) {
        if (n < matched.size() && matched[n] == i) {
            ++n;
        } else if (n > 0) {
            const int to = i - static_cast<int>(n);
            const Tile& from = tile(i);
            Tile& survivor = tile(to);
            survivor.Picture = from.Picture;
            survivor.Left = from.Left;
            survivor.Top = from.Top;
            survivor.Tag = from.Tag;
            showTile(to);
        }
    }
    const int firstSurplus = state_.TileCount - length + 1;
    if (firstSurplus < 1 || state_.ImgLetter.size() != static_cast<std::size_t>(state_.TileCount) + 1) {
        throw RuleFailure("word longer than the tiles in the well");
    }
    for (int i = state_.TileCount; i >= firstSurplus; --i) {
        unloadTile(i);
    }
}

void Game::handOverToSettle(int length)
{
    state_.Falling = true;
    setTileCount(add16(state_.TileCount, -length));
    setTimer(Timer::Auxiliary, true);
    setTimer(Timer::Master, false);
}

// ---------------------------------------------------------------- settling

void Game::TmrAuxiliary_Timer()
{
    if (closed_ || modal_ > 0) {
        return;
    }
    if (!state_.SettleStarted) {
        state_.SettleStarted = true;
        collectSettleTiles();
    }
    const bool nothing = std::all_of(state_.SettleTiles.begin() + 1, state_.SettleTiles.end(),
                                     [](const auto& list) { return list.empty(); });
    if (nothing) {
        state_.SettleStarted = false;
        state_.Falling = false;
        setTimer(Timer::Auxiliary, false);
        setTimer(Timer::Master, true);
        return;
    }
    stepSettleTiles();
    if (!state_.Falling) {
        finishSettle();
    }
}

// List k holds the tiles standing above gap k in its column, by index.
// A gap (0, 0) matches no tile.
void Game::collectSettleTiles()
{
    for (std::size_t k = 1; k <= 4; ++k) {
        auto& list = state_.SettleTiles.at(k);
        list.clear();
        for (int i = 1; i <= state_.TileCount; ++i) {
            const Tile& t = tile(i);
            if (t.Top < static_cast<float>(state_.RemovedTop.at(k)) &&
                t.Left == static_cast<float>(state_.RemovedLeft.at(k))) {
                list.push_back(static_cast<std::int16_t>(i));
            }
        }
    }
}

// Every listed tile sinks a settle step; at the last step each is recorded
// in its new cell, list by list in index order, so the lower tile of a
// column goes first.  Falling goes false with the last step; a recording
// that ends the game ends the step there.
void Game::stepSettleTiles()
{
    bool movedThisTick = false;
    for (std::size_t k = 1; k <= 4; ++k) {
        const auto& list = state_.SettleTiles.at(k);
        for (std::size_t j = 0; j < list.size(); ++j) {
            const int t = list[j];
            tile(t).Top += SettleStep;
            showTile(t);
            if (!movedThisTick) {
                state_.SettleSteps = add16(state_.SettleSteps, 1);
            }
            movedThisTick = true;
            if (state_.SettleSteps == SettleTicks) {
                const Resting at = stopTile(t);
                if (!settleLetter(at.left, at.top, at.letter)) {
                    return;
                }
            }
        }
    }
}

void Game::finishSettle()
{
    setTimer(Timer::Auxiliary, false);
    setTimer(Timer::Master, true);
    state_.SettleStarted = false;
    state_.SettleSteps = 0;
    for (auto& list : state_.SettleTiles) {
        list.clear();
    }
}

} // namespace lexidrop
