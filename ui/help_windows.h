// The two windows the menu opens: the scoring help and the about window.
//
// Both are plain displays without an owner: they hold no state, react to
// nothing but their close button, and delete themselves when closed (the
// main window keeps guarded pointers to show at most one of each).
#pragma once

#include <QString>
#include <QWidget>

namespace lexidrop::ui {

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
