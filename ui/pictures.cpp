#include "ui/pictures.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QImageReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "game/geometry.h"

namespace lexidrop::ui {

namespace {

// The most a letter file may hold: far beyond any tile picture, and as
// much as Qt's reader decodes at all.
constexpr qint64 MaxBitmapFileBytes = 256LL * 1024 * 1024;

bool regular(const struct stat& info) { return S_ISREG(info.st_mode) && info.st_size <= MaxBitmapFileBytes; }

// The rest of an open file, up to the limit; nothing on a read error.
std::optional<QByteArray> readAll(int fd, qint64 expected)
{
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(expected));
    std::array<char, 64 * 1024> piece{};
    while (bytes.size() <= MaxBitmapFileBytes) {
        const ssize_t got = ::read(fd, piece.data(), piece.size());
        if (got == 0) {
            return bytes;
        }
        if (got < 0 && errno != EINTR) {
            return std::nullopt;
        }
        bytes.append(piece.data(), got > 0 ? static_cast<qsizetype>(got) : 0);
    }
    return std::nullopt;
}

// The bytes of a regular file.  A pipe, a device or a directory under the
// name (or at the end of a link) gives nothing, and is never waited on:
// opening a pipe for reading blocks until someone writes to it.
std::optional<QByteArray> regularFileBytes(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !regular(info)) {
        return std::nullopt;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<QByteArray> bytes; // checked again: the name may have been replaced meanwhile
    if (::fstat(fd, &info) == 0 && regular(info)) {
        bytes = readAll(fd, info.st_size);
    }
    ::close(fd);
    return bytes;
}

std::uint32_t littleEndian(const QByteArray& bytes, qsizetype at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    }
    return value;
}

// Whether a bitmap ends before its pixels do.  Qt's reader shows such a
// file with whatever the missing rows held in memory.
bool cutShort(const QByteArray& bytes)
{
    constexpr qsizetype CoreHeaderEnd = 26; // file header and the oldest (OS/2) info header
    if (bytes.size() < CoreHeaderEnd || !bytes.startsWith("BM")) {
        return false; // not a bitmap at all: the reader refuses it
    }
    const bool core = littleEndian(bytes, 14, 4) == 12;
    if (!core && bytes.size() < 34) {
        return true;
    }
    const std::int64_t width = core ? littleEndian(bytes, 18, 2) : static_cast<std::int32_t>(littleEndian(bytes, 18, 4));
    const std::int64_t height = core ? littleEndian(bytes, 20, 2) : static_cast<std::int32_t>(littleEndian(bytes, 22, 4));
    const std::int64_t depth = littleEndian(bytes, core ? 24 : 28, 2);
    const std::uint32_t compression = core ? 0 : littleEndian(bytes, 30, 4);
    constexpr std::uint32_t Plain = 0, BitFields = 3, AlphaBitFields = 6;
    if (compression != Plain && compression != BitFields && compression != AlphaBitFields) {
        // Run-length coded: only the file size the header gives can tell.
        return littleEndian(bytes, 2, 4) > static_cast<std::uint32_t>(bytes.size());
    }
    const std::int64_t stride = (std::abs(width) * depth + 31) / 32 * 4;
    return littleEndian(bytes, 10, 4) + stride * std::abs(height) > bytes.size();
}

QImage readBitmapFrom(QIODevice* device)
{
    // Naming the format and switching detection off keeps Qt to its own BMP
    // reader.  Left to detect, QImageReader asks every image plugin (gif,
    // ico, jpeg here) whether it can read the file, loading those not yet
    // loaded, and does so again at every spawn: work for formats the game
    // never uses.
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
    std::optional<QByteArray> bytes = regularFileBytes(path.toStdString());
    if (!bytes || cutShort(*bytes)) {
        return {};
    }
    QBuffer buffer(&*bytes);
    buffer.open(QIODevice::ReadOnly);
    return readBitmapFrom(&buffer);
}

QImage LetterPictures::keep(const std::string& fileName, QImage image)
{
    // A tile shows its picture at its own size, from its corner; what lies
    // beyond the client area from the highest and leftmost corner a tile
    // takes is never seen, and is not kept.
    if (shownAtMost_.isValid() && (image.width() > shownAtMost_.width() || image.height() > shownAtMost_.height())) {
        image = image.copy(0, 0, std::min(image.width(), shownAtMost_.width()),
                           std::min(image.height(), shownAtMost_.height()));
    }
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
    const std::filesystem::path path = directory_ / fileName;
    QImage image = keep(fileName, readBitmap(QString::fromStdString(path.string())));
    if (image.isNull() && reported_.insert(fileName).second) {
        // stdio, not iostream: the streams' start-up costs more than this
        // one message is worth.
        std::fprintf(stderr, "lexidrop: cannot read the tile picture %s; showing a plain tile instead\n",
                     path.string().c_str());
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
