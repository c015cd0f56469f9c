// lexidrop: opens the game window; the program ends when its last window closes.
#include <QApplication>

#include "ui/main_window.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    lexidrop::ui::MainWindow window;
    window.show();
    return QApplication::exec();
}
