// The widget tests run inside one QApplication, on the offscreen platform
// unless the caller chose another.
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/look.h"

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setStyle(new lexidrop::ui::GameStyle); // as the program runs
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
