// Tile pictures as the window loads and draws them.
//
// A LetterPictures loader reads a bitmap from its directory on every call
// (the game asks at each spawn; nothing is cached, so a file replaced on
// disk shows at the next spawn).  A file that is missing or unreadable
// gives a picture without an image, which the surface draws as a plain
// tile with the capital letter; each such file is reported once on stderr.
//
// Every picture of the game is a Windows bitmap, read by readBitmap() with
// Qt's built-in BMP reader alone.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QString>

#include <filesystem>
#include <set>
#include <string>

#include "game/port.h"

namespace lexidrop::ui {

// A picture the game holds for a tile; image is null when loading failed.
class TilePicture : public Picture {
public:
    TilePicture(QImage picture, std::string name) : image(std::move(picture)), letter(std::move(name)) {}
    QImage image;       // the bitmap at its own size
    std::string letter; // the file's stem, shown on the plain stand-in tile
};

class LetterPictures {
public:
    explicit LetterPictures(std::filesystem::path directory) : directory_(std::move(directory)) {}

    // Reads directory/fileName now.
    PicturePtr load(const std::string& fileName);

    // Files reported missing so far.
    const std::set<std::string>& reported() const { return reported_; }

private:
    std::filesystem::path directory_; // where the letter files are
    std::set<std::string> reported_;  // each failure is told once
};

// The Windows bitmap at path (a file or a resource), or a null image when it
// is missing or not a bitmap.
QImage readBitmap(const QString& path);

// Size a tile takes on screen: its picture's own size, a plain tile otherwise.
QSize tileSize(const Picture* picture, const QImage& stored);

// Draws a tile at its top-left corner: the picture, or for a null picture
// the stored image, or a plain blue tile with the capital of the picture's
// letter (or of tag when the picture names none).
void drawTile(QPainter& painter, QPoint at, const Picture* picture, const QImage& stored, const std::string& tag);

} // namespace lexidrop::ui
