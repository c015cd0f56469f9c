// The window on a screen with a device pixel ratio above 1 (2 unless the
// run asks for another): the same layout in logical pixels; at a whole ratio
// tiles repeated pixel for pixel and text drawn at full resolution; at a
// fractional ratio tiles, panel and preview resampled evenly; every text
// still whole.
#include <QFontMetricsF>
#include <QLabel>
#include <QMenuBar>

#include <cmath>
#include <numeric>

#include "window_fixture.h"

namespace lexidrop::ui::testing {
namespace {

// The ratio this run asks for.
qreal requestedScale()
{
    bool ok = false;
    const qreal scale = qEnvironmentVariable("LEXIDROP_TEST_SCALE").toDouble(&ok);
    return ok ? scale : 2.0;
}

bool wholeScale() { return std::abs(requestedScale() - std::round(requestedScale())) < 1e-9; }

// Device pixels of a logical coordinate, rounded as the window places art.
int device(int logical) { return static_cast<int>(std::lround(logical * requestedScale())); }

// Where the first tile stands after one tick: column 3, one step down.
constexpr QPoint FirstTile(SpawnLeft, SpawnTop + FallStep);

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
        EXPECT_EQ(grabbed.devicePixelRatio(), requestedScale());
        return grabbed.toImage().convertToFormat(QImage::Format_RGB32);
    }
};

// A run at a whole ratio checks exact repetition; this is its ratio.
class WholeScaleTest : public HighDpiTest {
protected:
    void SetUp() override
    {
        if (!wholeScale()) {
            GTEST_SKIP() << "a fractional ratio resamples instead";
        }
        HighDpiTest::SetUp();
    }
    const int Scale = static_cast<int>(std::lround(requestedScale()));
};

// A run at a fractional ratio checks the resampled art.
class FractionalScaleTest : public HighDpiTest {
protected:
    void SetUp() override
    {
        if (wholeScale()) {
            GTEST_SKIP() << "a whole ratio repeats pixels instead";
        }
        HighDpiTest::SetUp();
    }
};

TEST_F(HighDpiTest, ScreenHasTheRequestedDevicePixelRatio)
{
    ASSERT_TRUE(showActive());
    EXPECT_EQ(window->devicePixelRatio(), requestedScale());
}

TEST_F(HighDpiTest, WindowKeepsItsLayoutInLogicalPixels)
{
    ASSERT_TRUE(showActive());
    EXPECT_EQ(window->surface()->size(), QSize(406, 479));
    EXPECT_EQ(window->width(), 406);
    EXPECT_EQ(window->height(), window->menuBar()->height() + 479);
    const auto* score = findLabel(*window, "LblScore");
    ASSERT_NE(score, nullptr);
    EXPECT_EQ(score->geometry(), QRect(294, 152, 99, 33));
    const QImage image = deviceClient();
    EXPECT_EQ(image.size(), QSize(device(406), device(479)));
}

TEST_F(WholeScaleTest, FrameLinesCoverWholeBlocksOfDevicePixels)
{
    ASSERT_TRUE(showActive());
    const QImage image = deviceClient();
    ASSERT_EQ(image.size(), QSize(406 * Scale, 479 * Scale));
    // The frame's outer left line (x = 18, light) covers both device columns.
    for (int y = 21 * Scale; y < 470 * Scale; ++y) {
        ASSERT_EQ(image.pixel(18 * Scale, y), qRgb(192, 192, 255)) << y;
        ASSERT_EQ(image.pixel(18 * Scale + 1, y), qRgb(192, 192, 255)) << y;
    }
    EXPECT_EQ(image.pixel(17 * Scale + 1, 100 * Scale), qRgb(0, 0, 0));
}

TEST_F(WholeScaleTest, TilePixelsAreRepeatedWithoutBlur)
{
    const QImage source = checkeredTile();
    ASSERT_TRUE(source.save(dir.filePath("a.bmp"), "BMP"));
    driver().masterTick(); // the first tile, an "a", enters the well
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

TEST_F(WholeScaleTest, StoredPicturesAreRepeatedWithoutBlur)
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

TEST_F(WholeScaleTest, CaptionTextIsDrawnAtFullResolution)
{
    ASSERT_TRUE(showActive());
    const auto* caption = findLabel(*window, "Label1");
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

// The reference for art shown at a fractional ratio: each device pixel the
// average of the art's pixels under it, worked out by blowing the art up
// pixel for pixel to a common multiple of both sizes and averaging blocks.
QImage areaReference(const QImage& art, int size)
{
    const int common = std::lcm(art.width(), size);
    const int commonHeight = std::lcm(art.height(), size * art.height() / art.width());
    const int height = size * art.height() / art.width();
    const QImage big = art.convertToFormat(QImage::Format_RGB32).scaled(common, commonHeight);
    const int bx = common / size;
    const int by = commonHeight / height;
    QImage out(size, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < size; ++x) {
            int r = 0, g = 0, b = 0;
            for (int j = 0; j < by; ++j) {
                for (int i = 0; i < bx; ++i) {
                    const QRgb p = big.pixel(x * bx + i, y * by + j);
                    r += qRed(p);
                    g += qGreen(p);
                    b += qBlue(p);
                }
            }
            const int n = bx * by;
            out.setPixel(x, y, qRgb((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n));
        }
    }
    return out;
}

// Largest difference of any channel between image (at corner) and reference.
int largestDifference(const QImage& image, QPoint corner, const QImage& reference, QRect part)
{
    int worst = 0;
    for (int y = part.top(); y <= part.bottom(); ++y) {
        for (int x = part.left(); x <= part.right(); ++x) {
            const QRgb a = image.pixel(corner + QPoint(x, y));
            const QRgb b = reference.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    }
    return worst;
}

constexpr int Tolerance = 3; // rounding of averaged channels

TEST_F(FractionalScaleTest, TileIsResampledEvenlyOnWholeDevicePixels)
{
    const QImage source = checkeredTile();
    ASSERT_TRUE(source.save(dir.filePath("a.bmp"), "BMP"));
    driver().masterTick(); // the first tile, an "a", enters the well
    const QImage image = deviceClient();
    const int size = device(32);
    ASSERT_EQ(size, 32 * requestedScale()) << "a tile spans a whole number of device pixels";
    const QPoint corner(device(FirstTile.x()), device(FirstTile.y()));
    const QImage reference = areaReference(source, size);
    EXPECT_LE(largestDifference(image, corner, reference, reference.rect()), Tolerance);
    // Outside the tile's device square the well is black on every side.
    for (int i = 0; i < size; ++i) {
        EXPECT_EQ(image.pixel(corner.x() - 1, corner.y() + i), qRgb(0, 0, 0)) << i;
        EXPECT_EQ(image.pixel(corner.x() + size, corner.y() + i), qRgb(0, 0, 0)) << i;
        EXPECT_EQ(image.pixel(corner.x() + i, corner.y() - 1), qRgb(0, 0, 0)) << i;
        EXPECT_EQ(image.pixel(corner.x() + i, corner.y() + size), qRgb(0, 0, 0)) << i;
    }
}

TEST_F(FractionalScaleTest, PanelAndPreviewAreResampledEvenly)
{
    const QImage panel(":/assets/next_piece.bmp");
    const QImage stored(":/assets/stored_a.bmp");
    if (panel.isNull() || stored.isNull()) {
        GTEST_SKIP() << "the stored pictures are not compiled in";
    }
    const QImage image = deviceClient();
    const QImage panelReference = areaReference(panel, device(104));
    // The panel's left part, clear of the preview tile.
    const QPoint panelCorner(device(PanelLeft), device(PanelTop));
    EXPECT_LE(largestDifference(image, panelCorner, panelReference, QRect(0, 0, device(30), device(72))), Tolerance);
    const QImage previewReference = areaReference(stored, device(32));
    EXPECT_LE(largestDifference(image, QPoint(device(PreviewLeft), device(PreviewTop)), previewReference, previewReference.rect()),
              Tolerance);
}

TEST_F(HighDpiTest, AFallingTileLeavesNoTrailBehind)
{
    ASSERT_TRUE(showActive());
    driver().stopMaster();
    // Until the tile has left its first square whole, and a little more.
    const auto& tiles = driver().state().ImgLetter;
    while (tiles.size() < 2 || tiles.at(1).Top <= FirstTile.y() + TileSize + FallStep) {
        driver().masterTick();
        QCoreApplication::processEvents();
    }
    const Tile& tile = tiles.at(1);
    ASSERT_GT(tile.Top, FirstTile.y() + TileSize);
    // Paint through the window's own repaints, not a fresh grab of the whole.
    window->surface()->repaint(QRect(FirstTile, QSize(32, 40)));
    const QImage screen = window->surface()->grab(QRect(100, 23, 66, static_cast<int>(tile.Top) - 23)).toImage();
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            ASSERT_EQ(screen.pixel(x, y) | 0xff000000, qRgb(0, 0, 0)) << x << "," << y;
        }
    }
}

// The pixels inside a label's one-pixel frame line, found in its grab
// rather than assumed at the grab's edges: at a fractional ratio the line
// covers two device pixels, and Qt 6.8 rounds the grab up past it, so the
// grab can end in a row and a column beyond the line.  A line is a row or
// column of frame pixels (as isLine tells them) nearly all the way across.
template <typename IsLine>
QRect insideFrame(const QImage& image, IsLine isLine)
{
    const auto lineColumn = [&](int x) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            n += isLine(image.pixel(x, y)) ? 1 : 0;
        }
        return n * 10 >= image.height() * 9;
    };
    const auto lineRow = [&](int y) {
        int n = 0;
        for (int x = 0; x < image.width(); ++x) {
            n += isLine(image.pixel(x, y)) ? 1 : 0;
        }
        return n * 10 >= image.width() * 9;
    };
    // From each edge: past anything outside the line, then past the line.
    const auto inner = [](int from, int step, int end, const auto& onLine) {
        int at = from;
        while (at != end && !onLine(at)) {
            at += step;
        }
        while (at != end && onLine(at)) {
            at += step;
        }
        return at;
    };
    const int left = inner(0, 1, image.width(), lineColumn);
    const int right = inner(image.width() - 1, -1, -1, lineColumn);
    const int top = inner(0, 1, image.height(), lineRow);
    const int bottom = inner(image.height() - 1, -1, -1, lineRow);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

TEST_F(HighDpiTest, TheWidestLastWordShowsWhole)
{
    ASSERT_TRUE(showActive());
    auto* last = findLabel(*window, "lblLast");
    ASSERT_NE(last, nullptr);
    for (const std::string& text : {lastWordText("momma", 48), lastWordText("mummy", 66)}) {
        window->labelChanged(Label::Last, 0, text);
        const QImage image = last->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto lit = [](QRgb pixel) { return qGray(pixel) > 96; };
        const QRect inside = insideFrame(image, lit);
        ASSERT_GT(inside.width(), image.width() / 2) << text << ": no frame line found";
        // The ink ends a few device pixels before the right line.
        int right = -1;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x) {
                if (lit(image.pixel(x, y))) {
                    right = std::max(right, x);
                }
            }
        }
        EXPECT_GT(right, image.width() / 2) << text;
        EXPECT_LT(right, inside.right() + 1 - device(2)) << text;
    }
}

TEST_F(HighDpiTest, EveryRowOfTheHelpColumnsShowsWhole)
{
    HelpWindow help;
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    for (const char* name : {"Label1", "Label2", "Label3", "Label4"}) {
        auto* column = help.findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(column, nullptr);
        const QImage image = column->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto ink = [](QRgb pixel) { return qGray(pixel) < 128; };
        const QRect inside = insideFrame(image, ink);
        ASSERT_GT(inside.height(), image.height() / 2) << name << ": no frame line found";
        // Ink rows grouped into lines; the last ends clear of the bottom line.
        int lines = 0;
        int lastInk = -1;
        bool inLine = false;
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            bool inRow = false;
            for (int x = inside.left(); x <= inside.right() && !inRow; ++x) {
                inRow = ink(image.pixel(x, y));
            }
            lines += inRow && !inLine ? 1 : 0;
            lastInk = inRow ? y : lastInk;
            inLine = inRow;
        }
        EXPECT_EQ(lines, 13) << name;
        EXPECT_LT(lastInk, inside.bottom() + 1 - device(2)) << name;
    }
}

} // namespace
} // namespace lexidrop::ui::testing
