// The window on a screen with a device pixel ratio of 2: the same layout in
// logical pixels, tiles doubled pixel for pixel, text drawn at full
// resolution.
#include <QLabel>
#include <QMenuBar>

#include "window_fixture.h"

namespace lexidrop::ui::testing {
namespace {

constexpr int Scale = 2;
// Where the first tile stands after one tick: column 3, one step down.
constexpr QPoint FirstTile(117, 31);

// A tile whose every pixel differs from its neighbours, so any smoothing
// of the scaled picture changes pixels.
QImage checkeredTile()
{
    QImage tile(32, 32, QImage::Format_RGB888);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            tile.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(250, 10 + 7 * x, 5) : qRgb(5, 20, 240 - 7 * y));
        }
    }
    return tile;
}

class HighDpiTest : public WindowTest {
protected:
    // The client area in device pixels.
    QImage deviceClient() const
    {
        const QPixmap grabbed = window->surface()->grab();
        EXPECT_EQ(grabbed.devicePixelRatio(), Scale);
        return grabbed.toImage().convertToFormat(QImage::Format_RGB32);
    }
};

TEST_F(HighDpiTest, ScreenHasADevicePixelRatioOfTwo)
{
    showActive();
    EXPECT_EQ(window->devicePixelRatio(), Scale);
}

TEST_F(HighDpiTest, WindowKeepsItsLayoutInLogicalPixels)
{
    showActive();
    EXPECT_EQ(window->surface()->size(), QSize(406, 479));
    EXPECT_EQ(window->width(), 406);
    EXPECT_EQ(window->height(), window->menuBar()->height() + 479);
    const auto* score = window->surface()->findChild<QLabel*>(QStringLiteral("LblScore"));
    ASSERT_NE(score, nullptr);
    EXPECT_EQ(score->geometry(), QRect(294, 152, 99, 33));

    const QImage image = deviceClient();
    ASSERT_EQ(image.size(), QSize(406 * Scale, 479 * Scale));
    // The frame's outer left line (x = 18, light) covers both device columns.
    for (int y = 21 * Scale; y < 470 * Scale; ++y) {
        ASSERT_EQ(image.pixel(18 * Scale, y), qRgb(192, 192, 255)) << y;
        ASSERT_EQ(image.pixel(18 * Scale + 1, y), qRgb(192, 192, 255)) << y;
    }
    EXPECT_EQ(image.pixel(17 * Scale + 1, 100 * Scale), qRgb(0, 0, 0));
}

TEST_F(HighDpiTest, TilePixelsAreDoubledWithoutBlur)
{
    const QImage source = checkeredTile();
    ASSERT_TRUE(source.save(dir.filePath("a.bmp"), "BMP"));
    window->game().TmrMaster_Timer(); // the first tile, an "a", enters the well
    const QImage image = deviceClient();
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb expected = source.pixel(x, y) | 0xff000000;
            for (int dy = 0; dy < Scale; ++dy) {
                for (int dx = 0; dx < Scale; ++dx) {
                    const QPoint at((FirstTile.x() + x) * Scale + dx, (FirstTile.y() + y) * Scale + dy);
                    ASSERT_EQ(image.pixel(at), expected) << "tile pixel " << x << "," << y << " at " << at.x()
                                                         << "," << at.y();
                }
            }
        }
    }
    // Just outside the tile the well is black: the edge is one device pixel sharp.
    EXPECT_EQ(image.pixel(FirstTile.x() * Scale - 1, (FirstTile.y() + 10) * Scale), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel((FirstTile.x() + 10) * Scale, FirstTile.y() * Scale - 1), qRgb(0, 0, 0));
}

TEST_F(HighDpiTest, StoredPicturesAreDoubledWithoutBlur)
{
    const QImage panel(":/assets/next_piece.bmp");
    if (panel.isNull()) {
        GTEST_SKIP() << "the stored pictures are not compiled in";
    }
    const QImage image = deviceClient();
    // The panel's left part, clear of the preview tile.
    for (int y = 0; y < 72; ++y) {
        for (int x = 0; x < 30; ++x) {
            const QRgb expected = panel.pixel(x, y) | 0xff000000;
            const QPoint at((PanelLeft + x) * Scale, (PanelTop + y) * Scale);
            ASSERT_EQ(image.pixel(at), expected) << x << "," << y;
            ASSERT_EQ(image.pixel(at + QPoint(1, 1)), expected) << x << "," << y;
        }
    }
}

TEST_F(HighDpiTest, CaptionTextIsDrawnAtFullResolution)
{
    showActive();
    const auto* caption = window->surface()->findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(caption, nullptr);
    const QImage image = deviceClient();
    // "Score:" in its box: text scaled up from a low-resolution drawing would
    // consist of uniform 2x2 blocks; text drawn for the screen has edges
    // inside them.
    const QRect box(caption->geometry().topLeft() * Scale, caption->geometry().size() * Scale);
    int lit = 0;
    int split = 0;
    for (int y = box.top() + 4; y + 1 < box.top() + 40 * Scale; y += Scale) {
        for (int x = box.left() + 4; x + 1 < box.right() - 4; x += Scale) {
            const QRgb a = image.pixel(x, y);
            lit += qGray(a) > 128 ? 1 : 0;
            if (a != image.pixel(x + 1, y) || a != image.pixel(x, y + 1) || a != image.pixel(x + 1, y + 1)) {
                ++split;
            }
        }
    }
    EXPECT_GT(lit, 20) << "the caption shows";
    EXPECT_GT(split, 20) << "glyph edges fall between device pixels of one logical pixel";
}

} // namespace
} // namespace lexidrop::ui::testing
