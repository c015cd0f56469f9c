// The application icon of icon_art.h.
#include "icon_art.h"

#include <QPainter>

#include "colour.h"
#include "drawing.h"
#include "supersample.h"
#include "tile_art.h"

namespace lexidrop::tools {

namespace {

constexpr int k = kTileSupersample;
// Four layered rounded rectangles, each a little smaller, make the shadow.
constexpr int kShadowLayers = 4;
constexpr Rgba kShadowLayer{0, 0, 30, 28};

// The shadow round a tile of `tile` pixels set `margin` pixels in.
void paintShadow(QPainter& p, int margin, int tile)
{
    for (int i = 0; i < kShadowLayers; ++i) {
        const double grow = (margin * (kShadowLayers - i) / 4.0) * k * 0.8;
        p.setPen(Qt::NoPen);
        p.setBrush(toQColor(kShadowLayer));
        p.drawRoundedRect(QRectF(margin * k - grow * 0.5, margin * k - grow * 0.2, tile * k + grow, tile * k + grow),
                          grow * 0.6, grow * 0.6);
    }
}

} // namespace

QImage makeIcon(int size)
{
    const int margin = size / 16;
    const int tile = size - 2 * margin;
    QImage big = canvas(size * k, size * k, Qt::transparent);
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (margin > 0)
        paintShadow(p, margin, tile);
    paintTile(p, QRectF(margin * k, margin * k, tile * k, tile * k), QLatin1Char('L'), k);
    p.end();
    return reduce(big, k, Alpha::Keep);
}

} // namespace lexidrop::tools
