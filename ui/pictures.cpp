#include "ui/pictures.h"

#include <QFont>
#include <QImageReader>

#include <cstdio>

#include "game/geometry.h"

namespace lexidrop::ui {

QImage readBitmap(const QString& path)
{
    // Naming the format and switching detection off keeps Qt to its own BMP
    // reader.  Left to detect, QImageReader asks every image plugin (gif,
    // ico, jpeg here) whether it can read the file, loading those not yet
    // loaded, and does so again at every spawn: work for formats the game
    // never uses.
    QImageReader reader(path, QByteArrayLiteral("bmp"));
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

PicturePtr LetterPictures::load(const std::string& fileName)
{
    const std::filesystem::path path = directory_ / fileName;
    QImage image = readBitmap(QString::fromStdString(path.string()));
    if (image.isNull() && reported_.insert(fileName).second) {
        // stdio, not iostream: the streams' start-up costs more than this
        // one message is worth.
        std::fprintf(stderr, "lexidrop: cannot read the tile picture %s; showing a plain tile instead\n",
                     path.string().c_str());
    }
    return std::make_shared<TilePicture>(std::move(image), path.stem().string());
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

void drawTile(QPainter& painter, QPoint at, const Picture* picture, const QImage& stored, const std::string& tag)
{
    if (const QImage* image = imageOf(picture, stored)) {
        painter.drawImage(at, *image);
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
