// What the game needs of its window.
//
// The core never touches a toolkit, a clock or a disk for pictures: every
// such request goes through Window, which the Qt program implements and the
// tests fake.  Calls arrive on the game's one thread.  messageBox and
// inputBox are modal: they return only when the player has closed the box.
#pragma once

#include <memory>
#include <string>

namespace lexidrop {

// A picture loaded for a tile; the window decides what it holds.
class Picture {
public:
    virtual ~Picture() = default;
};
using PicturePtr = std::shared_ptr<const Picture>;

// The game's two timers.
enum class Timer { Master, Auxiliary };

// The texts the game writes.
enum class Label { Score, Last, Name, HighScore };

class Window {
public:
    virtual ~Window() = default;

    // Local time of day as "hh:mm:ss" (24-hour).
    virtual std::string timeOfDay() = 0;
    // Re-seeds the uniform generator; its previous state still takes part.
    virtual void randomize(int seed) = 0;
    // Next uniform draw, 0 <= u < 1.
    virtual float rnd() = 0;

    // Loads the bitmap file of that name from the program's directory, now.
    virtual PicturePtr loadPicture(const std::string& fileName) = 0;
    // A tile (0 = the preview) was created, moved, repictured, hidden or destroyed.
    virtual void tileChanged(int index) = 0;
    // A label's text changed; place is 0..9 for the table labels, else 0.
    virtual void labelChanged(Label label, int place) = 0;
    // A timer was switched on or off.
    virtual void timerChanged(Timer timer, bool enabled) = 0;
    // Directs the keys to the game window, without raising or activating it.
    virtual void giveFocus() = 0;

    // Modal message with an OK button only and the application's title.
    virtual void messageBox(const std::string& text) = 0;
    // Modal input box with OK and Cancel; Cancel gives "".
    virtual std::string inputBox(const std::string& prompt, const std::string& title) = 0;
};

} // namespace lexidrop
