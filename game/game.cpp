#include "game/game.h"

#include <algorithm>
#include <charconv>

#include "game/letters.h"

namespace lexidrop {

namespace {

// One run of the word search: its length, its kind code and its cells as
// offsets from the landed cell, in reading order.
struct Run {
    int length;
    int kind;
    std::array<int, 5> offsets;
    float guard; // the landed cell must be below this (vertical) or above it (run 1); 0 = none
    bool vertical;
};

// Longer words first; within a length the run ending at the landed tile,
// the one starting at it, then the landed tile second, third, fourth, and
// the downward run last.
constexpr std::array<Run, 15> Runs{{
    {5, 5, {-4, -3, -2, -1, 0}, 8, false},
    {5, 1, {0, 1, 2, 3, 4}, 0, false},
    {5, 2, {-1, 0, 1, 2, 3}, 0, false},
    {5, 3, {-2, -1, 0, 1, 2}, 0, false},
    {5, 4, {-3, -2, -1, 0, 1}, 0, false},
    {5, 6, {0, 8, 16, 24, 32}, 90, true},
    {4, 4, {-3, -2, -1, 0}, 0, false},
    {4, 1, {0, 1, 2, 3}, 0, false},
    {4, 2, {-1, 0, 1, 2}, 0, false},
    {4, 3, {-2, -1, 0, 1}, 0, false},
    {4, 5, {0, 8, 16, 24}, 98, true},
    {3, 3, {-2, -1, 0}, 0, false},
    {3, 1, {0, 1, 2}, 0, false},
    {3, 2, {-1, 0, 1}, 0, false},
    {3, 4, {0, 8, 16}, 107, true},
}};

// The leading number of a label's text, as the game-over check reads it:
// leading spaces skipped, an optional sign, digits; anything else gives 0.
std::int64_t leadingNumber(const std::string& text)
{
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string::npos) {
        return 0;
    }
    bool negative = false;
    if (text[at] == '-' || text[at] == '+') {
        negative = text[at] == '-';
        ++at;
    }
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = std::min<std::int64_t>(value * 10 + (text[at] - '0'), INT64_MAX / 16);
    }
    return negative ? -value : value;
}

// Counts open modal boxes for as long as it lives.
class ModalScope {
public:
    explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
    ~ModalScope() { --depth_; }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    int& depth_;
};

std::string& cellAt(std::array<std::string, BoardCells>& board, int cell)
{
    if (cell < 0 || cell >= BoardCells) {
        throw RuleFailure("board index out of range");
    }
    return board[static_cast<std::size_t>(cell)];
}

} // namespace

Game::Game(Window& window, HighScoreStore& store) : window_(window), store_(store)
{
    Tile preview;
    preview.Index = 0;
    preview.Left = 324;
    preview.Top = 55;
    preview.Visible = true; // a null picture is the stored letter-A tile
    ImgLetter.push_back(preview);
}

// ---------------------------------------------------------------- events

void Game::Form_Load()
{
    Table.LoadHighScores(store_, LblName, LblHs);
    showHighScoresChanged();
}

void Game::TmrMaster_Timer()
{
    if (closed_ || modal_ > 0) {
        return; // a modal box is open: no tick may land a tile under it
    }
    if (CurrentLetter.empty()) {
        CurrentLetter = "a";
    }
    if (NextLetter.empty()) {
        NextLetter = "a";
    }
    if (!Falling) {
        spawn();
    }
    CheckLanding();
    if (Falling && CurrentTile <= TileCount) {
        Tile& falling = tile(CurrentTile);
        if (falling.Top >= FloorTop) {
            Falling = false;
            const std::int16_t left = toInt16(falling.Left);
            const std::int16_t top = toInt16(falling.Top);
            LandLetter(left, top, falling.Tag);
        } else {
            falling.Top += FallStep;
            tileChanged(CurrentTile);
        }
        window_.giveFocus();
    }
}

void Game::spawn()
{
    Falling = true;
    TileCount = add16(TileCount, 1);
    CurrentTile = TileCount;
    CurrentLetter = NextLetter;
    NextLetter = RandomLetter();
    if (ImgLetter.size() != static_cast<std::size_t>(TileCount)) {
        throw RuleFailure("tile array out of step with TileCount");
    }
    Tile fresh;
    fresh.Index = TileCount;
    ImgLetter.push_back(fresh);
    tile(CurrentTile).Picture = window_.loadPicture(CurrentLetter + ".bmp");
    tile(0).Picture = window_.loadPicture(NextLetter + ".bmp");
    tileChanged(0);
    Tile& spawned = tile(TileCount);
    spawned.Left = SpawnLeft;
    spawned.Top = SpawnTop;
    spawned.Visible = true;
    spawned.Tag = CurrentLetter;
    tileChanged(TileCount);
    window_.giveFocus();
}

void Game::CheckLanding()
{
    if (TileCount == 1) {
        Falling = true;
        return;
    }
    for (int i = TileCount; i >= 1; --i) {
        if (i == CurrentTile || CurrentTile > TileCount) {
            continue;
        }
        const float otherTop = tile(i).Top;
        const float fallLeft = tile(CurrentTile).Left;
        const float fallTop = tile(CurrentTile).Top;
        const bool touching = fallTop + 32.0f >= otherTop;
        const bool sameColumn = tile(i).Left == fallLeft;
        if (touching && sameColumn) {
            Tile& falling = tile(CurrentTile);
            if (falling.Top + 32.0f > tile(i).Top) {
                falling.Top = tile(i).Top - 32.0f;
                tileChanged(CurrentTile);
            }
            Falling = false;
            const std::int16_t left = toInt16(falling.Left);
            const std::int16_t top = toInt16(falling.Top);
            LandLetter(left, top, falling.Tag);
            if (CurrentTile <= TileCount) {
                return;
            }
        }
    }
    Falling = true;
}

void Game::Form_KeyDown(std::int16_t keyCode, std::int16_t /*shift*/)
{
    if (closed_ || modal_ > 0) {
        return;
    }
    try {
        if (!Falling) {
            return;
        }
        // During a settle CurrentTile is beyond TileCount: no tile to move.
        if (CurrentTile < 1 || CurrentTile > TileCount) {
            return;
        }
        Tile& falling = tile(CurrentTile);
        switch (keyCode) {
        case KeyLeft:
            if (falling.Left > WellLeft) {
                falling.Left -= TileSize;
                tileChanged(CurrentTile);
            }
            break;
        case KeyRight:
            if (falling.Left < RightLimit) {
                falling.Left += TileSize;
                tileChanged(CurrentTile);
            }
            break;
        case KeyDown:
            if (falling.Top < DropLimit) {
                falling.Top += DropStep;
                tileChanged(CurrentTile);
            }
            break;
        default:
            break;
        }
    } catch (const std::exception&) {
        // A key whose move cannot be carried out does nothing.
    }
}

void Game::Form_KeyPress(std::int16_t /*keyAscii*/) {}

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

// ---------------------------------------------------------------- landing

void Game::LandLetter(std::int16_t left, std::int16_t top, std::string letter)
{
    ++landingDepth_;
    const bool outermost = landingDepth_ == 1;
    bool failed = false;
    bool overflow = false;
    try {
        if (ClearCellsMode) {
            for (int i = 0; i < top; ++i) {
                cellAt(Board, add16(left, 8 * i)) = "";
            }
            ClearCellsMode = false;
        } else {
            const float column = static_cast<float>(add16(left, -WellLeft)) / 32.0f;
            const float row = static_cast<float>(add16(top, 9)) / 32.0f;
            const float cell = column + 8.0f * row;
            if (cell < 0.0f) {
                overflow = true; // at rest in row -1 or above: the well is full
            } else {
                const std::int16_t index = toInt16(cell);
                cellAt(Board, index) = letter;
                if (SettleMode) {
                    cellAt(Board, index - 8) = ""; // the cell the tile came from
                } else {
                    wordSearch(index, cell, column, row);
                }
            }
        }
    } catch (const std::exception&) {
        if (!outermost) {
            --landingDepth_;
            throw; // the outermost landing turns it into one game over
        }
        failed = true;
    }
    --landingDepth_;
    if (overflow || failed) {
        gameOver(overflow ? GameOverCause::Overflow : GameOverCause::Failure);
    }
}

void Game::wordSearch(int c, float unrounded, float column, float row)
{
    for (const Run& run : Runs) {
        if (run.guard != 0) {
            const bool guardHolds = run.vertical ? unrounded < run.guard : unrounded > run.guard;
            if (!guardHolds) {
                continue;
            }
        }
        std::array<int, 5> cells{};
        bool tried = true;
        for (int k = 0; k < run.length && tried; ++k) {
            const int cell = c + run.offsets[static_cast<std::size_t>(k)];
            cells[static_cast<std::size_t>(k)] = cell;
            // A run reaching outside the board is simply not a run; it must
            // not end the game for a tile resting in the top row.
            if (cell < 0 || cell >= BoardCells) {
                tried = false;
            } else if (cell != c && Board[static_cast<std::size_t>(cell)].empty()) {
                tried = false;
            } else if (!run.vertical && k > 0 && cell % Columns == 0) {
                tried = false; // the run would wrap into the next row
            }
        }
        if (!tried) {
            continue;
        }
        auto letter = [&](int k) { return Board[static_cast<std::size_t>(cells[static_cast<std::size_t>(k)])]; };
        const std::string oldScore = LblScore;
        const std::string oldLast = lblLast;
        Tally tally{Score, LblScore, lblLast};
        bool found = false;
        if (run.length == 5) {
            const bool first = CheckWord5First(tally, letter(0), letter(1), letter(2), letter(3), letter(4));
            const bool second = CheckWord5Second(tally, letter(0), letter(1), letter(2), letter(3), letter(4));
            found = first || second;
        } else if (run.length == 4) {
            found = CheckWord4(tally, letter(0), letter(1), letter(2), letter(3));
        } else {
            found = CheckWord3(tally, letter(0), letter(1), letter(2));
        }
        labelsChanged(oldScore, oldLast);
        if (!found) {
            continue;
        }
        ClearWord(static_cast<std::int16_t>(run.length), static_cast<std::int16_t>(run.kind),
                  toInt16(column), toInt16(row));
        for (int k = 0; k < run.length; ++k) {
            cellAt(Board, cells[static_cast<std::size_t>(k)]) = "";
        }
        return;
    }
}

void Game::gameOver(GameOverCause cause)
{
    lastGameOver_ = cause;
    ++gamesLost_;
    if (!closed_) {
        ModalScope modal(modal_);
        window_.messageBox("You Lose");
    }
    // An equal score does not beat the tenth place.
    if (leadingNumber(LblHs[Places - 1]) < Score) {
        try {
            Table.UpdateHighScores(
                Score, [this](const std::string& prompt, const std::string& title) { return inputBox(prompt, title); },
                store_);
        } catch (const std::exception&) {
            // The table keeps what it had; the next game must still start.
        }
    }
    Board.fill("");
    NewGame();
}

std::string Game::inputBox(const std::string& prompt, const std::string& title)
{
    if (closed_) {
        return ""; // the window is gone: keep the score under an empty name, ask nothing
    }
    ModalScope modal(modal_);
    return window_.inputBox(prompt, title);
}

// ---------------------------------------------------------------- clearing

void Game::ClearWord(std::int16_t Length, std::int16_t Kind, std::int16_t Column, std::int16_t Row)
{
    const int x0 = add16(TileSize * Column, WellLeft);
    const int y0 = add16(TileSize * Row, -9);
    tile(CurrentTile).Visible = false;
    tileChanged(CurrentTile);

    const bool vertical = Kind == Length + 1;
    std::array<std::pair<int, int>, 4> targets{};
    int targetCount = 0;
    for (int p = 1; p <= Length; ++p) {
        if (vertical) {
            if (p < Length) {
                targets[static_cast<std::size_t>(targetCount++)] = {x0, y0 + TileSize * p};
            }
        } else if (p != Kind) {
            targets[static_cast<std::size_t>(targetCount++)] = {x0 + TileSize * (p - Kind), y0};
        }
    }

    constexpr std::size_t MaxMatches = 7;
    std::vector<int> matched;
    for (int i = 1; i <= TileCount; ++i) {
        const Tile& t = tile(i);
        const bool hit = std::any_of(targets.begin(), targets.begin() + targetCount, [&](const auto& target) {
            return t.Left == static_cast<float>(target.first) && t.Top == static_cast<float>(target.second);
        });
        if (!hit) {
            continue;
        }
        if (matched.size() == MaxMatches) {
            throw RuleFailure("more matches than a word can have");
        }
        matched.push_back(i);
        const auto m = static_cast<int>(matched.size());
        const std::int16_t left = vertical ? std::int16_t{0} : toInt16(t.Left);
        const std::int16_t top = vertical ? std::int16_t{0} : toInt16(t.Top);
        if (m <= Length - 2) {
            RemovedLeft[static_cast<std::size_t>(m)] = left;
            RemovedTop[static_cast<std::size_t>(m)] = top;
        }
        RemovedLeft[static_cast<std::size_t>(Length - 1)] = left;
        RemovedTop[static_cast<std::size_t>(Length - 1)] = top;
    }

    if (vertical) {
        ClearCellsMode = true;
        const float first = static_cast<float>(x0 - WellLeft) / 32.0f + static_cast<float>(y0 + 9) / 4.0f;
        LandLetter(toInt16(first), Length, "a");
    }

    for (int slot = Length; slot <= 4; ++slot) {
        RemovedLeft[static_cast<std::size_t>(slot)] = 0;
        RemovedTop[static_cast<std::size_t>(slot)] = 0;
    }

    std::size_t n = 0;
    for (int i = 1; i <= TileCount; ++i) {
        if (n < matched.size() && matched[n] == i) {
            ++n;
        } else if (n > 0) {
            Tile& to = tile(i - static_cast<int>(n));
            const Tile& from = tile(i);
            to.Picture = from.Picture;
            to.Left = from.Left;
            to.Top = from.Top;
            to.Tag = from.Tag;
            tileChanged(i - static_cast<int>(n));
        }
    }

    const int firstSurplus = TileCount - Length + 1;
    if (firstSurplus < 1 || ImgLetter.size() != static_cast<std::size_t>(TileCount) + 1) {
        throw RuleFailure("word longer than the tiles in the well");
    }
    for (int i = TileCount; i >= firstSurplus; --i) {
        unloadTile(i);
    }

    Falling = true;
    TileCount = add16(TileCount, -Length);
    setTimer(Timer::Auxiliary, true);
    setTimer(Timer::Master, false);
}

// ---------------------------------------------------------------- settling

void Game::TmrAuxiliary_Timer()
{
    if (closed_ || modal_ > 0) {
        return;
    }
    if (!SettleStarted) {
        SettleStarted = true;
        for (int k = 1; k <= 4; ++k) {
            auto& list = SettleTiles[static_cast<std::size_t>(k)];
            list.clear();
            for (int i = 1; i <= TileCount; ++i) {
                const Tile& t = tile(i);
                if (t.Top < static_cast<float>(RemovedTop[static_cast<std::size_t>(k)]) &&
                    t.Left == static_cast<float>(RemovedLeft[static_cast<std::size_t>(k)])) {
                    list.push_back(static_cast<std::int16_t>(i));
                }
            }
        }
    }
    const bool nothing = std::all_of(SettleTiles.begin() + 1, SettleTiles.end(),
                                     [](const auto& list) { return list.empty(); });
    if (nothing) {
        SettleStarted = false;
        Falling = false;
        setTimer(Timer::Auxiliary, false);
        setTimer(Timer::Master, true);
        return;
    }

    bool movedThisTick = false;
    const int lostBefore = gamesLost_;
    for (int k = 1; k <= 4 && gamesLost_ == lostBefore; ++k) {
        for (std::size_t j = 0; j < SettleTiles[static_cast<std::size_t>(k)].size(); ++j) {
            const int t = SettleTiles[static_cast<std::size_t>(k)][j];
            Tile& moving = tile(t);
            moving.Top += FallStep;
            tileChanged(t);
            if (!movedThisTick) {
                SettleSteps = add16(SettleSteps, 1);
            }
            movedThisTick = true;
            if (SettleSteps == 4) {
                SettleMode = true;
                Falling = false;
                const std::int16_t left = toInt16(moving.Left);
                const std::int16_t top = toInt16(moving.Top);
                LandLetter(left, top, moving.Tag);
                if (gamesLost_ != lostBefore) {
                    break; // the board was reset under us: nothing left to record
                }
            }
        }
    }

    if (!Falling) {
        setTimer(Timer::Auxiliary, false);
        setTimer(Timer::Master, true);
        SettleStarted = false;
        SettleSteps = 0;
        for (auto& list : SettleTiles) {
            list.clear();
        }
        SettleMode = false;
    }
}

// ---------------------------------------------------------------- new game

void Game::NewGame()
{
    for (int i = TileCount; i >= 1; --i) {
        unloadTile(i);
    }
    Score = 0;
    LblScore = "0";
    window_.labelChanged(Label::Score, 0);
    CurrentTile = 0;
    Falling = false;
    TileCount = 0;
    tile(0).Picture = window_.loadPicture("a.bmp");
    tileChanged(0);
    Table.ShowHighScores(LblName, LblHs);
    showHighScoresChanged();
}

std::string Game::RandomLetter()
{
    const std::string time = window_.timeOfDay();
    int seconds = 0;
    if (time.size() >= 2) {
        std::from_chars(time.data() + time.size() - 2, time.data() + time.size(), seconds);
    }
    window_.randomize(seconds);
    return letterForDraw(drawNumber(window_.rnd()));
}

// ---------------------------------------------------------------- helpers

void Game::setTimer(Timer timer, bool enabled)
{
    bool& flag = timer == Timer::Master ? TmrMasterEnabled : TmrAuxiliaryEnabled;
    if (closed_) {
        enabled = false;
    }
    if (flag != enabled) {
        flag = enabled;
        window_.timerChanged(timer, enabled);
    }
}

Tile& Game::tile(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= ImgLetter.size()) {
        throw RuleFailure("no tile with that index");
    }
    return ImgLetter[static_cast<std::size_t>(index)];
}

void Game::unloadTile(int index)
{
    if (static_cast<std::size_t>(index) + 1 != ImgLetter.size() || index < 1) {
        throw RuleFailure("tiles are unloaded from the top");
    }
    ImgLetter.pop_back();
    tileChanged(index);
}

void Game::tileChanged(int index) { window_.tileChanged(index); }

void Game::labelsChanged(const std::string& oldScore, const std::string& oldLast)
{
    if (LblScore != oldScore) {
        window_.labelChanged(Label::Score, 0);
    }
    if (lblLast != oldLast) {
        window_.labelChanged(Label::Last, 0);
    }
}

void Game::showHighScoresChanged()
{
    for (int i = 0; i < Places; ++i) {
        window_.labelChanged(Label::Name, i);
        window_.labelChanged(Label::HighScore, i);
    }
}

} // namespace lexidrop
