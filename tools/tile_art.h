// The letter tile: a blue square with a lighter bevelled rim lit from the top
// left, a dark shadow edge on the right and bottom, and a white serif capital
// outlined in dark blue.
//
// paintTile() draws one tile at any size into any painter (the game's tiles,
// the icons and the about picture all use it); makeTile() gives a finished
// 24-bit tile picture of the given size.
#pragma once

#include <QChar>
#include <QImage>
#include <QPainter>
#include <QRectF>

namespace lexidrop::tools {

// The tile art is designed on a 32-pixel tile; other sizes scale its figures.
constexpr int kTileSize = 32;

// Tile pictures are drawn this many times larger, then reduced.
constexpr int kTileSupersample = 8;

// Paints one tile into `rect` (canvas units).  `px` is the number of canvas
// units per output pixel, so rim widths land on whole output pixels.  A null
// letter gives a blank tile.
void paintTile(QPainter& p, const QRectF& rect, QChar letter, double px);

// The tile of `letter` as an opaque size x size picture.
QImage makeTile(QChar letter, int size);

} // namespace lexidrop::tools
