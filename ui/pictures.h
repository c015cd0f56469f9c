// Tile pictures as the window loads and draws them.
//
// A LetterPictures loader reads a bitmap from its directory on every call
// (the game asks at each spawn; nothing is cached, so a file replaced on
// disk shows at the next spawn).  A file that is missing or unreadable
// gives a picture without an image, which the surface draws as a plain
// tile with the capital letter; each such file is reported once on stderr.
//
// Every picture of the game is a Windows bitmap.  A letter file on disk is
// read and decoded by our own reader (ui/bitmap_file.h) into a 32-bit
// image of no more than a tile can show, or refused whole: whatever the
// painter gets is pixels decoded completely from the file.  The pictures
// compiled into the program are our own, and Qt's BMP reader reads them.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <span>
#include <string>

#include "game/port.h"

namespace lexidrop::ui {

// A picture's copy for a screen whose device pixel ratio is not whole,
// made on first use and kept while the ratio stays the same.  At 1.5 a
// picture pixel is one and a half device pixels: repeating pixels would
// make some rows and columns one device pixel wide and some two (ragged
// bevels), so the copy gives every device pixel the average of the picture
// pixels it covers, by area.  The picture keeps its proportions exactly and
// an edge is at most one blended device pixel wide.
class DeviceArt {
public:
    // art resampled for ratio, with ratio as its own device pixel ratio.
    const QImage& forRatio(const QImage& art, qreal ratio);

private:
    qint64 source_ = 0; // cache key of the art the copy was made from
    qreal ratio_ = 0;   // the ratio it was made for
    QImage copy_;       // the resampled art
};

// art resampled to size, each target pixel the area-weighted average of the
// art's pixels under it (premultiplied, so transparent pixels do not bleed).
QImage areaScaled(const QImage& art, QSize size);

// Draws art with its top-left corner at a point of the painter's
// coordinates.  At a whole device pixel ratio every picture pixel becomes an
// exact block of device pixels; at a fractional one the art is resampled by
// area (through cache, when given) and its corner placed on the nearest
// device pixel, so a 32-pixel tile spans the same whole number of device
// pixels wherever it stands.
void drawArt(QPainter& painter, QPoint at, const QImage& art, DeviceArt* cache = nullptr);

// A picture the game holds for a tile; image is null when loading failed.
class TilePicture : public Picture {
public:
    TilePicture(QImage picture, std::string name) : image(std::move(picture)), letter(std::move(name)) {}
    QImage image;              // the bitmap at its own size
    std::string letter;        // the file's stem, shown on the plain stand-in tile
    mutable DeviceArt device;  // the bitmap as a fractional screen ratio shows it
};

class LetterPictures {
public:
    // Pictures wider or taller than shownAtMost (when given) keep only that
    // much, from their corner.  An empty directory reads nothing: every
    // letter is a plain tile, and nothing is reported.
    explicit LetterPictures(std::filesystem::path directory, QSize shownAtMost = QSize())
        : directory_(std::move(directory)), shownAtMost_(shownAtMost)
    {
    }

    // Reads directory/fileName now.
    PicturePtr load(const std::string& fileName);
    // Reads the picture of a letter now: a.bmp for "a".
    PicturePtr loadLetter(const std::string& letter) { return load(letter + ".bmp"); }

    // Files reported missing so far.
    const std::set<std::string>& reported() const { return reported_; }

private:
    // A picture just read, sharing the pixels of the file's last reading
    // when they are the same.
    QImage keep(const std::string& fileName, QImage image);

    std::filesystem::path directory_; // where the letter files are
    QSize shownAtMost_;               // the most of a picture kept
    std::set<std::string> reported_;  // each failure is told once
    std::map<std::string, QImage> lastRead_; // each file's last reading, for sharing its pixels
};

// The Windows bitmap at path (a file or a resource), or a null image when it
// is missing or not a bitmap.
QImage readBitmap(const QString& path);

// The letter file at path, opened by the bytes of its name, as an image of
// at most shownAtMost (when valid; otherwise of at most 4096 x 4096) from
// its top-left corner, or a null image when it is missing, too large or not
// a complete bitmap (see ui/bitmap_file.h).
QImage readBitmapFile(const std::filesystem::path& path, QSize shownAtMost = QSize());

// A bitmap file's bytes as readBitmapFile() shows them: Format_RGB32, or
// Format_ARGB32 when its pixels carry alpha; null when they are no bitmap.
QImage bitmapImage(std::span<const std::uint8_t> file, QSize shownAtMost = QSize());

// Size a tile takes on screen: its picture's own size, a plain tile otherwise.
QSize tileSize(const Picture* picture, const QImage& stored);

// Draws a tile at its top-left corner: the picture, or for a null picture
// the stored image (with its screen copy in storedCache, when given), or a
// plain blue tile with the capital of the picture's letter (or of tag when
// the picture names none).
void drawTile(QPainter& painter, QPoint at, const Picture* picture, const QImage& stored, const std::string& tag,
              DeviceArt* storedCache = nullptr);

} // namespace lexidrop::ui
