// Letter pictures: read from disk at every use, a lost file drawn plainly.
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "ui/keys.h"
#include "ui/pictures.h"

namespace lexidrop::ui {
namespace {

void writeTile(const QTemporaryDir& dir, const char* name, QRgb colour)
{
    QImage tile(32, 32, QImage::Format_RGB888);
    tile.fill(colour);
    ASSERT_TRUE(tile.save(dir.filePath(name), "BMP"));
}

QRgb shown(const PicturePtr& picture)
{
    QImage canvas(32, 32, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    drawTile(painter, {0, 0}, picture.get(), QImage(), "a");
    painter.end();
    return canvas.pixel(16, 16);
}

TEST(LetterPicturesTest, EveryLoadReadsTheFileAnew)
{
    QTemporaryDir dir;
    writeTile(dir, "k.bmp", qRgb(10, 200, 30));
    LetterPictures pictures(dir.path().toStdString());
    EXPECT_EQ(shown(pictures.load("k.bmp")), qRgb(10, 200, 30));
    writeTile(dir, "k.bmp", qRgb(200, 10, 30));
    EXPECT_EQ(shown(pictures.load("k.bmp")), qRgb(200, 10, 30));
}

TEST(LetterPicturesTest, MissingOrUnreadableFileGivesAPlainTileAndIsReportedOnce)
{
    QTemporaryDir dir;
    QFile broken(dir.filePath("r.bmp"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a bitmap");
    broken.close();
    LetterPictures pictures(dir.path().toStdString());
    const PicturePtr missing = pictures.load("q.bmp");
    ASSERT_NE(missing, nullptr);
    pictures.load("q.bmp");
    pictures.load("r.bmp");
    EXPECT_EQ(pictures.reported().size(), 2u);
    EXPECT_EQ(tileSize(missing.get(), QImage()), QSize(32, 32));

    QImage canvas(32, 32, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    drawTile(painter, {0, 0}, missing.get(), QImage(), "q");
    painter.end();
    EXPECT_GT(qBlue(canvas.pixel(1, 1)), 100);
    int white = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            white += canvas.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
        }
    }
    EXPECT_GT(white, 10);
}

TEST(LetterPicturesTest, APictureShowsAtItsOwnSize)
{
    QTemporaryDir dir;
    QImage big(64, 64, QImage::Format_RGB888);
    big.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(big.save(dir.filePath("b.bmp"), "BMP"));
    LetterPictures pictures(dir.path().toStdString());
    EXPECT_EQ(tileSize(pictures.load("b.bmp").get(), QImage()), QSize(64, 64));
    // No picture at all is the stored tile, at the stored tile's size.
    QImage stored(32, 32, QImage::Format_RGB32);
    EXPECT_EQ(tileSize(nullptr, stored), QSize(32, 32));
}

// A tile holds no more of a picture than it can show, and tiles of one
// unchanged file share its pixels: a huge bitmap costs one small copy.
TEST(LetterPicturesTest, AHugePictureKeepsWhatATileCanShowAndRereadingsShareIt)
{
    QTemporaryDir dir;
    QImage huge(900, 700, QImage::Format_RGB888);
    huge.fill(qRgb(7, 8, 9));
    huge.setPixel(99, 79, qRgb(250, 1, 1));
    ASSERT_TRUE(huge.save(dir.filePath("h.bmp"), "BMP"));
    LetterPictures pictures(dir.path().toStdString(), QSize(100, 80));
    const PicturePtr first = pictures.load("h.bmp");
    const PicturePtr second = pictures.load("h.bmp");
    const auto& kept = dynamic_cast<const TilePicture&>(*first).image;
    EXPECT_EQ(kept.size(), QSize(100, 80));
    EXPECT_EQ(kept.pixel(99, 79), qRgb(250, 1, 1)) << "the corner the tile shows is kept as it is";
    EXPECT_EQ(dynamic_cast<const TilePicture&>(*second).image.constBits(), kept.constBits());
    writeTile(dir, "h.bmp", qRgb(1, 2, 3));
    EXPECT_EQ(shown(pictures.load("h.bmp")), qRgb(1, 2, 3)) << "a changed file still shows at the next load";
}

TEST(AreaScaledTest, WholeFactorsRepeatPixelsAndFractionalOnesBlendOnlyAtEdges)
{
    // Two columns, red and blue, two rows alike.
    QImage art(2, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        art.setPixel(0, y, qRgb(200, 0, 0));
        art.setPixel(1, y, qRgb(0, 0, 200));
    }
    struct Case {
        int size;                  // target width and height
        std::vector<QRgb> firstRow; // expected, left to right
    };
    const std::vector<Case> cases{
        {2, {qRgb(200, 0, 0), qRgb(0, 0, 200)}},
        {4, {qRgb(200, 0, 0), qRgb(200, 0, 0), qRgb(0, 0, 200), qRgb(0, 0, 200)}},
        // 1.5: each colour gets one and a half pixels, the middle one shared.
        {3, {qRgb(200, 0, 0), qRgb(100, 0, 100), qRgb(0, 0, 200)}},
        // 2.5: two pixels each, the middle shared half and half.
        {5, {qRgb(200, 0, 0), qRgb(200, 0, 0), qRgb(100, 0, 100), qRgb(0, 0, 200), qRgb(0, 0, 200)}},
    };
    for (const Case& c : cases) {
        const QImage scaled = areaScaled(art, QSize(c.size, c.size)).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(scaled.size(), QSize(c.size, c.size));
        for (int y = 0; y < c.size; ++y) {
            for (int x = 0; x < c.size; ++x) {
                EXPECT_EQ(scaled.pixel(x, y), c.firstRow.at(static_cast<std::size_t>(x)))
                    << "size " << c.size << " at " << x << "," << y;
            }
        }
    }
}

TEST(AreaScaledTest, ResamplingKeepsTheArtsAverageColour)
{
    QImage art(32, 32, QImage::Format_RGB32);
    long sum = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const int v = (x * 37 + y * 11) % 256;
            art.setPixel(x, y, qRgb(v, 255 - v, v / 2));
            sum += v;
        }
    }
    for (const int size : {40, 48, 56}) {
        const QImage scaled = areaScaled(art, QSize(size, size));
        long scaledSum = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                scaledSum += qRed(scaled.pixel(x, y));
            }
        }
        EXPECT_NEAR(static_cast<double>(scaledSum) / (size * size), static_cast<double>(sum) / (32 * 32), 0.5) << size;
    }
}

TEST(ReadBitmapTest, ReadsWindowsBitmapsFromFilesAndResourcesAndNothingElse)
{
    QTemporaryDir dir;
    writeTile(dir, "k.bmp", qRgb(10, 200, 30));
    const QImage tile = readBitmap(dir.filePath("k.bmp"));
    ASSERT_FALSE(tile.isNull());
    EXPECT_EQ(tile.size(), QSize(32, 32));
    EXPECT_EQ(tile.pixel(5, 5), qRgb(10, 200, 30));

    // The two pictures stored with the window.
    EXPECT_EQ(readBitmap(":/assets/stored_a.bmp").size(), QSize(32, 32));
    EXPECT_EQ(readBitmap(":/assets/next_piece.bmp").size(), QSize(104, 72));

    // Another format under a .bmp name is no bitmap, and neither is nothing.
    QImage png(32, 32, QImage::Format_RGB32);
    png.fill(qRgb(1, 2, 3));
    ASSERT_TRUE(png.save(dir.filePath("p.bmp"), "PNG"));
    EXPECT_TRUE(readBitmap(dir.filePath("p.bmp")).isNull());
    EXPECT_TRUE(readBitmap(dir.filePath("missing.bmp")).isNull());
}

TEST(KeyCodesTest, OnlyTheThreeArrowsSteerAndEveryOtherKeyIsIgnored)
{
    EXPECT_EQ(gameKey(Qt::Key_Left), Key::Left);
    EXPECT_EQ(gameKey(Qt::Key_Right), Key::Right);
    EXPECT_EQ(gameKey(Qt::Key_Down), Key::Down);
    for (int other : {Qt::Key_Up, Qt::Key_Space, Qt::Key_A, Qt::Key_F1, Qt::Key_Escape, Qt::Key_Return}) {
        EXPECT_EQ(gameKey(other), Key::Other) << other;
    }
}

} // namespace
} // namespace lexidrop::ui
