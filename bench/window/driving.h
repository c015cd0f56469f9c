// Driving the window for the measurements: its timers fast or at their own
// pace, the boxes that end a game answered, tiles waited for and keys sent
// the way Qt delivers a key it has read from the window system.
#pragma once

#include <QTimer>

#include <functional>

#include "ui/main_window.h"

namespace lexidrop::ui::measure {

// The falling tile, or a still blank one between games (the index can run
// ahead of the tiles made).
lexidrop::Tile current(MainWindow& window);

// Shows the window and waits until it is exposed and active; says on
// stdout what did not happen.
bool showActive(MainWindow& window);

// While it lives, both timers of the window tick every few milliseconds, so
// that thousands of ticks take seconds; afterwards they are stopped and back
// at the game's own interval.
class FastTicks {
public:
    explicit FastTicks(MainWindow& window);
    ~FastTicks();
    FastTicks(const FastTicks&) = delete;
    FastTicks& operator=(const FastTicks&) = delete;

private:
    MainWindow& window_;
};

// While it lives, the boxes that end a game are answered soon after they
// come up, so that play goes on.
class BoxAnswerer {
public:
    BoxAnswerer();

private:
    QTimer poll_;
};

// Runs the event loop until `enough` holds or the time limit passes.
void playUntil(MainWindow& window, const std::function<bool()>& enough);

// Plays until a tile falls high in the well, free to move (or
// the time limit passes).
void waitForTileHighInWell(MainWindow& window);

// Whether a key would move the falling tile now: no box is up and no
// settle tick is running.
bool tileFreeToMove(MainWindow& window);

// The arrow that moves a tile at `left` towards the middle of the well,
// where it has room to go.
Qt::Key keyTowardsMiddle(float left);

// Sends a press and a release of `key` the route a key from the X server
// takes once Qt has read it: to the window, which hands it to the focus
// widget.  Nothing else runs meanwhile.
void pressKey(MainWindow& window, Qt::Key key);

} // namespace lexidrop::ui::measure
