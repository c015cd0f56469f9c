// Feeds arbitrary bytes to the letter-file path as the window takes a file
// at a spawn: decoded into no more than a tile can show, made a 32-bit
// image, and drawn as a tile at the device pixel ratios of common screens
// (1, 1.5 and 2), a resampled copy at the fractional one.  What must hold
// for every file: the image is null or a 32-bit picture no larger than the
// shown area, the same bytes give the same image, and nothing reads or
// writes memory it does not own (the sanitizers watch our code; the image
// the painter gets is whole, so Qt's never reads past it either).
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <span>

#include "ui/pictures.h"
#include "ui/surface.h"

namespace {

using namespace lexidrop::ui;

void check(bool rule)
{
    if (!rule) {
        std::abort();
    }
}

void drawAt(const TilePicture& picture, qreal ratio)
{
    const QSize size = tileSize(&picture, QImage()) + QSize(2, 2);
    QImage canvas(size * ratio, QImage::Format_ARGB32_Premultiplied);
    check(!canvas.isNull());
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    drawTile(painter, {1, 1}, &picture, QImage(), "a");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The plain tile's letter needs fonts, which need a GUI application;
    // the offscreen platform needs no display.  Qt gets arguments of its
    // own, so that it takes none of libFuzzer's.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "letter_file_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> file(data, size);
    const QImage image = bitmapImage(file, TileShownAtMost);
    if (!image.isNull()) {
        check(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32);
        check(image.width() <= TileShownAtMost.width() && image.height() <= TileShownAtMost.height());
        check(bitmapImage(file, TileShownAtMost) == image);
    }
    const TilePicture picture(image, "a");
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        drawAt(picture, ratio);
    }
    return 0;
}
