// window_measure: what the game's window repaints, and when, on the
// offscreen platform.
//
// Painting: the master and settle timers run fast (5 ms instead of 250 ms,
// so a few thousand ticks take seconds; nothing else about the window
// changes) and every paint event of the window and its labels is mapped to
// window coordinates and united per tick.  A tick's area is that union; a
// fall step is a master tick after which the same tile stands lower.
// Boxes that end a game are answered at once.
//
// Input: with the timers at their own 250 ms, Left or Right is sent to the
// window (the way Qt delivers a key read from the window system) at a
// random moment of the tick.  After every other press only the events
// already posted are delivered, so no timer can fire, and the screen (the
// platform's grab of the window) must already show the tile's old and new
// squares pixel for pixel as the surface paints them now.  The other
// presses are left to the running event loop, which
// gives the delay from key to the paint that covers the tile's new square
// and the number of ticks in between.
//
// Usage: window_measure [ticks]   (default 3000)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPaintEvent>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "ui/main_window.h"

namespace {

using lexidrop::ui::ClientHeight;
using lexidrop::ui::ClientWidth;
using lexidrop::ui::MainWindow;

qint64 area(const QRegion& region)
{
    qint64 sum = 0;
    for (const QRect& r : region) {
        sum += qint64(r.width()) * r.height();
    }
    return sum;
}

// Unites every paint of the window's widgets, in the surface's coordinates.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(MainWindow& window) : window_(window) {}
    QRegion painted;
    QElapsedTimer clock;
    std::vector<std::pair<qint64, QRegion>> paints; // when, what (kept only while logging)
    bool logging = false;

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || !object->isWidgetType()) {
            return false;
        }
        auto* widget = static_cast<QWidget*>(object);
        if (widget->window() != &window_) {
            return false;
        }
        QRegion region = static_cast<QPaintEvent*>(event)->region();
        const QPoint origin = window_.surface()->mapTo(&window_, QPoint(0, 0));
        region.translate(widget == &window_ ? -origin : widget->mapTo(&window_, QPoint(0, 0)) - origin);
        region &= QRect(0, 0, ClientWidth, ClientHeight); // the menu bar is not the client area
        painted += region;
        if (logging) {
            paints.emplace_back(clock.nsecsElapsed(), region);
        }
        return false;
    }

private:
    MainWindow& window_;
};

// Answers the boxes that end a game, so that play goes on.
void answerBoxes()
{
    // As a player does: only a box that has come up and taken the activation.
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr || QApplication::activeWindow() != box) {
        return;
    }
    if (auto* input = qobject_cast<QInputDialog*>(box)) {
        input->setTextValue(QStringLiteral("bench"));
        input->accept();
    } else if (auto* message = qobject_cast<QMessageBox*>(box)) {
        message->accept();
    }
}

// The falling tile, or a still blank one between games (the index can run ahead of the tiles made).
lexidrop::Tile current(MainWindow& window)
{
    const auto index = static_cast<std::size_t>(window.game().state().CurrentTile);
    const auto& tiles = window.game().state().ImgLetter;
    return index < tiles.size() ? tiles[index] : lexidrop::Tile{};
}

int measurePainting(MainWindow& window, PaintRecorder& recorder, int ticks)
{
    window.masterTimer().setInterval(5);
    window.auxiliaryTimer().setInterval(5);

    struct Tick {
        bool fallStep;
        qint64 area;
    };
    std::vector<Tick> done;
    bool open = false;
    bool fallStep = false;
    int tile = -1;
    float top = 0;
    const auto close = [&] {
        if (open) {
            done.push_back({fallStep, area(recorder.painted)});
        }
        recorder.painted = QRegion();
    };
    const auto opened = [&](bool master) {
        close();
        const int now = window.game().state().CurrentTile;
        fallStep = master && now == tile && current(window).Top > top;
        tile = now;
        top = current(window).Top;
        open = true;
    };
    // Connected after the window's own handlers: each runs once the tick is done.
    const QMetaObject::Connection masterTicks =
        QObject::connect(&window.masterTimer(), &QTimer::timeout, &window, [&] { opened(true); });
    const QMetaObject::Connection settleTicks =
        QObject::connect(&window.auxiliaryTimer(), &QTimer::timeout, &window, [&] { opened(false); });

    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, answerBoxes);
    boxes.start(20);
    window.masterTimer().start();
    QElapsedTimer limit;
    limit.start();
    while (static_cast<int>(done.size()) < ticks && limit.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!window.masterTimer().isActive() && !window.auxiliaryTimer().isActive() &&
            QApplication::activeModalWidget() == nullptr) {
            window.activateWindow(); // a box took the activation and gave it back late
        }
    }
    close();
    QObject::disconnect(masterTicks);
    QObject::disconnect(settleTicks);
    window.masterTimer().stop();
    window.auxiliaryTimer().stop();
    window.masterTimer().setInterval(250);
    window.auxiliaryTimer().setInterval(250);

    const double client = double(ClientWidth) * ClientHeight;
    qint64 fallSum = 0, fallMax = 0, allSum = 0, allMax = 0;
    int falls = 0;
    for (const Tick& t : done) {
        allSum += t.area;
        allMax = std::max(allMax, t.area);
        if (t.fallStep) {
            ++falls;
            fallSum += t.area;
            fallMax = std::max(fallMax, t.area);
        }
    }
    if (falls == 0) {
        std::printf("painting: no fall step seen\n");
        return 1;
    }
    const double fallMean = double(fallSum) / falls;
    const double allMean = double(allSum) / double(done.size());
    std::printf("painting: %zu ticks, %d fall steps, %d games lost\n", done.size(), falls,
                window.game().gamesLost());
    std::printf("  fall step: mean %.0f px = %.3f %% of the client area, max %lld px = %.3f %%\n", fallMean,
                100.0 * fallMean / client, static_cast<long long>(fallMax), 100.0 * double(fallMax) / client);
    std::printf("  every tick (spawns, landings, words, new games included): mean %.0f px = %.3f %%, "
                "max %lld px = %.3f %%\n",
                allMean, 100.0 * allMean / client, static_cast<long long>(allMax), 100.0 * double(allMax) / client);
    std::printf("  target: fall-step mean under 2 %% (%.0f px): %s\n", client * 0.02,
                fallMean < client * 0.02 ? "met" : "NOT MET");
    return fallMean < client * 0.02 ? 0 : 1;
}

// Whether the screen (the platform's grab of the window) shows both squares
// as the surface paints them now: the tile in its new one, the old one bare.
bool screenShows(MainWindow& window, const QRect& oldSquare, const QRect& newSquare)
{
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage model = window.surface()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint origin = window.surface()->mapTo(&window, QPoint(0, 0));
    for (const QRect& square : {oldSquare, newSquare}) {
        for (int y = square.top(); y <= square.bottom(); ++y) {
            for (int x = square.left(); x <= square.right(); ++x) {
                if (shot.pixel(origin + QPoint(x, y)) != model.pixel(x, y)) {
                    return false;
                }
            }
        }
    }
    return true;
}

int measureInput(MainWindow& window, PaintRecorder& recorder, int presses)
{
    QRandomGenerator random(7);
    int onScreenAtOnce = 0;
    int checked = 0;
    std::vector<double> delays; // ms, key to the paint of the new square
    int ticksBetweenMax = 0;
    int ticks = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&window.masterTimer(), &QTimer::timeout, &window, [&] { ++ticks; });
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, answerBoxes);
    boxes.start(20);

    recorder.clock.start();
    for (int i = 0; i < presses; ++i) {
        // Play until a tile falls in the upper part of the well, then wait a random part of a tick.
        QElapsedTimer limit;
        limit.start();
        while (!(window.game().state().Falling && !window.auxiliaryTimer().isActive() && current(window).Top > 40 &&
                 current(window).Top < 300 && QApplication::activeModalWidget() == nullptr) &&
               limit.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        QTest::qWait(static_cast<int>(random.bounded(250)));
        if (QApplication::activeModalWidget() != nullptr || window.auxiliaryTimer().isActive()) {
            continue;
        }
        const float left = current(window).Left;
        const Qt::Key key = left > 150 ? Qt::Key_Left : Qt::Key_Right;
        const int ticksBefore = ticks;
        recorder.paints.clear();
        recorder.logging = true;
        const qint64 sent = recorder.clock.nsecsElapsed();
        // The route a key from the X server takes once Qt has read it: to
        // the window, which hands it to the focus widget.  Nothing else runs.
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(window.windowHandle(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(window.windowHandle(), &release);
        const float moved = current(window).Left;
        if (moved == left) {
            recorder.logging = false;
            continue; // the tile was against a neighbour
        }
        const QRect square = window.surface()->paintedRect(window.game().state().CurrentTile);
        if (i % 2 == 0) {
            // Only what the key itself posted; no timer can run in here.
            QCoreApplication::sendPostedEvents();
            ++checked;
            const QRect oldSquare = square.translated(static_cast<int>(left - moved), 0);
            if (screenShows(window, oldSquare, square) && ticks == ticksBefore) {
                ++onScreenAtOnce;
            }
        } else {
            // Left to the running event loop.
            QElapsedTimer waited;
            waited.start();
            bool seen = false;
            while (!seen && waited.elapsed() < 1000) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
                for (const auto& [when, region] : recorder.paints) {
                    if (region.contains(square)) {
                        delays.push_back(double(when - sent) / 1e6);
                        seen = true;
                        break;
                    }
                }
            }
            ticksBetweenMax = std::max(ticksBetweenMax, ticks - ticksBefore);
        }
        recorder.logging = false;
    }
    QObject::disconnect(counting);
    std::sort(delays.begin(), delays.end());
    std::printf("input: %d presses checked at once, %zu left to the event loop\n", checked, delays.size());
    std::printf("  both squares on screen as painted, with no further event or tick "
                "(posted events only, then a grab): %d of %d\n",
                onScreenAtOnce, checked);
    if (!delays.empty()) {
        std::printf("  event loop, key to the paint of the new square: median %.3f ms, max %.3f ms; "
                    "ticks in between: at most %d\n",
                    delays[delays.size() / 2], delays.back(), ticksBetweenMax);
    }
    return checked > 0 && onScreenAtOnce == checked && !delays.empty() && ticksBetweenMax == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3000;

    // The program's own letter bitmaps, copied so that hs.txt goes to a scratch directory.
    QTemporaryDir scratch;
    const QDir program(QCoreApplication::applicationDirPath());
    for (const QString& name : program.entryList({QStringLiteral("?.bmp")}, QDir::Files)) {
        QFile::copy(program.filePath(name), scratch.filePath(name));
    }
    MainWindow window(lexidrop::ui::dataPathsIn(scratch.path().toStdString()));
    PaintRecorder recorder(window);
    app.installEventFilter(&recorder);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::printf("the window was not exposed\n");
        return 1;
    }
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        std::printf("the window did not become active\n");
        return 1;
    }
    const int painting = measurePainting(window, recorder, ticks);
    const int input = measureInput(window, recorder, 60);
    return painting | input;
}
