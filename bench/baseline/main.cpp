// lexidrop_baseline: the floor the game's costs are compared with.
//
// The least a Qt 6 Widgets program of the game's shape does: one window
// with a client area of the game's size, one label, and one timer at the
// game's tick that moves the label, as the game's master timer moves a tile.  The
// label's orange background is what bench/compare_with_baseline.py looks
// for on the X screen to tell that the first frame is painted.
//
// Its sizes and pace are the game's own, taken from the game's headers;
// nothing of the game is linked in.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "ui/main_window.h"

namespace {

using lexidrop::ui::ClientHeight; // the game's client area
using lexidrop::ui::ClientWidth;
using lexidrop::ui::TickMilliseconds; // the game's master tick
constexpr int StepPixels = lexidrop::FallStep; // one fall step of the game's tile

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("LexiDrop baseline"));
    window.setFixedSize(ClientWidth, ClientHeight);

    QLabel label(QStringLiteral("baseline"), &window);
    label.setGeometry(20, 20, 120, 32);
    label.setAutoFillBackground(true);
    QPalette look = label.palette();
    look.setColor(QPalette::Window, QColor(255, 128, 0));
    look.setColor(QPalette::WindowText, Qt::black);
    label.setPalette(look);

    QTimer timer;
    timer.setInterval(TickMilliseconds);
    QObject::connect(&timer, &QTimer::timeout, &label, [&label] {
        int top = label.y() + StepPixels;
        if (top + label.height() > ClientHeight) {
            top = 20;
        }
        label.move(label.x(), top);
    });
    timer.start();

    window.show();
    return QApplication::exec();
}
