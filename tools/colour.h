// Colours of the art as plain values, so they can be constexpr constants.
//
// Rgba is what every palette entry, gradient stop and fill of the generator
// is written as; toQColor() hands one to QPainter.  A GradientStop places a
// colour at a position from 0 to 1 along a gradient.
#pragma once

#include <QColor>

namespace lexidrop::tools {

// An 8-bit colour with alpha, 255 meaning opaque.
struct Rgba {
    int red = 0;     // 0..255
    int green = 0;   // 0..255
    int blue = 0;    // 0..255
    int alpha = 255; // 0 transparent .. 255 opaque
};

// One colour of a gradient.
struct GradientStop {
    double at = 0; // position along the gradient, 0..1
    Rgba colour;   // the colour there
};

constexpr Rgba kWhite{255, 255, 255};

inline QColor toQColor(Rgba c) { return QColor(c.red, c.green, c.blue, c.alpha); }

} // namespace lexidrop::tools
