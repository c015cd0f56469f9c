// The game of the main window: its state and every operation that moves it.
//
// Game owns the state the window keeps for its whole life (the tiles, the
// board, the counters, the flags, the label texts, the top-ten table) and
// the operations that the window's events call: TmrMaster_Timer and
// TmrAuxiliary_Timer from the two 250 ms timers, Form_KeyDown/KeyPress from
// the keyboard, Form_GotFocus/LostFocus from activation, Form_Load once at
// start-up.  Everything the game needs from outside (clock, random source,
// pictures, modal boxes) it asks of its Window; every visible change it
// reports to the Window.  Nothing here runs on its own: a test drives it
// tick by tick.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dictionary/dictionary.h"
#include "game/geometry.h"
#include "game/window.h"
#include "scores/high_scores.h"

namespace lexidrop {

// One element of the tile array: element 0 is the preview, 1..TileCount the well.
struct Tile {
    std::int16_t Index = 0; // position in the array
    std::string Tag;        // the tile's letter, "a".."z"
    PicturePtr Picture;     // the bitmap shown, as the window loaded it
    float Left = 0;         // client-area x of the top-left corner
    float Top = 0;          // client-area y of the top-left corner
    bool Visible = false;   // hidden tiles are not drawn
};

// Virtual key codes the game reacts to.
constexpr std::int16_t KeyLeft = 37;
constexpr std::int16_t KeyRight = 39;
constexpr std::int16_t KeyDown = 40;

// What the last game over came from.
enum class GameOverCause { None, Overflow, Failure };

class Game {
public:
    Game(Window& window, HighScoreStore& store);

    // --- events of the window ---
    void Form_Load();                                      // reads the top-ten table
    void TmrMaster_Timer();                                // the master tick
    void TmrAuxiliary_Timer();                             // the settle tick
    void Form_KeyDown(std::int16_t keyCode, std::int16_t shift);
    void Form_KeyPress(std::int16_t keyAscii);             // typed characters do nothing
    void Form_GotFocus();                                  // resume
    void Form_LostFocus();                                 // pause
    void Form_Unload();                                    // the window closed: stop for good

    // --- operations of the game, public so that tests can drive them one by one ---
    void CheckLanding();
    void LandLetter(std::int16_t left, std::int16_t top, std::string letter);
    void ClearWord(std::int16_t Length, std::int16_t Kind, std::int16_t Column, std::int16_t Row);
    void NewGame();
    std::string RandomLetter();

    // --- state of the window (read freely; tests may also set it up) ---
    std::int32_t Score = 0;             // running score
    std::int16_t CurrentTile = 0;       // index of the falling tile
    bool Falling = false;               // a tile is in flight or a settle runs
    std::int16_t TileCount = 0;         // highest loaded tile index
    bool SettleMode = false;            // LandLetter only moves a letter down
    bool ClearCellsMode = false;        // LandLetter only empties a vertical run
    std::array<std::int16_t, 5> RemovedLeft{}; // reference points 1..4 (0 unused)
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

    // --- for tests and soaks ---
    int gamesLost() const { return gamesLost_; }
    GameOverCause lastGameOver() const { return lastGameOver_; }
    bool inModalBox() const { return modal_ > 0; }
    bool closed() const { return closed_; }

    // Sets a timer and tells the window.
    void setTimer(Timer timer, bool enabled);

private:
    void spawn();
    void wordSearch(int cell, float unrounded, float column, float row);
    void gameOver(GameOverCause cause);
    void unloadTile(int index);
    void tileChanged(int index);
    void labelsChanged(const std::string& oldScore, const std::string& oldLast);
    void showHighScoresChanged();
    std::string inputBox(const std::string& prompt, const std::string& title);
    Tile& tile(int index);

    Window& window_;
    HighScoreStore& store_;
    int modal_ = 0;         // modal boxes open
    bool closed_ = false;   // the window has closed
    int landingDepth_ = 0;  // nested LandLetter calls
    int gamesLost_ = 0;
    GameOverCause lastGameOver_ = GameOverCause::None;
};

} // namespace lexidrop
