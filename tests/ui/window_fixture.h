// A main window on a scratch directory of its own: generated letter
// bitmaps (one plain colour each, so a test can tell them apart on screen)
// and no hs.txt.  Windows the test opens are closed afterwards.
//
// The helpers that can fail return an AssertionResult for the test to
// ASSERT_TRUE: an ASSERT inside a helper would end only the helper, and
// the test would run on without what it set up.
#pragma once

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

#include "ui/main_window.h"
#include "window_probe.h"

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
            ASSERT_TRUE(writeLetter(c));
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

    [[nodiscard]] ::testing::AssertionResult writeLetter(char c, QRgb colour)
    {
        QImage tile(32, 32, QImage::Format_RGB888);
        tile.fill(colour);
        const QString path = dir.filePath(QString(QChar(c)) + ".bmp");
        if (!tile.save(path, "BMP")) {
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        }
        return ::testing::AssertionSuccess();
    }
    [[nodiscard]] ::testing::AssertionResult writeLetter(char c) { return writeLetter(c, letterColour(c)); }

    // Shows the window and waits until it is on screen and active.
    [[nodiscard]] ::testing::AssertionResult showActive()
    {
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) {
            return ::testing::AssertionFailure() << "the window was not exposed";
        }
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get())) {
            return ::testing::AssertionFailure() << "the window did not become active";
        }
        return ::testing::AssertionSuccess();
    }

    // One of the window's labels by its control name; a name it lacks fails the test.
    QLabel* label(const char* name) const
    {
        QLabel* found = findLabel(*window, name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // The client area as it is painted now, controls included.
    QImage client() const { return window->surface()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // The window's game and timers, driven tick by tick.
    WindowDriver driver() const { return WindowDriver(*window); }

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

// Runs check on the modal box as soon as it is up; a box that check left
// open is then closed with OK.  Both run inside the call that opens the
// box, from its event loop, where a failed ASSERT ends only them: wrap that
// call in ASSERT_NO_FATAL_FAILURE so that the test stops there too.
template <typename Check> void whenBoxOpens(Check check)
{
    QTimer::singleShot(0, [check] {
        QWidget* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (box = QApplication::activeModalWidget()) != nullptr; }))
            << "no modal box came up";
        check(box);
        closeWithOk(box);
    });
}

} // namespace lexidrop::ui::testing
