// The two windows the menu opens: the scoring help and the about window.
//
// Both are plain displays without an owner: they hold no state, react to
// nothing but their close button, and delete themselves when closed (the
// main window keeps guarded pointers to show at most one of each).
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

namespace lexidrop::ui {

// A label that breaks its text at spaces like the help text was laid out
// for: runs of spaces kept, lines as tall as the font (ascent + descent, no
// extra leading), cut off at the bottom of the box.
class WrappedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The caption of the scoring text, runs of spaces and all.
QString scoringText();

// The letter worths and the scoring rules.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow();
};

// A picture and a short note about the program.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    AboutWindow();
};

} // namespace lexidrop::ui
