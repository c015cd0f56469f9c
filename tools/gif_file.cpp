// The GIF writer of picture_files.h, on giflib.  Qt reads GIF but cannot
// write it; the palette is our own (palette.h) so the colours do not depend
// on the library's quantiser.
#include <QFile>

#include <gif_lib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "palette.h"
#include "picture_files.h"

namespace lexidrop::tools {

namespace {

// Colour resolution written into the screen descriptor: 8 bits per channel.
constexpr int kColourResolution = 8;

struct GifCloser {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
using GifWriter = std::unique_ptr<GifFileType, GifCloser>;

struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, MapFreer>;

QString gifError(int code) { return QString::fromLatin1(GifErrorString(code)); }

// The palette as a GIF colour table, padded with black to a power of two.
ColourMap colourMap(const std::vector<Rgb>& palette)
{
    std::size_t size = 2;
    while (size < palette.size())
        size *= 2;
    std::vector<GifColorType> colours(size, GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i)
        colours.at(i) = GifColorType{palette.at(i).red, palette.at(i).green, palette.at(i).blue};
    ColourMap map(GifMakeMapObject(static_cast<int>(size), colours.data()));
    if (!map)
        fail(QString::fromLatin1("out of memory for a GIF colour table"));
    return map;
}

// Fails with giflib's own words when a call did not succeed.
void check(int result, const GifWriter& gif, const QString& path)
{
    if (result != GIF_OK)
        fail("cannot write " + path + ": " + gifError(gif->Error));
}

// The screen with its global colour table, then one image covering it.
void writeImage(const GifWriter& gif, const IndexedImage& image, const QString& path)
{
    EGifSetGifVersion(gif.get(), true);
    const ColourMap map = colourMap(image.palette);
    check(EGifPutScreenDesc(gif.get(), image.width, image.height, kColourResolution, 0, map.get()), gif, path);
    check(EGifPutImageDesc(gif.get(), 0, 0, image.width, image.height, false, nullptr), gif, path);
    const auto width = static_cast<std::size_t>(image.width);
    std::vector<GifPixelType> row(width);
    for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y) {
        for (std::size_t x = 0; x < width; ++x)
            row.at(x) = image.indices.at(y * width + x);
        check(EGifPutLine(gif.get(), row.data(), image.width), gif, path);
    }
}

// giflib's output function: appends to the byte vector in the handle's UserData.
int appendBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + length);
    return length;
}

// The image encoded in memory; the file is written whole afterwards so it
// gets the ordinary permissions and error handling of every other picture.
std::vector<std::uint8_t> encode(const IndexedImage& image, const QString& path)
{
    std::vector<std::uint8_t> bytes;
    int error = 0;
    GifWriter gif(EGifOpen(&bytes, appendBytes, &error));
    if (!gif)
        fail("cannot write " + path + ": " + gifError(error));
    writeImage(gif, image, path);
    // Closing writes the trailer; it frees the handle either way.
    if (EGifCloseFile(gif.release(), &error) != GIF_OK)
        fail("cannot write " + path + ": " + gifError(error));
    return bytes;
}

void writeFile(const std::vector<std::uint8_t>& bytes, const QString& path)
{
    QFile f(path);
    const auto size = static_cast<qint64>(bytes.size());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || f.write(reinterpret_cast<const char*>(bytes.data()), size) != size || !f.flush())
        fail("cannot write " + path);
}

// Decodes the file with Qt and compares every pixel with what we meant to store.
void checkDecodes(const IndexedImage& image, const QString& path)
{
    const QImage back = QImage(path).convertToFormat(QImage::Format_RGB32);
    if (back.isNull())
        fail(path + " does not load");
    if (back.width() != image.width || back.height() != image.height)
        fail(path + " has the wrong size");
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x)
            if (rgbAt(back, x, y) != image.colourAt(x, y))
                fail(path + QString::fromLatin1(" decodes differently at %1,%2").arg(x).arg(y));
}

} // namespace

void writeGif(const QImage& image, const QString& path)
{
    const IndexedImage indexed = quantise(image.convertToFormat(QImage::Format_RGB32));
    writeFile(encode(indexed, path), path);
    checkDecodes(indexed, path);
}

} // namespace lexidrop::tools
