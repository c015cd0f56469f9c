// The client area of the main window: the well's frame, the next-piece
// panel and every tile, under the labels (which are its child widgets).
//
// The surface reads the game's tiles when it paints and never changes
// them.  tileChanged(index) repaints only the rectangle the tile was last
// painted in and the one it occupies now, so a falling tile costs two
// small squares per tick, not the whole window.  It also takes the keys
// the game steers with and hands them to its owner.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include <functional>
#include <vector>

#include "game/game.h"

namespace lexidrop::ui {

// Client-area size of the main window.
constexpr int ClientWidth = 406;
constexpr int ClientHeight = 479;

// One line of the well's frame, end points included.
struct FrameLine {
    int x1, y1, x2, y2;
    QRgb colour;
};

// The twelve frame lines in drawing order (later ones on top).
const std::vector<FrameLine>& frameLines();

// Where the next-piece panel stands.
constexpr int PanelLeft = 288;
constexpr int PanelTop = 22;

class Surface : public QWidget {
    Q_OBJECT
public:
    explicit Surface(const Game& game, QWidget* parent = nullptr);

    // The game changed tile index (created, moved, repictured, hidden, gone).
    void tileChanged(int index);
    // The rectangle tile index was last asked to be painted in (null if none).
    QRect paintedRect(int index) const;

    std::function<void(QKeyEvent*)> onKey; // the owner forwards keys to the game

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Where tile index shows now (null if it does not exist or is hidden).
    QRect currentRect(int index) const;

    const Game& game_;
    QImage storedLetter_;       // the preview's picture before any letter loads
    QImage panel_;              // the next-piece panel
    std::vector<QRect> painted_; // per tile index, its rectangle on screen
};

} // namespace lexidrop::ui
