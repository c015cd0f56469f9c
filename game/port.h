// What the game needs of the program around it, and what it tells it.
//
// The core never touches a toolkit, a clock or a disk for pictures.  Three
// small interfaces stand between it and the window, each implemented by the
// Qt program and faked by the tests:
//
//   Clock       the local time of day, the only outside input of the letter draw;
//   View        notices of the game's facts and of everything visible, each
//               carrying the values to show, so that a view never reads
//               the game back;
//   ModalBoxes  the "You Lose" box and the name prompt, which block until closed.
//
// All calls arrive on the game's one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace lexidrop {

// A picture loaded for a tile; the view decides what it holds.
class Picture {
public:
    virtual ~Picture() = default;
};
using PicturePtr = std::shared_ptr<const Picture>;

// One element of the tile array: element 0 is the preview, 1..TileCount the well.
struct Tile {
    std::int16_t Index = 0; // position in the array
    std::string Tag;        // the tile's letter, "a".."z"
    PicturePtr Picture;     // the bitmap shown, as the view loaded it; null = the stored letter-A tile
    float Left = 0;         // client-area x of the top-left corner
    float Top = 0;          // client-area y of the top-left corner
    bool Visible = false;   // hidden tiles are not drawn
};

// The keys the game reacts to; the window maps every other key to Other.
enum class Key { Left, Right, Down, Other };

// The game's two timers.
enum class Timer { Master, Auxiliary };

// The texts the game writes: the score, the last word, and the table's
// name and score of each place.
enum class Label { Score, Last, Name, HighScore };

class Clock {
public:
    virtual ~Clock() = default;
    // Local time of day as "hh:mm:ss" (24-hour).
    virtual std::string timeOfDay() = 0;
};

// Every notice has a do-nothing default: a view overrides the facts it
// shows, and a new notice reaches only the views that want it.
class View {
public:
    virtual ~View() = default;
    // Loads the picture of a letter ("a".."z") now, from wherever the view
    // keeps its pictures; it goes into later tile notices.
    virtual PicturePtr loadPicture(const std::string& /*letter*/) { return nullptr; }
    // A tile was created, moved, repictured or hidden: show it as it now is.
    virtual void tileChanged(const Tile& /*tile*/) {}
    // The tile with this index is gone (always the highest one).
    virtual void tileUnloaded(int /*index*/) {}
    // The tile the keys now steer, by index, told before a new tile first
    // shows; 0 once it lands, and while a settle runs or no game is on.
    virtual void tileInPlay(int /*index*/) {}
    // A label shows new text; place is 0..9 for the table labels, else 0.
    virtual void labelChanged(Label /*label*/, int /*place*/, const std::string& /*text*/) {}
    // A word scored: its letters and points, told just before the score's
    // and last word's labels show it.
    virtual void wordScored(const std::string& /*word*/, int /*points*/) {}
    // A timer was switched on or off.  The master timer starts on, the other off.
    virtual void timerChanged(Timer /*timer*/, bool /*enabled*/) {}
    // Directs the keys to the game window, without raising or activating it.
    virtual void giveFocus() {}
};

class ModalBoxes {
public:
    virtual ~ModalBoxes() = default;
    // Message with an OK button only and the application's title.
    virtual void messageBox(const std::string& text) = 0;
    // Input box with OK and Cancel; Cancel gives "".
    virtual std::string inputBox(const std::string& prompt, const std::string& title) = 0;
};

} // namespace lexidrop
