// window_measure: what the game's window repaints, and when, on the
// offscreen platform.
//
// Painting: the master and settle timers run fast (5 ms instead of
// TickMilliseconds, so a few thousand ticks take seconds; nothing else
// about the window changes) and every paint event of the window and its
// labels is mapped to window coordinates and united per tick.  A tick's
// area is that union; a fall step is a master tick after which the same
// tile stands lower.  Boxes that end a game are answered at once.
//
// Input: with the timers at their own TickMilliseconds, Left or Right is
// sent to the window (the way Qt delivers a key read from the window
// system) at a random moment of the tick.  After every other press only the
// events already posted are delivered, so no timer can fire, and the screen
// (the platform's grab of the window) must already show the tile's old and
// new squares pixel for pixel as the surface paints them now.  The other
// presses are left to the running event loop, which gives the delay from
// key to the paint that covers the tile's new square and the number of
// ticks in between.
//
// driving.h makes the window tick and sends the keys, measuring.h records
// the paints and checks the screen, reporting.h prints the figures and
// decides whether they meet the targets; this file runs the two
// measurements in turn.
//
// Usage: window_measure [ticks]   (default 3000)
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "driving.h"
#include "measuring.h"
#include "reporting.h"
#include "ui/main_window.h"

namespace lexidrop::ui::measure {

namespace {

// Thirty presses checked at once and thirty left to the event loop.
constexpr int Presses = 60;
// A fixed seed: the presses come at the same moments of the tick on every run, so runs compare.
constexpr quint32 PressSeed = 7;

// Plays fast and records each tick's painted area.
std::vector<TickArea> recordTicks(MainWindow& window, PaintRecorder& recorder, int ticks)
{
    const FastTicks fast(window);
    TickAreas areas(window, recorder);
    const BoxAnswerer boxes;
    WindowDriver(window).startMaster();
    playUntil(window, [&] { return static_cast<int>(areas.count()) >= ticks; });
    return areas.finish();
}

int measurePainting(MainWindow& window, PaintRecorder& recorder, int ticks)
{
    const std::vector<TickArea> done = recordTicks(window, recorder, ticks);
    return reportPainting(done, WindowDriver(window).gamesLost());
}

// Presses an arrow and looks for its result: at once on the screen when
// `atOnce`, else as the running event loop paints it.
void measurePress(MainWindow& window, PaintRecorder& recorder, const TickCounter& ticks, bool atOnce,
                  InputTally& tally)
{
    const float left = current(window).Left;
    const int ticksBefore = ticks.count();
    recorder.startLog();
    const qint64 sent = recorder.clock.nsecsElapsed();
    pressKey(window, keyTowardsMiddle(left));
    const float moved = current(window).Left;
    if (moved == left) {
        recorder.stopLog();
        return; // the tile was against a neighbour
    }
    const QRect square = window.surface()->paintedRect(WindowDriver(window).state().CurrentTile);
    if (atOnce) {
        // Only what the key itself posted; no timer can run in here.
        QCoreApplication::sendPostedEvents();
        ++tally.checked;
        const QRect oldSquare = square.translated(static_cast<int>(left - moved), 0);
        if (screenShows(window, oldSquare, square) && ticks.count() == ticksBefore) {
            ++tally.onScreenAtOnce;
        }
    } else {
        if (const std::optional<double> delay = delayUntilPainted(recorder, square, sent)) {
            tally.delays.push_back(*delay);
        }
        tally.ticksBetweenMax = std::max(tally.ticksBetweenMax, ticks.count() - ticksBefore);
    }
    recorder.stopLog();
}

// With the timers at their own pace, presses at random moments of the tick,
// every other one checked at once and the rest left to the event loop.
int measureInput(MainWindow& window, PaintRecorder& recorder, int presses)
{
    QRandomGenerator random(PressSeed);
    InputTally tally;
    const TickCounter ticks(window);
    const BoxAnswerer boxes;
    recorder.clock.start();
    for (int i = 0; i < presses; ++i) {
        waitForTileHighInWell(window);
        QTest::qWait(static_cast<int>(random.bounded(TickMilliseconds)));
        if (tileFreeToMove(window)) {
            measurePress(window, recorder, ticks, i % 2 == 0, tally);
        }
    }
    return reportInput(tally);
}

// Copies the program's own letter bitmaps, so that the window's hs.txt goes to a scratch directory.
void copyLetters(const QTemporaryDir& scratch)
{
    const QDir program(QCoreApplication::applicationDirPath());
    for (const QString& name : program.entryList({QStringLiteral("?.bmp")}, QDir::Files)) {
        QFile::copy(program.filePath(name), scratch.filePath(name));
    }
}

// Both measurements on one window, on a scratch directory of its own.
int measureWindow(QApplication& app, int ticks)
{
    QTemporaryDir scratch;
    copyLetters(scratch);
    MainWindow window(dataPathsIn(scratch.path().toStdString()));
    PaintRecorder recorder(window);
    app.installEventFilter(&recorder);
    if (!showActive(window)) {
        return 1;
    }
    const int painting = measurePainting(window, recorder, ticks);
    const int input = measureInput(window, recorder, Presses);
    return painting | input;
}

} // namespace
} // namespace lexidrop::ui::measure

namespace {

// Enough fall steps, landings and lost games for the means to settle from run to run.
constexpr int DefaultTicks = 3000;

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : DefaultTicks;
    return lexidrop::ui::measure::measureWindow(app, ticks);
}
