// Writing the finished pictures to disk, each checked after writing.
//
// A bitmap is a 24-bit Windows BMP (the game relies on that format and
// depth; its header is read back and checked), an icon a PNG, and the about
// picture a GIF written with giflib from its palette, then decoded again and
// compared pixel by pixel.  Every failure throws std::runtime_error naming
// the file.
#pragma once

#include <QImage>
#include <QString>

#include <string>

namespace lexidrop::tools {

// Throws std::runtime_error with `what`.
[[noreturn]] void fail(const QString& what);

// Writes `image` as a 24-bit Windows bitmap and checks what was written.
void writeBmp(const QImage& image, const QString& path);

// Writes `image` as PNG.
void writePng(const QImage& image, const QString& path);

// Reduces `image` to 256 colours and writes it as GIF89a; checks that the
// file decodes to exactly the palette colours meant.
void writeGif(const QImage& image, const QString& path);

} // namespace lexidrop::tools
