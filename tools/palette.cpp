// The median-cut palette of palette.h.
#include "palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <utility>

namespace lexidrop::tools {

namespace {

constexpr std::array kChannels{Channel::Red, Channel::Green, Channel::Blue};

// One distinct colour of the picture and how many pixels have it.
struct ColourCount {
    Rgb colour;
    std::uint32_t pixels = 0;
};

// A set of distinct colours that becomes one palette entry unless it is cut.
using ColourBox = std::vector<ColourCount>;

// Every distinct colour of the picture, in colour order.
ColourBox histogram(const QImage& image)
{
    std::map<Rgb, std::uint32_t> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[rgbAt(image, x, y)];
    ColourBox all;
    for (const auto& [colour, pixels] : counts)
        all.push_back({colour, pixels});
    return all;
}

int spread(const ColourBox& box, Channel ch)
{
    int lo = 255;
    int hi = 0;
    for (const ColourCount& c : box) {
        lo = std::min(lo, c.colour.channel(ch));
        hi = std::max(hi, c.colour.channel(ch));
    }
    return hi - lo;
}

std::uint64_t population(const ColourBox& box)
{
    return std::accumulate(box.begin(), box.end(), std::uint64_t{0},
                           [](std::uint64_t n, const ColourCount& c) { return n + c.pixels; });
}

// The box's squared error about its mean colour, summed over the channels.
double squaredError(const ColourBox& box)
{
    std::array<double, 3> sum{};
    std::array<double, 3> squares{};
    double n = 0;
    for (const ColourCount& c : box) {
        const double w = c.pixels;
        for (std::size_t ch = 0; ch < kChannels.size(); ++ch) {
            const double v = c.colour.channel(kChannels.at(ch));
            sum.at(ch) += w * v;
            squares.at(ch) += w * v * v;
        }
        n += w;
    }
    double e = 0;
    for (std::size_t ch = 0; ch < kChannels.size(); ++ch)
        e += squares.at(ch) - sum.at(ch) * sum.at(ch) / n;
    return e;
}

// The box to cut next (the largest error), or boxes.size() when none can be cut.
std::size_t worstBox(const std::vector<ColourBox>& boxes)
{
    std::size_t best = boxes.size();
    double bestError = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (boxes.at(i).size() < 2)
            continue;
        const double error = squaredError(boxes.at(i));
        if (error > bestError) {
            bestError = error;
            best = i;
        }
    }
    return best;
}

// The channel along which the box is widest; the first of equals.
Channel widestChannel(const ColourBox& box)
{
    const int r = spread(box, Channel::Red);
    const int g = spread(box, Channel::Green);
    const int b = spread(box, Channel::Blue);
    if (r >= g && r >= b)
        return Channel::Red;
    return g >= b ? Channel::Green : Channel::Blue;
}

// Cuts a box at the pixel median of its widest channel, keeping at least one
// colour on each side.
std::pair<ColourBox, ColourBox> cut(ColourBox box)
{
    const Channel ch = widestChannel(box);
    std::stable_sort(box.begin(), box.end(), [ch](const ColourCount& a, const ColourCount& b) {
        return a.colour.channel(ch) < b.colour.channel(ch);
    });
    const std::uint64_t half = population(box) / 2;
    std::uint64_t run = 0;
    std::size_t at = 1;
    for (std::size_t i = 0; i + 1 < box.size(); ++i) {
        run += box.at(i).pixels;
        at = i + 1;
        if (run >= half)
            break;
    }
    const auto middle = box.begin() + static_cast<std::ptrdiff_t>(at);
    return {ColourBox(box.begin(), middle), ColourBox(middle, box.end())};
}

// The pixel-weighted mean colour of a box.
Rgb meanColour(const ColourBox& box)
{
    double r = 0, g = 0, b = 0, n = 0;
    for (const ColourCount& c : box) {
        r += c.colour.red * static_cast<double>(c.pixels);
        g += c.colour.green * static_cast<double>(c.pixels);
        b += c.colour.blue * static_cast<double>(c.pixels);
        n += c.pixels;
    }
    const auto mean = [n](double v) { return static_cast<std::uint8_t>(std::lround(v / n)); };
    return {mean(r), mean(g), mean(b)};
}

std::vector<Rgb> medianCut(const QImage& image, std::size_t maxColours)
{
    std::vector<ColourBox> boxes{histogram(image)};
    while (boxes.size() < maxColours) {
        const std::size_t worst = worstBox(boxes);
        if (worst == boxes.size())
            break;
        auto [lo, hi] = cut(std::move(boxes.at(worst)));
        boxes.at(worst) = std::move(lo);
        boxes.push_back(std::move(hi));
    }
    std::vector<Rgb> palette;
    for (const ColourBox& box : boxes)
        palette.push_back(meanColour(box));
    return palette;
}

long squaredDistance(Rgb a, Rgb b)
{
    long d = 0;
    for (Channel ch : kChannels) {
        const long diff = a.channel(ch) - b.channel(ch);
        d += diff * diff;
    }
    return d;
}

// The index of the palette entry nearest to `c`; the first of equals.
std::uint8_t nearest(const std::vector<Rgb>& palette, Rgb c)
{
    std::size_t best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const long d = squaredDistance(c, palette.at(i));
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return static_cast<std::uint8_t>(best);
}

std::vector<std::uint8_t> mapToPalette(const QImage& image, const std::vector<Rgb>& palette)
{
    std::map<Rgb, std::uint8_t> cache;
    std::vector<std::uint8_t> indices;
    indices.reserve(static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const Rgb c = rgbAt(image, x, y);
            auto it = cache.find(c);
            if (it == cache.end())
                it = cache.emplace(c, nearest(palette, c)).first;
            indices.push_back(it->second);
        }
    return indices;
}

} // namespace

int Rgb::channel(Channel c) const
{
    switch (c) {
    case Channel::Red:
        return red;
    case Channel::Green:
        return green;
    case Channel::Blue:
        return blue;
    }
    return 0;
}

Rgb IndexedImage::colourAt(int x, int y) const
{
    const auto i = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    return palette.at(indices.at(i));
}

Rgb rgbAt(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return {static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
            static_cast<std::uint8_t>(qBlue(p))};
}

IndexedImage quantise(const QImage& image, std::size_t maxColours)
{
    IndexedImage out;
    out.width = image.width();
    out.height = image.height();
    out.palette = medianCut(image, maxColours);
    out.indices = mapToPalette(image, out.palette);
    return out;
}

} // namespace lexidrop::tools
