// The BMP and PNG writers of picture_files.h (the GIF writer is gif_file.cpp).
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "picture_files.h"

namespace lexidrop::tools {

namespace {

// 72 dots per inch, written into every file so the headers stay the same.
constexpr int kDotsPerMetre = 2835;

// Where the fields the game relies on lie in a BMP file.
constexpr std::size_t kBmpHeaderSize = 54;
constexpr std::size_t kBmpWidthAt = 18;
constexpr std::size_t kBmpHeightAt = 22;
constexpr std::size_t kBmpBitsPerPixelAt = 28;
constexpr int kBmpBitsPerPixel = 24;

std::vector<std::uint8_t> readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fail("cannot read " + path);
    const QByteArray data = f.readAll();
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

// A little-endian 16-bit field.
int le16(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return bytes.at(at) | (bytes.at(at + 1) << 8);
}

// Checks the signature, the size and the depth in the header of a bitmap file.
void checkBmpHeader(const QString& path, const QImage& image)
{
    const std::vector<std::uint8_t> b = readBytes(path);
    if (b.size() < kBmpHeaderSize || b.at(0) != 'B' || b.at(1) != 'M')
        fail(path + " is not a Windows bitmap");
    if (le16(b, kBmpWidthAt) != image.width() || le16(b, kBmpHeightAt) != image.height())
        fail(path + " has the wrong size");
    if (le16(b, kBmpBitsPerPixelAt) != kBmpBitsPerPixel)
        fail(path + " is not 24 bits per pixel");
}

} // namespace

void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

void writeBmp(const QImage& image, const QString& path)
{
    QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    rgb.setDotsPerMeterX(kDotsPerMetre);
    rgb.setDotsPerMeterY(kDotsPerMetre);
    if (!rgb.save(path, "BMP"))
        fail("cannot write " + path);
    checkBmpHeader(path, image);
    const QImage back(path);
    if (back.isNull() || back.convertToFormat(QImage::Format_RGB888) != rgb)
        fail(path + " does not read back");
}

void writePng(const QImage& image, const QString& path)
{
    QImage out = image;
    out.setDotsPerMeterX(kDotsPerMetre);
    out.setDotsPerMeterY(kDotsPerMetre);
    if (!out.save(path, "PNG"))
        fail("cannot write " + path);
}

} // namespace lexidrop::tools
