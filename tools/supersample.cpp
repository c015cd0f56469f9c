// The exact box filter of supersample.h.
#include "supersample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace lexidrop::tools {

namespace {

// The sRGB transfer curve as a table of the 256 8-bit levels.  toSrgb() is
// its inverse by nearest entry, so a level goes round trip unchanged.
class LinearLight {
public:
    LinearLight()
    {
        for (std::size_t i = 0; i < levels_.size(); ++i) {
            const double c = static_cast<double>(i) / 255.0;
            levels_.at(i) = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
    }

    // The linear intensity of an 8-bit level.
    double toLinear(int level) const { return levels_.at(static_cast<std::size_t>(level)); }

    // The 8-bit level nearest to a linear intensity; ties go to the darker.
    int toSrgb(double linear) const
    {
        const auto it = std::lower_bound(levels_.begin(), levels_.end(), linear);
        if (it == levels_.begin())
            return 0;
        if (it == levels_.end())
            return 255;
        const auto hi = static_cast<std::size_t>(it - levels_.begin());
        const double dHi = *it - linear;
        const double dLo = linear - levels_.at(hi - 1);
        return static_cast<int>(dLo <= dHi ? hi - 1 : hi);
    }

private:
    std::array<double, 256> levels_{}; // linear intensity of each level
};

const LinearLight& linearLight()
{
    static const LinearLight table;
    return table;
}

// Linear-light colour summed over a block, weighted by coverage.
struct BlockSum {
    double red = 0;
    double green = 0;
    double blue = 0;
    double coverage = 0; // sum of the pixels' alpha, 0..1 each
};

// Adds one premultiplied pixel to the sum.
void addPixel(BlockSum& sum, QRgb pixel)
{
    const int pa = qAlpha(pixel);
    if (pa == 0)
        return;
    const double weight = pa / 255.0;
    // Un-premultiply to look the colour up, then weight by coverage.
    const auto straight = [pa](int c) { return std::min(255, (c * 255 + pa / 2) / pa); };
    const LinearLight& lin = linearLight();
    sum.red += lin.toLinear(straight(qRed(pixel))) * weight;
    sum.green += lin.toLinear(straight(qGreen(pixel))) * weight;
    sum.blue += lin.toLinear(straight(qBlue(pixel))) * weight;
    sum.coverage += weight;
}

// The colour of output pixel (x, y): the average of its factor x factor block.
QColor reduceBlock(const QImage& src, int x, int y, int factor, Alpha alpha)
{
    BlockSum sum;
    for (int sy = 0; sy < factor; ++sy)
        for (int sx = 0; sx < factor; ++sx)
            addPixel(sum, src.pixel(x * factor + sx, y * factor + sy));
    if (sum.coverage <= 0)
        return QColor(0, 0, 0, 0);
    const double n = static_cast<double>(factor) * factor;
    const int a = alpha == Alpha::Keep
        ? std::clamp(static_cast<int>(std::lround(sum.coverage / n * 255.0)), 0, 255)
        : 255;
    const LinearLight& lin = linearLight();
    return QColor(lin.toSrgb(sum.red / sum.coverage), lin.toSrgb(sum.green / sum.coverage),
                  lin.toSrgb(sum.blue / sum.coverage), a);
}

} // namespace

QImage canvas(int width, int height, const QColor& fill)
{
    QImage img(width, height, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

QImage reduce(const QImage& big, int factor, Alpha alpha)
{
    // pixel() of a premultiplied image gives the stored premultiplied value.
    const QImage src = big.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = src.width() / factor;
    const int h = src.height() / factor;
    QImage out(w, h, alpha == Alpha::Keep ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.setPixelColor(x, y, reduceBlock(src, x, y, factor, alpha));
    return out;
}

} // namespace lexidrop::tools
