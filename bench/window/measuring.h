// Measuring the window: its paints recorded in the surface's coordinates
// and united per tick, its ticks counted, the screen compared with what
// the surface paints, and the delay from a key to the paint that shows it.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QRegion>

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "ui/main_window.h"

namespace lexidrop::ui::measure {

// Unites every paint of the window's widgets, in the surface's coordinates;
// while logging, also keeps each paint with its time.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(MainWindow& window) : window_(window) {}
    QRegion painted;
    QElapsedTimer clock;
    std::vector<std::pair<qint64, QRegion>> paints; // when (ns on clock), what (kept only while logging)

    // Keeps the paints from now on, forgetting those kept before.
    void startLog();
    void stopLog() { logging_ = false; }
    // When the first paint kept that covers `square` came, if one has.
    std::optional<qint64> firstPaintCovering(const QRect& square) const;

    bool eventFilter(QObject* object, QEvent* event) override;

private:
    MainWindow& window_;
    bool logging_ = false;
};

// One tick: what it painted, and whether it was a fall step (a master tick
// after which the same tile stands lower).
struct TickArea {
    bool fallStep;
    qint64 area;
};

// While it lives, unites the paints of each tick: one runs from a tick of
// either timer (once the window has handled it) to the next.
class TickAreas {
public:
    TickAreas(MainWindow& window, PaintRecorder& recorder);
    ~TickAreas();
    TickAreas(const TickAreas&) = delete;
    TickAreas& operator=(const TickAreas&) = delete;

    std::size_t count() const { return done_.size(); }
    // Ends the tick that is open; every tick recorded.
    std::vector<TickArea> finish();

private:
    void ticked(bool master);
    void close();

    MainWindow& window_;
    PaintRecorder& recorder_;
    std::vector<TickArea> done_;
    bool open_ = false;     // a tick has begun and is being painted
    bool fallStep_ = false; // the open tick is a fall step
    int tile_ = -1;         // the falling tile at its start
    float top_ = 0;         // and where it stood
    QMetaObject::Connection master_, settle_;
};

// While it lives, counts the window's master ticks.
class TickCounter {
public:
    explicit TickCounter(MainWindow& window);
    ~TickCounter();
    TickCounter(const TickCounter&) = delete;
    TickCounter& operator=(const TickCounter&) = delete;

    int count() const { return ticks_; }

private:
    int ticks_ = 0;
    QMetaObject::Connection connection_;
};

// Whether the screen (the platform's grab of the window) shows both squares
// as the surface paints them now: the tile in its new one, the old one bare.
bool screenShows(MainWindow& window, const QRect& oldSquare, const QRect& newSquare);

// Runs the event loop until a paint kept by `recorder` covers `square`;
// its delay after `sent` (ns on the recorder's clock) in ms, if it came.
std::optional<double> delayUntilPainted(const PaintRecorder& recorder, const QRect& square, qint64 sent);

// What the key presses found.
struct InputTally {
    int checked = 0;            // presses whose screen was checked at once
    int onScreenAtOnce = 0;     // of those, the screen showed both squares with no tick between
    std::vector<double> delays; // ms, key to the paint of the new square, for the presses left to the loop
    int ticksBetweenMax = 0;    // most master ticks between such a key and that paint
};

} // namespace lexidrop::ui::measure
