#include "measuring.h"

#include <QImage>
#include <QPaintEvent>
#include <QScreen>
#include <QTimer>

#include "driving.h"
#include "window_probe.h"

namespace lexidrop::ui::measure {

namespace {

// Four of the game's ticks: a paint that has not come by then is not coming.
constexpr int PaintLimitMilliseconds = 1000;
// The paint is timed by the recorder as it comes, so this only sets how soon a pass notices it.
constexpr int PaintSliceMilliseconds = 5;
// The recorder's clock counts nanoseconds; delays are reported in ms.
constexpr double NanosecondsPerMillisecond = 1e6;

} // namespace

void PaintRecorder::startLog()
{
    paints.clear();
    logging_ = true;
}

std::optional<qint64> PaintRecorder::firstPaintCovering(const QRect& square) const
{
    for (const auto& [when, region] : paints) {
        if (region.contains(square)) {
            return when;
        }
    }
    return std::nullopt;
}

bool PaintRecorder::eventFilter(QObject* object, QEvent* event)
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
    if (logging_) {
        paints.emplace_back(clock.nsecsElapsed(), region);
    }
    return false;
}

TickAreas::TickAreas(MainWindow& window, PaintRecorder& recorder) : window_(window), recorder_(recorder)
{
    // Connected after the window's own handlers: each runs once the tick is done.
    master_ = WindowDriver(window).onMasterTimeout(&window, [this] { ticked(true); });
    settle_ = WindowDriver(window).onSettleTimeout(&window, [this] { ticked(false); });
}

TickAreas::~TickAreas()
{
    QObject::disconnect(master_);
    QObject::disconnect(settle_);
}

std::vector<TickArea> TickAreas::finish()
{
    close();
    return done_;
}

void TickAreas::ticked(bool master)
{
    close();
    const int now = WindowDriver(window_).state().CurrentTile;
    fallStep_ = master && now == tile_ && current(window_).Top > top_;
    tile_ = now;
    top_ = current(window_).Top;
    open_ = true;
}

void TickAreas::close()
{
    if (open_) {
        done_.push_back({fallStep_, testing::area(recorder_.painted)});
    }
    recorder_.painted = QRegion();
}

TickCounter::TickCounter(MainWindow& window)
    : connection_(WindowDriver(window).onMasterTimeout(&window, [this] { ++ticks_; }))
{
}

TickCounter::~TickCounter() { QObject::disconnect(connection_); }

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

std::optional<double> delayUntilPainted(const PaintRecorder& recorder, const QRect& square, qint64 sent)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < PaintLimitMilliseconds) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, PaintSliceMilliseconds);
        if (const std::optional<qint64> when = recorder.firstPaintCovering(square)) {
            return double(*when - sent) / NanosecondsPerMillisecond;
        }
    }
    return std::nullopt;
}

} // namespace lexidrop::ui::measure
