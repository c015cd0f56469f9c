// The "Next Piece" panel of panel_art.h.
#include "panel_art.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

#include "colour.h"
#include "drawing.h"
#include "supersample.h"
#include "tile_art.h"

namespace lexidrop::tools {

namespace {

constexpr int k = 8; // canvas units per output pixel
constexpr double kWidth = kPanelWidth * k;
constexpr double kHeight = kPanelHeight * k;

constexpr double kGlowRadius = 62.0 * k;
constexpr std::array kGlow{
    GradientStop{0.00, {240, 246, 255}}, GradientStop{0.30, {184, 208, 255}},
    GradientStop{0.55, {92, 132, 242}},  GradientStop{0.80, {30, 58, 190}},
    GradientStop{1.00, {6, 12, 84}},
};
// The darker rim that makes the panel read as a lit recess.
constexpr std::array kVignette{GradientStop{0.0, {0, 4, 48, 150}}, GradientStop{1.0, {0, 4, 48, 0}}};

// The caption spans this much of the panel, its ink starting this far down.
constexpr double kCaptionWidth = 94.0 * k;
constexpr double kCaptionTop = 5.0 * k;
constexpr Rgba kCaptionOutline{8, 20, 96};
constexpr Rgba kCaptionShadow{0, 8, 60, 170};

void paintGlow(QPainter& p)
{
    // Centred on the preview tile, a little above its middle.
    const QPointF centre((kPreviewX + kTileSize / 2.0) * k, (kPreviewY + kTileSize / 2.0 - 6) * k);
    fill(p, QRectF(0, 0, kWidth, kHeight), radialGradient(centre, kGlowRadius, kGlow));
}

void paintVignette(QPainter& p)
{
    const auto shade = [&p](QPointF from, QPointF to) {
        fill(p, QRectF(0, 0, kWidth, kHeight), linearGradient(from, to, kVignette));
    };
    shade(QPointF(0, 0), QPointF(7 * k, 0));
    shade(QPointF(kWidth, 0), QPointF(kWidth - 7 * k, 0));
    shade(QPointF(0, kHeight), QPointF(0, kHeight - 6 * k));
}

// "Next Piece" as wide as the panel allows, centred, ink kCaptionTop down.
QPainterPath captionPath()
{
    QPainterPath text = textPath(QString::fromLatin1("Next Piece"), serifFont(22.0 * k));
    const double s = kCaptionWidth / text.boundingRect().width();
    text = scaled(text, s, s);
    const QRectF box = text.boundingRect();
    text.translate((kWidth - box.width()) / 2.0 - box.left(), kCaptionTop - box.top());
    return text;
}

void paintCaption(QPainter& p)
{
    const QPainterPath text = captionPath();
    stroke(p, text.translated(0.8 * k, 1.0 * k), kCaptionShadow, 2.6 * k);
    paintOutlinedText(p, text, kWhite, kCaptionOutline, 0.9 * k);
}

} // namespace

QImage makePanel()
{
    QImage big = canvas(kPanelWidth * k, kPanelHeight * k, Qt::black);
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing, true);
    paintGlow(p);
    paintVignette(p);
    paintCaption(p);
    p.end();
    return reduce(big, k, Alpha::Drop);
}

} // namespace lexidrop::tools
