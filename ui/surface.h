// The client area of the main window: the well's frame, the next-piece
// panel and every tile, under the labels (which are its child widgets).
//
// The surface keeps what the game's notices told it of each tile and
// paints that; it never reads the game.  showTile() repaints only the
// rectangle the tile was last painted in and the one it occupies now, so a
// falling tile costs two small squares per tick, not the whole window.  A
// tile that falls a few pixels with its picture unchanged is slid instead:
// its pixels are copied down where they are kept (on X11 by the server)
// and only the strip it leaves is painted.  It also takes the keys and
// hands them to its owner.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "game/geometry.h"
#include "game/port.h"
#include "ui/pictures.h"

namespace lexidrop::ui {

class PlayFieldReadout;

// Client-area size of the main window.
constexpr int ClientWidth = 406;
constexpr int ClientHeight = 479;

// The most of a picture a tile can ever show: the client area from the
// leftmost and highest corner a tile takes (the well's left edge; the row
// above the rim's, where a game is lost).
constexpr QSize TileShownAtMost(ClientWidth - WellLeft, ClientHeight - topOfRow(-1));

// One line of the well's frame, end points included.
struct FrameLine {
    int x1, y1, x2, y2;
    QRgb colour;
};

// The twelve frame lines in drawing order (later ones on top).
const std::vector<FrameLine>& frameLines();

// Where the next-piece panel stands, and its size (that of its picture).
constexpr int PanelLeft = 288;
constexpr int PanelTop = 22;
constexpr QRect PanelRect(PanelLeft, PanelTop, 104, 72);

class Surface : public QWidget {
    Q_OBJECT
public:
    explicit Surface(QWidget* parent = nullptr);

    // A tile is to be shown as it now is (created, moved, repictured, hidden).
    void showTile(const Tile& tile);
    // The tile with this index is gone.
    void removeTile(int index);
    // The rectangle tile index was last asked to be painted in (null if none).
    QRect paintedRect(int index) const;
    // What a screen reader is told of the client area (accessibility.h).
    PlayFieldReadout* readout() const { return readout_; }

    std::function<void(QKeyEvent*)> onKey; // the owner forwards keys to the game

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What the surface shows of one tile.
    struct Shown {
        PicturePtr picture; // null = the stored letter-A tile
        std::string tag;    // the letter, for a plain stand-in tile
        QRect rect;         // where it shows; null when hidden or gone
    };
    // Repaints the tile's old and new squares, or slides it there.
    void place(std::size_t index, Shown shown);
    // Whether tile index can go from last to next by sliding its pixels.
    bool canSlide(std::size_t index, const Shown& last, const Shown& next) const;

    PlayFieldReadout* readout_; // made first: an accessibility query may come at any time
    QImage storedLetter_;     // the preview's picture before any letter loads
    QImage panel_;            // the next-piece panel
    DeviceArt storedDevice_;  // the stored letter as a fractional screen ratio shows it
    DeviceArt panelDevice_;   // the panel likewise
    std::vector<Shown> tiles_; // per tile index, as last told
    bool repaintAsked_ = false; // an update() is pending since the last paint
};

} // namespace lexidrop::ui
