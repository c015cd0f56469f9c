// The two windows the menu opens: the scoring help and the about window.
//
// Both are plain displays without an owner: they hold no state, react to
// nothing but their close button and Esc, and delete themselves when closed (the
// main window keeps guarded pointers to show at most one of each).
#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

namespace lexidrop::ui {

// A label that breaks its text at spaces like the help text was laid out
// for: runs of spaces kept, lines as tall as the font (ascent + descent, no
// extra leading), cut off at the bottom of the box.  A label told to fit
// its lines draws them closer together instead, just enough for the last
// line to show whole, when they would not all fit at the font's height.
class WrappedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // Whether the lines are brought closer so that all of them fit.
    void setLinesFitBox(bool fit);
    // Distance from one line's top to the next's, as drawn now.
    int linePitch() const;
    // Number of lines the text breaks into at the label's width.
    int lineCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool fitLines_ = false; // squeeze the line pitch instead of cutting lines off
};

// The caption of the scoring text, runs of spaces and all.
QString scoringText();

// The letter worths and the scoring rules.  Esc closes it.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow();
};

// A picture and a short note about the program.  Esc closes it.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    AboutWindow();
};

} // namespace lexidrop::ui
