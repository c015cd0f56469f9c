// The high-DPI widget tests: one QApplication whose screens have a device
// pixel ratio of 2 (or LEXIDROP_TEST_SCALE, such as 1.5), on the offscreen
// platform unless the caller chose another.
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/look.h"

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QByteArray scale = qgetenv("LEXIDROP_TEST_SCALE");
    qputenv("QT_SCALE_FACTOR", scale.isEmpty() ? QByteArray("2") : scale);
    QApplication app(argc, argv);
    QApplication::setStyle(new lexidrop::ui::GameStyle); // as the program runs
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
