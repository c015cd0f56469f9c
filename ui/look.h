// How the windows present their texts: the main window's default font,
// the table labels that keep a whole name or score readable in a small
// fixed box, and the frame every fixed-size window and box gets.
//
// The layout of every window is fixed in pixels, so nothing here moves or
// grows a control: a text that would not fit is shown shortened (a name,
// with its whole text in the tooltip and the accessible name) or in a
// smaller size of the same font (a score).  Boxes are only ever made wider,
// to carry their title bar.
#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QProxyStyle>
#include <QString>

namespace lexidrop::ui {

// The font of every main-window control that names no font of its own.
// Liberation Sans (Arial's metric twin) at 9 pt keeps the widest last-word
// text, "momma    48 points", at about 105 of the box's 110 pixels.
QFont defaultWindowFont();

// A one-line label of the top-ten table.  It keeps the text it was given
// (text() is always the whole of it) and shows as much as its box holds:
// a name that is too wide is shortened with "…" at the end, a score that is
// too wide is drawn in a smaller size until every digit shows.
class TableLabel : public QLabel {
    Q_OBJECT
public:
    // How a text wider than the label is shown.
    enum class Fit { Elide, Shrink };

    TableLabel(QWidget* parent, Fit fit);

    // Shows text; a shortened name carries the whole of it as its tooltip,
    // and a name is always its label's accessible name.
    void showText(const QString& text);
    // The text as it is drawn now (elided or whole).
    QString shownText() const;
    // The font it is drawn in now (the label's own, or smaller for a long score).
    QFont shownFont() const;
    // Whether the whole text fits in the label's own font.
    bool fitsWhole() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Room for text inside the label, in pixels.
    int room() const;
    void updateTip();

    Fit fit_; // what to do with a text that is too wide
};

// The platform's own style, less the icon of the menu bar's overflow
// button.  The game's two menus always fit, so that button never shows,
// but Qt reads its icon when the menu bar is made, and reading a picture
// of unstated format loads and asks every image plugin (gif, ico, jpeg
// and libjpeg: about 200 KiB and a few milliseconds before the first
// frame).  Set on the application before the first window.
class GameStyle : public QProxyStyle {
    Q_OBJECT
public:
    GameStyle();
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

// Window flags for a window of one fixed size: title, system menu, close
// button (and a minimise button for a main window), no maximise button.
Qt::WindowFlags fixedSizeWindowFlags(Qt::WindowType type);

// Readies a modal box before it shows: fixed size without a maximise
// button, wide enough for its title in the title bar, and its message (the
// label of that object name, or its only label) centred across the box.
void fitBoxToTitle(QDialog& box, const QString& messageName = QString());

// The least width a box needs so that the window manager can show its
// whole title beside the title-bar buttons.
int widthForTitle(const QString& title);

} // namespace lexidrop::ui
