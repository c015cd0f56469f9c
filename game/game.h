// The game of the main window: its state and every operation that moves it.
//
// Protocol: the window constructs one Game on its View, ModalBoxes, Clock
// and table store, calls Form_Load once at start-up, then forwards its
// events: TmrMaster_Timer and TmrAuxiliary_Timer from the two 250 ms
// timers (only while the View was told they run), Form_KeyDown for the
// three keys, Form_GotFocus/Form_LostFocus for activation, Form_Unload when
// the window closes.  Every visible change goes out as a View notice that
// carries what to show; the window never reads the game back.  Nothing
// here runs on its own: a test drives it tick by tick, reads the state
// through state(), and sets up positions through GameSetup.
//
// The operations are split by subsystem over game.cpp (falling tile, keys, focus,
// new game, letters), landing.cpp (landing, word search, game over) and
// clearing.cpp (clearing a word, settling).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dictionary/dictionary.h"
#include "game/geometry.h"
#include "game/port.h"
#include "game/rnd.h"
#include "scores/high_scores.h"

namespace lexidrop {

// What the last game over came from.
enum class GameOverCause { None, Overflow, Failure };

// Everything the game keeps between events, readable by tests and soaks.
struct GameState {
    std::int32_t Score = 0;             // running score
    std::int16_t CurrentTile = 0;       // index of the falling tile
    bool Falling = false;               // a tile is in flight or a settle runs
    std::int16_t TileCount = 0;         // highest loaded tile index
    // Where removed tiles stood, points 1..4 (0 unused); (0, 0) = nothing to settle there.
    std::array<std::int16_t, 5> RemovedLeft{};
    std::array<std::int16_t, 5> RemovedTop{};
    std::array<std::string, BoardCells> Board; // letter of each settled cell
    std::vector<Tile> ImgLetter;        // 0 = preview, 1..TileCount = the well
    HighScores Table;                   // HsNames / HsScores

    std::string CurrentLetter;          // letter of the tile in play
    std::string NextLetter;             // letter of the next spawn, in the preview
    bool SettleStarted = false;         // the settle lists are collected
    std::int16_t SettleSteps = 0;       // settle ticks that moved tiles, 0..4
    std::array<std::vector<std::int16_t>, 5> SettleTiles; // lists 1..4 (0 unused)

    bool TmrMasterEnabled = true;       // the master timer runs
    bool TmrAuxiliaryEnabled = false;   // the settle timer runs

    std::string LblScore = "0";         // score label
    std::string lblLast;                // last word label
    PlaceLabels LblName;                // table name labels
    PlaceLabels LblHs;                  // table score labels

    // The tile that landed last went with the word it completed: its index
    // is beyond the tiles left (CurrentTile > TileCount).
    bool currentTileCleared() const { return CurrentTile > TileCount; }
    // The tiles above a cleared word sink, driven by the settle timer;
    // nothing falls and no key steers.
    bool settling() const { return Falling && currentTileCleared(); }
    // A tile falls, the one the keys steer.
    bool tileInPlay() const { return Falling && CurrentTile >= 1 && !currentTileCleared(); }
};

class Game {
public:
    // The random source defaults to the game's own generator.
    Game(View& view, ModalBoxes& boxes, Clock& clock, HighScoreStore& store,
         std::unique_ptr<UniformSource> random = std::make_unique<Rnd>());

    // --- events of the window ---
    void Form_Load();                   // shows the starting preview and texts, reads and shows the table
    void TmrMaster_Timer();             // the master tick: spawn, fall, land
    void TmrAuxiliary_Timer();          // the settle tick
    void Form_KeyDown(Key key);         // steers the falling tile
    void Form_GotFocus();               // resume
    void Form_LostFocus();              // pause
    void Form_Unload();                 // the window closed: stop for good

    // --- operations, public so that tests can drive them one by one ---
    void CheckLanding();                // lands the falling tile on a tile of its column
    void LandLetter(std::int16_t left, std::int16_t top, std::string letter); // a tile comes to rest
    void NewGame();                     // empties the well and the score
    std::string RandomLetter();         // draws the next letter

    // --- reading ---
    const GameState& state() const { return state_; }
    int gamesLost() const { return gamesLost_; }
    GameOverCause lastGameOver() const { return lastGameOver_; }
    bool inModalBox() const { return modal_ > 0; }
    bool closed() const { return closed_; }

private:
    friend class GameSetup;

    // falling tile (game.cpp)
    void spawn();
    void previewNext();
    void moveFalling(Key key);
    void landCurrentTile();             // the tile in play lands: the keys steer nothing
    // Where a stopped tile rests, and its letter.
    struct Resting {
        std::int16_t left;
        std::int16_t top;
        std::string letter;
    };
    // Stops the tile where it stands: nothing falls until the next spawn or settle.
    Resting stopTile(int index);
    // landing (landing.cpp)
    // Runs one landing; false when it ended the game.
    template <typename Body> bool landSafely(Body body);
    // Records a settled tile in its new cell; false when that ended the game.
    bool settleLetter(std::int16_t left, std::int16_t top, std::string letter);
    void wordSearch(int cell, float unrounded, float column, float row);
    bool lookUp(int length, const std::array<int, 5>& cells);
    void gameOver(GameOverCause cause);
    void enterHighScore();
    // clearing and settling (clearing.cpp)
    void ClearWord(std::int16_t Length, std::int16_t Kind, std::int16_t Column, std::int16_t Row);
    std::vector<int> matchWordTiles(int length, int kind, int x0, int y0);
    void clearColumnCells(int firstCell, int count);
    void closeGaps(const std::vector<int>& matched, int length);
    void handOverToSettle(int length);
    void collectSettleTiles();
    void stepSettleTiles();
    void finishSettle();
    // helpers
    void setTimer(Timer timer, bool enabled);
    void setTileCount(std::int16_t count); // every change of TileCount goes through here
    void unloadTile(int index);
    void showTile(int index);
    void showLabel(Label label, int place, const std::string& text);
    void showTable();
    std::string& cell(int index);
    Tile& tile(int index);

    View& view_;
    ModalBoxes& boxes_;
    Clock& clock_;
    HighScoreStore& store_;
    std::unique_ptr<UniformSource> random_;
    GameState state_;
    int modal_ = 0;         // modal boxes open
    bool closed_ = false;   // the window has closed
    int gamesLost_ = 0;
    GameOverCause lastGameOver_ = GameOverCause::None;
};

// Puts a game into a position without playing up to it: for tests and
// benchmarks.  Each call keeps the game's invariants (tiles dense in index
// order, every resting tile's letter in its Board cell).
class GameSetup {
public:
    explicit GameSetup(Game& game) : game_(game) {}
    // A resting tile with that letter in a column and row, recorded in Board, as the next index.
    void placeTile(int column, int row, const std::string& letter);
    // The tile in play, at a column and row, as the next index; not yet in Board.
    void placeFallingTile(int column, int row, const std::string& letter);
    // The letter the next spawn takes.
    void setNextLetter(const std::string& letter);
    // The running score, as if words had scored it.
    void setScore(std::int32_t score);

private:
    Tile& append(int column, int row, const std::string& letter);
    Game& game_;
};

} // namespace lexidrop
