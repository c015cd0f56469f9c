// A tile comes to rest: its cell, the word search through it, game over.
#include <algorithm>

#include "game/game.h"

namespace lexidrop {

namespace {

enum class Direction { Across, Down };

// When a run may be read at all, compared with the landed cell's unrounded number.
struct Guard {
    enum class Side { None, Above, Below } side = Side::None;
    float limit = 0;
    bool holds(float cell) const
    {
        return side == Side::None || (side == Side::Above ? cell > limit : cell < limit);
    }
};

// A five-letter run leftwards is not read from the first nine cells (row 0
// and the start of row 1); it also keeps c - 4 on the board.
constexpr Guard PastFirstNineCells{Guard::Side::Above, 8};
// Each downward run stops short of the end of the board, so that its last
// cell (c + 32, c + 24, c + 16) is still one of the 127.
constexpr Guard FiveDownFits{Guard::Side::Below, 90};
constexpr Guard FourDownFits{Guard::Side::Below, 98};
constexpr Guard ThreeDownFits{Guard::Side::Below, 107};
constexpr Guard Always{};

// One run of the word search: its length, its direction, where it starts
// relative to the landed cell, and when it is read.  The kind code that
// ClearWord takes is the landed letter's position in an across word
// (1 = leftmost), length + 1 for the downward word.
struct Run {
    int length;
    Direction direction;
    int start; // offset of the first cell from the landed cell
    Guard guard;

    int kind() const { return direction == Direction::Down ? length + 1 : 1 - start; }
    int step() const { return direction == Direction::Down ? Columns : 1; }
};

// Longer words first; within a length the run ending at the landed tile,
// the one starting at it, then the landed tile second, third, fourth, and
// the downward run last (a landed tile has nothing above it).
constexpr std::array<Run, 15> Runs{{
    {5, Direction::Across, -4, PastFirstNineCells},
    {5, Direction::Across, 0, Always},
    {5, Direction::Across, -1, Always},
    {5, Direction::Across, -2, Always},
    {5, Direction::Across, -3, Always},
    {5, Direction::Down, 0, FiveDownFits},
    {4, Direction::Across, -3, Always},
    {4, Direction::Across, 0, Always},
    {4, Direction::Across, -1, Always},
    {4, Direction::Across, -2, Always},
    {4, Direction::Down, 0, FourDownFits},
    {3, Direction::Across, -2, Always},
    {3, Direction::Across, 0, Always},
    {3, Direction::Across, -1, Always},
    {3, Direction::Down, 0, ThreeDownFits},
}};

// Where a tile resting at (left, top) stands on the board, unrounded.
struct RestingPlace {
    float column;
    float row;
    float cell;
};

RestingPlace restingPlace(std::int16_t left, std::int16_t top)
{
    // The offsets from column 0 and row 0 are 16-bit sums, as every sum of the rules is.
    add16(left, -WellLeft);
    add16(top, -RowZeroTop);
    const float column = columnOf(left);
    const float row = rowOf(top);
    return {column, row, cellOf(column, row)};
}

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

} // namespace

// ---------------------------------------------------------------- landing

// Runs one landing; a tile above the well (body gives false) or any
// failure on the way ends the game, and then it gives false.
template <typename Body> bool Game::landSafely(Body body)
{
    GameOverCause cause = GameOverCause::None;
    try {
        if (!body()) {
            cause = GameOverCause::Overflow;
        }
    } catch (const std::exception&) {
        cause = GameOverCause::Failure;
    }
    if (cause != GameOverCause::None) {
        gameOver(cause);
    }
    return cause == GameOverCause::None;
}

void Game::LandLetter(std::int16_t left, std::int16_t top, std::string letter)
{
    landSafely([&] {
        const RestingPlace at = restingPlace(left, top);
        if (at.cell < 0.0f) {
            return false; // at rest in row -1 or above: the well is full
        }
        const std::int16_t index = toInt16(at.cell);
        cell(index) = letter;
        wordSearch(index, at.cell, at.column, at.row);
        return true;
    });
}

// A settled tile moved one row down: its letter moves with it, and no
// word is looked for.  The lower tile of a column must be recorded first.
bool Game::settleLetter(std::int16_t left, std::int16_t top, std::string letter)
{
    return landSafely([&] {
        const RestingPlace at = restingPlace(left, top);
        if (at.cell < 0.0f) {
            return false;
        }
        const std::int16_t index = toInt16(at.cell);
        cell(index) = letter;
        cell(index - Columns) = ""; // the cell the tile came from
        return true;
    });
}

// ---------------------------------------------------------------- word search

void Game::wordSearch(int c, float unrounded, float column, float row)
{
    for (const Run& run : Runs) {
        if (!run.guard.holds(unrounded)) {
            continue;
        }
        std::array<int, 5> cells{};
        bool tried = true;
        for (int k = 0; k < run.length && tried; ++k) {
            const int at = c + run.start + k * run.step();
            cells.at(static_cast<std::size_t>(k)) = at;
            // A run reaching outside the board is simply not a run; it must
            // not end the game for a tile resting in the top row.
            const bool outside = at < 0 || at >= BoardCells;
            const bool wraps = run.direction == Direction::Across && k > 0 && at % Columns == 0;
            tried = !outside && !wraps && (at == c || !cell(at).empty());
        }
        if (!tried || !lookUp(run.length, cells)) {
            continue;
        }
        ClearWord(static_cast<std::int16_t>(run.length), static_cast<std::int16_t>(run.kind()), toInt16(column),
                  toInt16(row));
        for (int k = 0; k < run.length; ++k) {
            cell(cells.at(static_cast<std::size_t>(k))) = "";
        }
        return;
    }
}

// Looks the run's letters up; a word has scored, been told to the view and
// rewritten both labels.
bool Game::lookUp(int length, const std::array<int, 5>& cells)
{
    auto letter = [&](int k) { return cell(cells.at(static_cast<std::size_t>(k))); };
    const std::string oldScore = state_.LblScore;
    const std::string oldLast = state_.lblLast;
    ScoredWord scored;
    Tally tally{state_.Score, state_.LblScore, state_.lblLast, &scored};
    bool found = false;
    if (length == 5) {
        // Both halves of the list are always asked.
        const bool first = CheckWord5First(tally, letter(0), letter(1), letter(2), letter(3), letter(4));
        const bool second = CheckWord5Second(tally, letter(0), letter(1), letter(2), letter(3), letter(4));
        found = first || second;
    } else if (length == 4) {
        found = CheckWord4(tally, letter(0), letter(1), letter(2), letter(3));
    } else {
        found = CheckWord3(tally, letter(0), letter(1), letter(2));
    }
    if (found) {
        view_.wordScored(scored.word, scored.points);
    }
    if (state_.LblScore != oldScore) {
        showLabel(Label::Score, 0, state_.LblScore);
    }
    if (state_.lblLast != oldLast) {
        showLabel(Label::Last, 0, state_.lblLast);
    }
    return found;
}

// ---------------------------------------------------------------- game over

void Game::gameOver(GameOverCause cause)
{
    lastGameOver_ = cause;
    ++gamesLost_;
    if (!closed_) {
        ModalScope modal(modal_);
        boxes_.messageBox("You Lose");
    }
    // An equal score does not beat the tenth place.
    if (leadingNumber(state_.LblHs[Places - 1]) < state_.Score) {
        enterHighScore();
    }
    state_.Board.fill("");
    NewGame();
}

void Game::enterHighScore()
{
    auto ask = [this](const std::string& prompt, const std::string& title) -> std::string {
        if (closed_) {
            return ""; // the window is gone: keep the score under an empty name, ask nothing
        }
        ModalScope modal(modal_);
        return boxes_.inputBox(prompt, title);
    };
    try {
        // A save told later, once other windows' entries are in: the labels follow.
        const auto savedLater = [this] {
            state_.Table.ShowHighScores(state_.LblName, state_.LblHs);
            if (!closed_) {
                showTable();
            }
        };
        state_.Table.UpdateHighScores(state_.Score, ask, store_, savedLater);
    } catch (const std::exception&) {
        // The table keeps what it had; the next game must still start.
    }
}

} // namespace lexidrop
