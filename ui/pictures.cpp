#include "ui/pictures.h"

#include <QFile>
#include <QFont>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "game/geometry.h"
#include "ui/bitmap_file.h"

namespace lexidrop::ui {

namespace {

// What readBitmapFile() keeps of a picture when not told how much a tile
// shows: 64 MiB of pixels at most, more than any screen shows at once.
constexpr QSize WholePictureAtMost(4096, 4096);

QImage readBitmapFrom(QIODevice* device)
{
    // Naming the format and switching detection off keeps Qt to its own BMP
    // reader.  Left to detect, QImageReader asks every image plugin (gif,
    // ico, jpeg here) whether it can read the file, loading those not yet
    // loaded: work for formats the game never uses.
    QImageReader reader(device, QByteArrayLiteral("bmp"));
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace

QImage readBitmap(const QString& path)
{
    if (path.startsWith(QLatin1Char(':'))) {
        QFile resource(path);
        return resource.open(QIODevice::ReadOnly) ? readBitmapFrom(&resource) : QImage();
    }
    return readBitmapFile(std::filesystem::path(QFile::encodeName(path).toStdString()));
}

QImage readBitmapFile(const std::filesystem::path& path, QSize shownAtMost)
{
    const std::optional<std::vector<std::uint8_t>> bytes = readLetterFile(path);
    return bytes ? bitmapImage(*bytes, shownAtMost) : QImage();
}

QImage bitmapImage(std::span<const std::uint8_t> file, QSize shownAtMost)
{
    const QSize most = shownAtMost.isValid() ? shownAtMost : WholePictureAtMost;
    const std::optional<BitmapPixels> pixels = decodeBitmap(file, most.width(), most.height());
    if (!pixels) {
        return {};
    }
    QImage image(pixels->width, pixels->height, pixels->alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const auto width = static_cast<std::size_t>(pixels->width);
    if (image.isNull() || pixels->argb.size() != width * static_cast<std::size_t>(pixels->height)) {
        return {}; // no memory for it (the sizes agree, and are checked before the rows are copied)
    }
    const std::span<const std::uint32_t> argb(pixels->argb);
    for (int y = 0; y < image.height(); ++y) {
        const std::span<const std::uint32_t> row = argb.subspan(static_cast<std::size_t>(y) * width, width);
        std::copy(row.begin(), row.end(), reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    return image;
}

QImage LetterPictures::keep(const std::string& fileName, QImage image)
{
    // The same file read again shares the pixels of its last reading, so a
    // well of one letter holds one copy, whatever the file's size.
    QImage& last = lastRead_[fileName];
    if (!image.isNull() && image == last) {
        return last;
    }
    last = image;
    return image;
}

PicturePtr LetterPictures::load(const std::string& fileName)
{
    const std::filesystem::path name(fileName);
    if (directory_.empty()) {
        // No folder of pictures (the program could not find its own):
        // plain tiles, never a file of that name wherever the program runs.
        return std::make_shared<TilePicture>(QImage(), name.stem().string());
    }
    // The path stays the bytes it was given, all the way to open(): a
    // folder whose name is not UTF-8 still reads.  A tile shows its picture
    // from its corner, and no more of it than shownAtMost_ is ever decoded.
    const std::filesystem::path path = directory_ / name;
    QImage image = keep(fileName, readBitmapFile(path, shownAtMost_));
    if (image.isNull() && reported_.insert(fileName).second) {
        // stdio, not iostream: the streams' start-up costs more than this
        // one message is worth.
        std::fprintf(stderr, "lexidrop: cannot read the tile picture %s; showing a plain tile instead\n",
                     path.c_str());
    }
    return std::make_shared<TilePicture>(std::move(image), path.stem().string());
}

namespace {

// Which source pixels one target pixel covers along one axis, and how much.
struct Span {
    int first = 0;                      // first source pixel under the target pixel
    std::array<double, 3> weight{};     // share of each source pixel from first on
};

// The spans of every target pixel when source pixels become target pixels
// (target at least as many as source, so one target pixel covers at most
// two source pixels; three allow for rounding at the ends).
std::vector<Span> spans(int source, int target)
{
    std::vector<Span> out(static_cast<std::size_t>(target));
    const double step = static_cast<double>(source) / target; // source pixels per target pixel
    for (int i = 0; i < target; ++i) {
        const double from = i * step;
        const double to = (i + 1) * step;
        Span& span = out[static_cast<std::size_t>(i)];
        span.first = std::min(static_cast<int>(std::floor(from)), source - 1);
        for (std::size_t k = 0; k < span.weight.size(); ++k) {
            const int pixel = span.first + static_cast<int>(k);
            if (pixel >= source) {
                break;
            }
            const double overlap = std::min(to, pixel + 1.0) - std::max(from, static_cast<double>(pixel));
            span.weight[k] = std::max(0.0, overlap) / step;
        }
    }
    return out;
}

// The ratio of device pixels to the painter's pixels, or 0 when the
// painter turns or shears (then the art is simply drawn).
qreal pixelRatio(const QPainter& painter)
{
    const QTransform device = painter.deviceTransform();
    if (device.type() > QTransform::TxScale || device.m11() != device.m22() || device.m11() <= 0) {
        return 0;
    }
    return device.m11();
}

bool whole(qreal ratio) { return std::abs(ratio - std::round(ratio)) < 1e-6; }

} // namespace

QImage areaScaled(const QImage& art, QSize size)
{
    if (art.isNull() || size.isEmpty() || size.width() < art.width() || size.height() < art.height()) {
        return art.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QImage source = art.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    const std::vector<Span> across = spans(source.width(), size.width());
    const std::vector<Span> down = spans(source.height(), size.height());
    for (int y = 0; y < size.height(); ++y) {
        const Span& row = down[static_cast<std::size_t>(y)];
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const Span& column = across[static_cast<std::size_t>(x)];
            std::array<double, 4> sum{}; // a, r, g, b
            for (std::size_t j = 0; j < row.weight.size(); ++j) {
                for (std::size_t i = 0; i < column.weight.size(); ++i) {
                    const double w = row.weight[j] * column.weight[i];
                    if (w <= 0) {
                        continue;
                    }
                    const QRgb p = source.pixel(column.first + static_cast<int>(i), row.first + static_cast<int>(j));
                    sum[0] += w * qAlpha(p);
                    sum[1] += w * qRed(p);
                    sum[2] += w * qGreen(p);
                    sum[3] += w * qBlue(p);
                }
            }
            const auto channel = [](double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); };
            line[x] = qRgba(channel(sum[1]), channel(sum[2]), channel(sum[3]), channel(sum[0]));
        }
    }
    return out;
}

const QImage& DeviceArt::forRatio(const QImage& art, qreal ratio)
{
    if (copy_.isNull() || source_ != art.cacheKey() || ratio_ != ratio) {
        const QSize size(static_cast<int>(std::lround(art.width() * ratio)),
                         static_cast<int>(std::lround(art.height() * ratio)));
        copy_ = areaScaled(art, size);
        copy_.setDevicePixelRatio(ratio);
        source_ = art.cacheKey();
        ratio_ = ratio;
    }
    return copy_;
}

void drawArt(QPainter& painter, QPoint at, const QImage& art, DeviceArt* cache)
{
    const qreal ratio = pixelRatio(painter);
    if (ratio == 0 || whole(ratio)) {
        // Nearest neighbour at a whole ratio repeats each pixel exactly.
        painter.drawImage(at, art);
        return;
    }
    DeviceArt own;
    const QImage& copy = (cache != nullptr ? cache : &own)->forRatio(art, ratio);
    // The corner on a whole device pixel, so that the copy lands pixel for pixel.
    const QTransform device = painter.deviceTransform();
    const QPointF corner = device.map(QPointF(at));
    const QPointF snapped(std::round(corner.x()), std::round(corner.y()));
    painter.drawImage(device.inverted().map(snapped), copy);
}

namespace {

// The image a tile shows, or null for a plain tile.
const QImage* imageOf(const Picture* picture, const QImage& stored)
{
    if (picture == nullptr) {
        return stored.isNull() ? nullptr : &stored;
    }
    const auto* tile = dynamic_cast<const TilePicture*>(picture);
    return tile != nullptr && !tile->image.isNull() ? &tile->image : nullptr;
}

} // namespace

QSize tileSize(const Picture* picture, const QImage& stored)
{
    const QImage* image = imageOf(picture, stored);
    return image != nullptr ? image->size() : QSize(TileSize, TileSize);
}

void drawTile(QPainter& painter, QPoint at, const Picture* picture, const QImage& stored, const std::string& tag,
              DeviceArt* storedCache)
{
    if (const QImage* image = imageOf(picture, stored)) {
        const auto* tile = dynamic_cast<const TilePicture*>(picture);
        drawArt(painter, at, *image, tile != nullptr ? &tile->device : storedCache);
        return;
    }
    // The stand-in for a lost bitmap: the tile's blue with its letter, so
    // the board stays readable and playable.
    const QRect square(at, QSize(TileSize, TileSize));
    painter.fillRect(square, QColor(0, 0, 160));
    painter.setPen(QColor(255, 255, 255));
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(22);
    font.setBold(true);
    painter.setFont(font);
    const auto* tile = dynamic_cast<const TilePicture*>(picture);
    std::string letter = tile != nullptr && !tile->letter.empty() ? tile->letter : tag;
    if (letter.empty()) {
        letter = "a"; // the preview's stored picture is the letter-A tile
    }
    const QString capital = QString::fromStdString(letter).toUpper();
    painter.drawText(square, Qt::AlignCenter, capital);
}

} // namespace lexidrop::ui
