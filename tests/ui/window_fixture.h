// A main window on a scratch directory of its own: generated letter
// bitmaps (one plain colour each, so a test can tell them apart on screen)
// and no hs.txt.  Windows the test opens are closed afterwards.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

#include "ui/main_window.h"

namespace lexidrop::ui::testing {

// The colour of a generated letter tile.
inline QRgb letterColour(char letter)
{
    const int i = letter - 'a';
    return qRgb(60 + 7 * i, 200 - 5 * i, 90 + 3 * i);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (char c = 'a'; c <= 'z'; ++c) {
            writeLetter(c);
        }
        window = std::make_unique<MainWindow>(dataPathsIn(dir.path().toStdString()));
    }

    void TearDown() override
    {
        window.reset();
        for (QWidget* other : QApplication::topLevelWidgets()) {
            other->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void writeLetter(char c, QRgb colour)
    {
        QImage tile(32, 32, QImage::Format_RGB888);
        tile.fill(colour);
        ASSERT_TRUE(tile.save(dir.filePath(QString(QChar(c)) + ".bmp"), "BMP"));
    }
    void writeLetter(char c) { writeLetter(c, letterColour(c)); }

    // Shows the window and waits until it is on screen and active.
    void showActive()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // The client area as it is painted now, controls included.
    QImage client() const { return window->surface()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

// Runs check on the modal box as soon as it is up; a box that check left
// open is then closed with OK.
template <typename Check> void whenBoxOpens(Check check)
{
    QTimer::singleShot(0, [check] {
        QWidget* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (box = QApplication::activeModalWidget()) != nullptr; }));
        check(box);
        if (auto* dialog = qobject_cast<QDialog*>(box); dialog != nullptr && dialog->isVisible()) {
            dialog->accept();
        }
    });
}

} // namespace lexidrop::ui::testing
