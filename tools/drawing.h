// Painting primitives shared by all the art: serif text as outlines, filled
// and stroked shapes, gradients.
//
// Text is always turned into glyph outlines (Liberation Serif, the metric
// twin of Times New Roman, unhinted) before it is painted, so font hinting
// plays no part in the pictures.  Every fill is drawn without a pen and
// every stroke without a brush, with round caps and joins.
#pragma once

#include <QBrush>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRadialGradient>
#include <QRectF>
#include <QString>

#include <array>
#include <span>

#include "colour.h"

namespace lexidrop::tools {

// The face all text is drawn in.
constexpr const char* kSerifFamily = "Liberation Serif";

// Bold upright for titles and tiles, regular italic for small print.
enum class SerifStyle { Bold, Italic };

// The serif face at a pixel size (rounded to a whole pixel, at least 1).
QFont serifFont(double pixelSize, SerifStyle style = SerifStyle::Bold);

// The glyph outlines of `text`, baseline at y = 0, starting at x = 0.
QPainterPath textPath(const QString& text, const QFont& font);

// Cap height of the font, measured from the outline of "H".
double capHeight(const QFont& font);

// `path` scaled by sx horizontally and sy vertically about the origin.
QPainterPath scaled(const QPainterPath& path, double sx, double sy);

// Fills a shape or a rectangle without outline.
void fill(QPainter& p, const QPainterPath& path, const QBrush& brush);
void fill(QPainter& p, const QRectF& rect, const QBrush& brush);

// Fills the quadrilateral a-b-c-d.
void fillQuad(QPainter& p, const std::array<QPointF, 4>& corners, Rgba colour);

// Strokes `path` with a pen of `width`, round caps and joins, no fill.
void stroke(QPainter& p, const QPainterPath& path, Rgba colour, double width);

// Outline-then-fill text: the stroke is drawn first and the fill over it, so
// only the outer half of the stroke shows and counters stay open.
void paintOutlinedText(QPainter& p, const QPainterPath& path, Rgba fillColour, Rgba outline,
                       double outlineWidth);

// Gradients through the given stops.
QLinearGradient linearGradient(QPointF from, QPointF to, std::span<const GradientStop> stops);
QRadialGradient radialGradient(QPointF centre, double radius, std::span<const GradientStop> stops);

} // namespace lexidrop::tools
