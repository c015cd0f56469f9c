// lexidrop: opens the game window; the program ends when its last window closes.
#include <QApplication>

#include <cstdio>

#include "ui/command_line.h"
#include "ui/look.h"
#include "ui/main_window.h"

int main(int argc, char* argv[])
{
    if (const auto answered = lexidrop::ui::answerInformationOptions(argc, argv)) {
        return *answered;
    }
    if (const auto refused = lexidrop::ui::refuseWithoutWindowSystem(argc, argv)) {
        return *refused;
    }
    const auto app = lexidrop::ui::openApplication(argc, argv);
    if (const auto stray = lexidrop::ui::strayArgument(QCoreApplication::arguments())) {
        std::fputs(lexidrop::ui::strayArgumentText(*stray).c_str(), stderr);
        return lexidrop::ui::UsageStatus;
    }
    // The desktop entry's id: the window carries it as its Wayland app id (and
    // its X11 desktop-file hint), so shells match the window to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lexidrop.LexiDrop"));
    QApplication::setStyle(new lexidrop::ui::GameStyle); // the application owns it
    lexidrop::ui::MainWindow window;
    window.show();
    // A save still on its way to the disk when the window closes is
    // finished first, within a bound.
    return lexidrop::ui::exitAfterSaves(window, QApplication::exec());
}
