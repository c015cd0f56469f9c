// The painting primitives of drawing.h.
#include "drawing.h"

#include <QFont>
#include <QPen>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace lexidrop::tools {

QFont serifFont(double pixelSize, SerifStyle style)
{
    QFont f(kSerifFamily);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    f.setBold(style == SerifStyle::Bold);
    f.setItalic(style == SerifStyle::Italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    return f;
}

QPainterPath textPath(const QString& text, const QFont& font)
{
    QPainterPath path;
    path.addText(0, 0, font, text);
    return path;
}

double capHeight(const QFont& font)
{
    return -textPath(QString::fromLatin1("H"), font).boundingRect().top();
}

QPainterPath scaled(const QPainterPath& path, double sx, double sy)
{
    return QTransform::fromScale(sx, sy).map(path);
}

void fill(QPainter& p, const QPainterPath& path, const QBrush& brush)
{
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawPath(path);
}

void fill(QPainter& p, const QRectF& rect, const QBrush& brush)
{
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawRect(rect);
}

void fillQuad(QPainter& p, const std::array<QPointF, 4>& corners, Rgba colour)
{
    QPainterPath path;
    path.moveTo(corners.at(0));
    path.lineTo(corners.at(1));
    path.lineTo(corners.at(2));
    path.lineTo(corners.at(3));
    path.closeSubpath();
    fill(p, path, toQColor(colour));
}

void stroke(QPainter& p, const QPainterPath& path, Rgba colour, double width)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(toQColor(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

void paintOutlinedText(QPainter& p, const QPainterPath& path, Rgba fillColour, Rgba outline,
                       double outlineWidth)
{
    stroke(p, path, outline, outlineWidth * 2.0);
    fill(p, path, toQColor(fillColour));
}

QLinearGradient linearGradient(QPointF from, QPointF to, std::span<const GradientStop> stops)
{
    QLinearGradient g(from, to);
    for (const GradientStop& s : stops)
        g.setColorAt(s.at, toQColor(s.colour));
    return g;
}

QRadialGradient radialGradient(QPointF centre, double radius, std::span<const GradientStop> stops)
{
    QRadialGradient g(centre, radius);
    for (const GradientStop& s : stops)
        g.setColorAt(s.at, toQColor(s.colour));
    return g;
}

} // namespace lexidrop::tools
