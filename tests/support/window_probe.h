// What the widget tests and the window measurements both read off the
// game's window or do to it.  Qt Widgets and the window classes only, no
// test framework: bench/window includes it as well as tests/ui.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QRegion>
#include <QString>

#include "ui/main_window.h"

namespace lexidrop::ui::testing {

// The pixels a region covers.  Its rectangles never overlap, so their
// areas add up.
inline qint64 area(const QRegion& region)
{
    qint64 sum = 0;
    for (const QRect& r : region) {
        sum += qint64(r.width()) * r.height();
    }
    return sum;
}

// One of the window's labels by its control name ("LblScore", "Label1"),
// or nullptr when the window has none of that name.
inline QLabel* findLabel(const MainWindow& window, const char* name)
{
    return window.surface()->findChild<QLabel*>(QString::fromLatin1(name));
}

// Closes a box that is still open with OK, as its Enter key would; one
// already closed (its check clicked a button) is left alone.
inline void closeWithOk(QWidget* box)
{
    if (auto* dialog = qobject_cast<QDialog*>(box); dialog != nullptr && dialog->isVisible()) {
        dialog->accept();
    }
}

// Answers the box that ends a game, if one is up, so that play goes on:
// the "You Lose" box with OK, the name prompt with `name` and OK.  As a
// player does, only a box that has come up and taken the activation.
inline void answerBox(const QString& name)
{
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr || QApplication::activeWindow() != box) {
        return;
    }
    if (auto* prompt = qobject_cast<QInputDialog*>(box)) {
        prompt->setTextValue(name);
        closeWithOk(prompt);
    } else if (qobject_cast<QMessageBox*>(box) != nullptr) {
        closeWithOk(box);
    }
}

} // namespace lexidrop::ui::testing
