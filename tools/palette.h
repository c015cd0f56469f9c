// Reducing a full-colour picture to a palette of at most 256 colours, as GIF
// needs.
//
// quantise() builds the palette by median cut and maps every pixel to its
// nearest entry.  The cut always splits the box of colours with the largest
// squared error about its mean, so the smooth gradients that cover most of a
// picture get their share of entries.  The result depends only on the
// pixels, so the same picture always gives the same palette.
#pragma once

#include <QImage>

#include <compare>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lexidrop::tools {

// A colour channel, in the order colours are sorted by.
enum class Channel { Red, Green, Blue };

// An opaque 8-bit colour; ordered by red, then green, then blue.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    // The value of one channel, 0..255.
    int channel(Channel c) const;

    auto operator<=>(const Rgb&) const = default;
};

// A picture as palette indices.
struct IndexedImage {
    int width = 0;                     // pixels
    int height = 0;                    // pixels
    std::vector<Rgb> palette;          // at most 256 colours
    std::vector<std::uint8_t> indices; // one per pixel, row by row from the top left

    // The colour of pixel (x, y).
    Rgb colourAt(int x, int y) const;
};

// The colour of pixel (x, y) of `image`, alpha ignored.
Rgb rgbAt(const QImage& image, int x, int y);

// `image` reduced to at most `maxColours` colours by median cut.
IndexedImage quantise(const QImage& image, std::size_t maxColours = 256);

} // namespace lexidrop::tools
