// The about picture of about_art.h.  All figures are output pixels; k turns
// them into canvas units.
#include "about_art.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cstddef>

#include "colour.h"
#include "drawing.h"
#include "supersample.h"
#include "tile_art.h"

namespace lexidrop::tools {

namespace {

constexpr int k = 4; // canvas units per output pixel
constexpr double kWidth = kAboutWidth * k;
constexpr double kHeight = kAboutHeight * k;
// The visible part's middle, where the title and tag line are centred.
constexpr double kVisibleCentreX = 103.0 * k;

constexpr std::array kSky{
    GradientStop{0.0, {16, 30, 104}}, GradientStop{0.55, {6, 12, 58}}, GradientStop{1.0, {2, 4, 26}}};
constexpr std::array kHalo{GradientStop{0.0, {90, 130, 255, 90}}, GradientStop{1.0, {90, 130, 255, 0}}};
constexpr Rgba kTitleGlow{80, 130, 255, 28};
constexpr Rgba kTitleOutline{8, 20, 96};
constexpr Rgba kTagLine{176, 198, 255};
constexpr Rgba kCredit{140, 164, 230};

// The well: five columns of tiles inside the game's three-line frame.
constexpr int kWellColumns = 5;
constexpr double kWellX = 23;
constexpr double kWellY = 88;
constexpr double kWellBottom = 254;
constexpr double kWellWidth = kWellColumns * kTileSize;
constexpr Rgba kWellShade{0, 0, 0, 120};

// One line of the well's frame: `inset` pixels outside the well, one colour
// on the top and left, another on the right and bottom.
struct FrameLine {
    double inset = 0;
    Rgba topLeft;
    Rgba bottomRight;
};
constexpr std::array kFrame{
    FrameLine{1, {0, 0, 255}, {192, 192, 255}},
    FrameLine{2, {128, 128, 255}, {128, 128, 255}},
    FrameLine{3, {192, 192, 255}, {0, 0, 255}},
};

// A tile standing in the well.
struct WellTile {
    double column = 0; // 0..kWellColumns-1
    double top = 0;    // pixels from the picture's top
    char letter = 0;   // the capital shown
};
constexpr double kBottomRow = kWellBottom - kTileSize;
constexpr double kSecondRow = kWellBottom - 2 * kTileSize;
// The settled stack: the bottom row spells a word.
constexpr std::array kSettled{
    WellTile{0, kBottomRow, 'W'}, WellTile{1, kBottomRow, 'O'}, WellTile{2, kBottomRow, 'R'},
    WellTile{3, kBottomRow, 'D'}, WellTile{4, kBottomRow, 'S'}, WellTile{0, kSecondRow, 'T'},
    WellTile{3, kSecondRow, 'E'},
};
// A falling tile with a fading trail above it.
constexpr WellTile kFalling{2, kWellY + 40, 'P'};
constexpr double kTrailLength = 44;
constexpr std::array kTrail{GradientStop{0.0, {90, 130, 255, 0}}, GradientStop{1.0, {90, 130, 255, 120}}};

// Below the visible part: three loose tiles, tumbling.
constexpr std::array kLoose{'L', 'E', 'X'};

void paintSky(QPainter& p)
{
    const QRectF all(0, 0, kWidth, kHeight);
    fill(p, all, linearGradient(QPointF(0, 0), QPointF(0, kHeight), kSky));
    fill(p, all, radialGradient(QPointF(103 * k, 40 * k), 120.0 * k, kHalo));
}

// `text` centred on x = centreX with the top of its ink at `top`.
QPainterPath centredText(const QString& text, const QFont& font, double centreX, double top)
{
    QPainterPath path = textPath(text, font);
    const QRectF box = path.boundingRect();
    path.translate(centreX - box.center().x(), top - box.top());
    return path;
}

void paintTitle(QPainter& p)
{
    QPainterPath title = textPath(QString::fromLatin1("LexiDrop"), serifFont(40.0 * k));
    const double s = 172.0 * k / title.boundingRect().width();
    title = scaled(title, s, s);
    const QRectF box = title.boundingRect();
    title.translate(kVisibleCentreX - box.center().x(), 14.0 * k - box.top());
    for (int i = 4; i >= 1; --i)
        stroke(p, title, kTitleGlow, (i * 2.2) * k);
    paintOutlinedText(p, title, kWhite, kTitleOutline, 1.0 * k);

    const QFont small = serifFont(12.0 * k, SerifStyle::Italic);
    const QString tag = QString::fromLatin1("a falling-letter word game");
    fill(p, centredText(tag, small, kVisibleCentreX, 66.0 * k), toQColor(kTagLine));
}

void paintWellFrame(QPainter& p)
{
    fill(p, QRectF(kWellX * k, kWellY * k, kWellWidth * k, (kWellBottom - kWellY) * k), toQColor(kWellShade));
    for (const FrameLine& line : kFrame) {
        const double l = (kWellX - line.inset) * k;
        const double t = (kWellY - line.inset) * k;
        const double r = (kWellX + kWellWidth + line.inset - 1) * k;
        const double b = (kWellBottom + line.inset - 1) * k;
        fill(p, QRectF(l, t, r - l + k, k), toQColor(line.topLeft));
        fill(p, QRectF(l, t, k, b - t + k), toQColor(line.topLeft));
        fill(p, QRectF(r, t, k, b - t + k), toQColor(line.bottomRight));
        fill(p, QRectF(l, b, r - l + k, k), toQColor(line.bottomRight));
    }
}

void paintWellTile(QPainter& p, const WellTile& tile)
{
    const QRectF rect((kWellX + tile.column * kTileSize) * k, tile.top * k, kTileSize * k, kTileSize * k);
    paintTile(p, rect, QLatin1Char(tile.letter), k);
}

void paintWellTiles(QPainter& p)
{
    for (const WellTile& tile : kSettled)
        paintWellTile(p, tile);
    const double trailTop = (kFalling.top - kTrailLength) * k;
    const QRectF trail((kWellX + 2 * kTileSize + 2) * k, trailTop, (kTileSize - 4) * k, kTrailLength * k);
    fill(p, trail, linearGradient(QPointF(0, trailTop), QPointF(0, kFalling.top * k), kTrail));
    paintWellTile(p, kFalling);
}

void paintHiddenPart(QPainter& p)
{
    const QFont small = serifFont(11.0 * k, SerifStyle::Italic);
    const QString credit = QString::fromLatin1("made by the LexiDrop developers");
    fill(p, centredText(credit, small, kWidth / 2.0, 300.0 * k), toQColor(kCredit));
    for (std::size_t i = 0; i < kLoose.size(); ++i) {
        const double x = (62.0 + 48.0 * static_cast<double>(i)) * k;
        const double y = 322.0 * k;
        p.save();
        p.translate(x + 16 * k, y + 16 * k);
        p.rotate(-12.0 + 12.0 * static_cast<double>(i));
        paintTile(p, QRectF(-16 * k, -16 * k, 32 * k, 32 * k), QLatin1Char(kLoose.at(i)), k);
        p.restore();
    }
}

} // namespace

QImage makeAbout()
{
    QImage big = canvas(kAboutWidth * k, kAboutHeight * k, Qt::black);
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing, true);
    paintSky(p);
    paintTitle(p);
    paintWellFrame(p);
    paintWellTiles(p);
    paintHiddenPart(p);
    p.end();
    return reduce(big, k, Alpha::Drop);
}

} // namespace lexidrop::tools
