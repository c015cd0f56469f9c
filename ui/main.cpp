// lexidrop: opens the game window; the program ends when its last window closes.
#include <QApplication>

#include "ui/look.h"
#include "ui/main_window.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The desktop entry's id: the window carries it as its Wayland app id (and
    // its X11 desktop-file hint), so shells match the window to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lexidrop.LexiDrop"));
    QApplication::setStyle(new lexidrop::ui::GameStyle); // the application owns it
    lexidrop::ui::MainWindow window;
    window.show();
    return QApplication::exec();
}
