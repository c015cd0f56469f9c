// The letter tile of tile_art.h.
#include "tile_art.h"

#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

#include "colour.h"
#include "drawing.h"
#include "supersample.h"

namespace lexidrop::tools {

namespace {

// The rim, lit from the top left, and the face within it.
constexpr Rgba kRimTop{196, 214, 255};
constexpr Rgba kRimLeft{160, 186, 252};
constexpr Rgba kRimRight{106, 140, 238};
constexpr Rgba kRimBottom{84, 116, 224};
constexpr std::array kFace{GradientStop{0.0, {58, 104, 232}}, GradientStop{1.0, {26, 62, 190}}};
// A faint highlight along the inner top of the face catches the light.
constexpr std::array kShine{GradientStop{0.0, {255, 255, 255, 46}}, GradientStop{1.0, {255, 255, 255, 0}}};
// The shadow line that makes the tile stand slightly raised on the board.
constexpr Rgba kEdge{14, 26, 96};
// The capital: white fill, dark outline, a soft shadow down and to the right.
constexpr Rgba kLetterOutline{6, 14, 78};
constexpr Rgba kLetterShadow{0, 6, 50, 150};
// Letters are outlined at this reference size and scaled to the cap height wanted.
constexpr double kGlyphReferenceSize = 200;

// Where the parts of one tile go, in canvas units.
struct TileLayout {
    double px = 1;      // canvas units per output pixel
    double outSize = 0; // the tile's size in output pixels
    QRectF outer;       // the whole tile, dark edge included
    QRectF lit;         // the tile less its dark right and bottom edge
    QRectF face;        // the flat face inside the rim
};

TileLayout layoutTile(const QRectF& rect, double px)
{
    TileLayout t;
    t.px = px;
    t.outSize = rect.width() / px;
    const double rim = std::max(1.0, std::round(3.0 * t.outSize / kTileSize)) * px;
    const double edge = px;
    t.outer = rect;
    t.lit = t.outer.adjusted(0, 0, -edge, -edge);
    t.face = t.lit.adjusted(rim, rim, -rim, -rim);
    return t;
}

// The dark edge, then four bevel trapezoids between the lit square and the face.
void paintRim(QPainter& p, const TileLayout& t)
{
    fill(p, t.outer, toQColor(kEdge));
    const QRectF& l = t.lit;
    const QRectF& f = t.face;
    fillQuad(p, {l.topLeft(), l.topRight(), f.topRight(), f.topLeft()}, kRimTop);
    fillQuad(p, {l.topLeft(), f.topLeft(), f.bottomLeft(), l.bottomLeft()}, kRimLeft);
    fillQuad(p, {l.topRight(), l.bottomRight(), f.bottomRight(), f.topRight()}, kRimRight);
    fillQuad(p, {l.bottomLeft(), f.bottomLeft(), f.bottomRight(), l.bottomRight()}, kRimBottom);
}

void paintFace(QPainter& p, const QRectF& face)
{
    fill(p, face, linearGradient(face.topLeft(), face.bottomRight(), kFace));
    const QPointF shineEnd(face.left(), face.top() + face.height() * 0.45);
    fill(p, face, linearGradient(face.topLeft(), shineEnd, kShine));
}

// Width of the letter's outline in canvas units.
double outlineWidth(const TileLayout& t) { return std::max(0.75, 1.2 * t.outSize / kTileSize) * t.px; }

// The capital's outline, sized and placed on the face.  Cap height is about
// 60% of the tile: large enough to read at a glance in the well, small enough
// to keep the outline clear of the rim.
QPainterPath letterPath(const TileLayout& t, QChar letter)
{
    const double outline = outlineWidth(t);
    const QFont font = serifFont(kGlyphReferenceSize);
    const double wantCap = t.outSize * 0.58 * t.px;
    QPainterPath glyph = textPath(QString(letter), font);
    const double s = wantCap / capHeight(font);
    QRectF box = scaled(glyph, s, s).boundingRect();
    // Wide capitals (M, W) are narrowed so they keep a margin inside the face.
    const double maxWidth = t.face.width() - 2.6 * outline;
    const double sx = box.width() > maxWidth ? s * maxWidth / box.width() : s;
    glyph = scaled(glyph, sx, s);
    box = glyph.boundingRect();
    // Centre horizontally by the ink, vertically by the cap height so every
    // letter shares one baseline (Q's tail hangs below it).
    const double cx = t.face.center().x() - box.center().x();
    double baseline = t.face.center().y() + wantCap / 2.0 - 0.02 * t.outSize * t.px;
    // A tail that would run into the rim (Q) lifts its letter by half the
    // overlap: the rest may touch the rim, which reads better than a small Q.
    const double overflow = baseline + box.bottom() - (t.face.bottom() - outline);
    if (overflow > 0)
        baseline -= overflow / 2.0;
    glyph.translate(cx, baseline);
    return glyph;
}

void paintLetter(QPainter& p, const TileLayout& t, QChar letter)
{
    const double outline = outlineWidth(t);
    const QPainterPath glyph = letterPath(t, letter);
    // The shadow gives the letter some relief; on the smallest icons it
    // would only muddy the stems.
    if (t.outSize >= 20) {
        const double off = 0.9 * t.px * t.outSize / kTileSize;
        stroke(p, glyph.translated(off, off), kLetterShadow, outline * 2.0);
    }
    paintOutlinedText(p, glyph, kWhite, kLetterOutline, outline);
}

} // namespace

void paintTile(QPainter& p, const QRectF& rect, QChar letter, double px)
{
    const TileLayout t = layoutTile(rect, px);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    paintRim(p, t);
    paintFace(p, t.face);
    if (!letter.isNull())
        paintLetter(p, t, letter);
    p.restore();
}

QImage makeTile(QChar letter, int size)
{
    constexpr int k = kTileSupersample;
    QImage big = canvas(size * k, size * k, Qt::transparent);
    QPainter p(&big);
    paintTile(p, QRectF(0, 0, size * k, size * k), letter, k);
    p.end();
    return reduce(big, k, Alpha::Drop);
}

} // namespace lexidrop::tools
