// Drawing large and reducing: how every picture gets its antialiasing.
//
// A picture is painted on a canvas() a whole number of times larger than the
// output and then reduce()d with an exact box filter in linear light.  This
// keeps the result independent of Qt's own scaler, and antialiased white on
// blue keeps its weight.  Converting back goes through one fixed table, so a
// flat colour comes out exactly as it went in and the output is the same on
// every run.
#pragma once

#include <QColor>
#include <QImage>

namespace lexidrop::tools {

// Whether a reduced picture keeps its coverage as alpha (icons) or is opaque.
enum class Alpha { Drop, Keep };

// A premultiplied ARGB canvas of w x h filled with one colour.
QImage canvas(int width, int height, const QColor& fill);

// Reduces `big` by `factor` in both directions: colour averaged in linear
// light weighted by coverage, alpha averaged directly.  With Alpha::Drop the
// result is RGB888, with Alpha::Keep ARGB32.
QImage reduce(const QImage& big, int factor, Alpha alpha);

} // namespace lexidrop::tools
