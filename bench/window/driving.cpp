#include "driving.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QWindow>

#include <cstdio>

#include "window_probe.h"

namespace lexidrop::ui::measure {

namespace {

// Thousands of ticks in seconds, while one tick's offscreen paints still fit in a tick.
constexpr int FastTickMilliseconds = 5;
// A box is answered within a few fast ticks, and polling this seldom costs the event loop nothing.
constexpr int BoxPollMilliseconds = 20;
// Three thousand fast ticks take far less; a window that stops ticking must not hold the run for ever.
constexpr int PlayLimitMilliseconds = 120000;
// The playing loop looks at the window at least this often, events or none.
constexpr int PlaySliceMilliseconds = 50;
// A tile falls within seconds even after a lost game; a game that has stopped must not hold the run.
constexpr int TileLimitMilliseconds = 20000;
// Under a tenth of a tick, so the tile is seen within the step that brings it into the upper well.
constexpr int TileSliceMilliseconds = 20;
// More than two fall steps below the spawn: the press does not race the next spawn.
constexpr float HighInWellFrom = SpawnTop + 2 * FallStep;
// Far above the floor and the usual stack, at least 17 fall steps (over
// four rows) short of FloorTop: the press does not race a landing either.
constexpr float HighInWellTo = FloorTop - 17 * FallStep;
// The well's middle, where its right half begins: a tile moved towards it has room to go.
constexpr float MiddleOfWell = leftOfColumn(Columns / 2);

} // namespace

lexidrop::Tile current(MainWindow& window)
{
    const auto index = static_cast<std::size_t>(WindowDriver(window).state().CurrentTile);
    const auto& tiles = WindowDriver(window).state().ImgLetter;
    return index < tiles.size() ? tiles.at(index) : lexidrop::Tile{};
}

bool showActive(MainWindow& window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::printf("the window was not exposed\n");
        return false;
    }
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        std::printf("the window did not become active\n");
        return false;
    }
    return true;
}

FastTicks::FastTicks(MainWindow& window) : window_(window)
{
    WindowDriver(window_).setMasterInterval(FastTickMilliseconds);
    WindowDriver(window_).setSettleInterval(FastTickMilliseconds);
}

FastTicks::~FastTicks()
{
    WindowDriver(window_).stopMaster();
    WindowDriver(window_).stopSettle();
    WindowDriver(window_).setMasterInterval(TickMilliseconds);
    WindowDriver(window_).setSettleInterval(TickMilliseconds);
}

BoxAnswerer::BoxAnswerer()
{
    QObject::connect(&poll_, &QTimer::timeout, [] { testing::answerBox(QStringLiteral("bench")); });
    poll_.start(BoxPollMilliseconds);
}

void playUntil(MainWindow& window, const std::function<bool()>& enough)
{
    QElapsedTimer limit;
    limit.start();
    while (!enough() && limit.elapsed() < PlayLimitMilliseconds) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, PlaySliceMilliseconds);
        if (!WindowDriver(window).masterRunning() && !WindowDriver(window).settleRunning() &&
            QApplication::activeModalWidget() == nullptr) {
            window.activateWindow(); // a box took the activation and gave it back late
        }
    }
}

void waitForTileHighInWell(MainWindow& window)
{
    const auto ready = [&] {
        return WindowDriver(window).state().Falling && !WindowDriver(window).settleRunning() &&
               current(window).Top > HighInWellFrom && current(window).Top < HighInWellTo &&
               QApplication::activeModalWidget() == nullptr;
    };
    QElapsedTimer limit;
    limit.start();
    while (!ready() && limit.elapsed() < TileLimitMilliseconds) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, TileSliceMilliseconds);
    }
}

bool tileFreeToMove(MainWindow& window)
{
    return QApplication::activeModalWidget() == nullptr && !WindowDriver(window).settleRunning();
}

Qt::Key keyTowardsMiddle(float left) { return left > MiddleOfWell ? Qt::Key_Left : Qt::Key_Right; }

void pressKey(MainWindow& window, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(window.windowHandle(), &release);
}

} // namespace lexidrop::ui::measure
