// Letter pictures: read from disk at every use, a lost file drawn plainly;
// bitmaps of every kind a writer makes decoded as Qt's reader decodes them,
// and hostile ones refused whole.
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/bitmap_file.h"
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

// A bitmap file written field by field: the file header, an info header of
// headerSize bytes (masks after its first 40; a 40-byte header is followed
// by them), the colour table and the pixels as given.
struct Bitmap {
    std::int64_t width = 5;
    std::int64_t height = 3; // negative: rows from the top down
    int depth = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::vector<std::uint32_t> masks{};
    std::vector<std::uint32_t> table{}; // 0x00RRGGBB
    std::uint32_t colours = 0;          // biClrUsed
    std::string pixels{};
};

void put(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

std::string bitmapFile(const Bitmap& b)
{
    const bool core = b.headerSize == 12;
    std::string info;
    put(info, b.headerSize, 4);
    put(info, static_cast<std::uint64_t>(b.width), core ? 2 : 4);
    put(info, static_cast<std::uint64_t>(b.height), core ? 2 : 4);
    put(info, 1, 2);
    put(info, static_cast<std::uint64_t>(b.depth), 2);
    if (!core) {
        for (const std::uint32_t field : {b.compression, 0u, 2835u, 2835u, b.colours, 0u}) {
            put(info, field, 4);
        }
    }
    for (const std::uint32_t mask : b.masks) {
        put(info, mask, 4);
    }
    info.resize(std::max<std::size_t>(info.size(), b.headerSize), '\0');
    for (const std::uint32_t colour : b.table) {
        put(info, colour, core ? 3 : 4);
    }
    std::string file = "BM";
    put(file, 14 + info.size() + b.pixels.size(), 4);
    put(file, 0, 4);
    put(file, 14 + info.size(), 4);
    return file + info + b.pixels;
}

std::string randomBytes(std::size_t count, quint32 seed)
{
    QRandomGenerator random(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random.bounded(256));
    }
    return bytes;
}

// A full colour table for a depth, every entry different.
std::vector<std::uint32_t> fullTable(int depth)
{
    std::vector<std::uint32_t> table;
    for (std::uint32_t i = 0; i < (1u << depth); ++i) {
        table.push_back(i * 0x010307 % 0x1000000);
    }
    return table;
}

// Random rows (padding included) for a picture of the bitmap's size and depth.
Bitmap randomRows(Bitmap b, quint32 seed)
{
    const std::int64_t stride = (b.width * b.depth + 31) / 32 * 4;
    b.pixels = randomBytes(static_cast<std::size_t>(stride * std::abs(b.height)), seed);
    if (b.depth <= 8 && b.table.empty()) {
        b.table = fullTable(b.depth);
    }
    return b;
}

// Rows of 6 pixels, each two runs: three pixels alternating two indices,
// then three as they stand; an end of line after each, the end mark last.
std::string runs(int depth, int rows)
{
    std::string stream;
    for (int y = 0; y < rows; ++y) {
        const int a = (y * 5 + 1) % 16, b = (y * 3 + 2) % 16, c = (y + 7) % 16;
        if (depth == 8) {
            stream += {char(3), char(a * 9), char(0), char(3), char(b * 11), char(c * 13), char(a + b), char(0)};
        } else {
            stream += {char(3), char(a << 4 | b), char(0), char(3), char(c << 4 | a), char(b << 4)};
        }
        stream += {char(0), char(0)};
    }
    return stream + std::string{char(0), char(1)};
}

std::span<const std::uint8_t> bytesOf(const std::string& file)
{
    return {reinterpret_cast<const std::uint8_t*>(file.data()), file.size()};
}

QImage ours(const std::string& file, QSize most = QSize()) { return bitmapImage(bytesOf(file), most); }

QImage qts(const std::string& file)
{
    QByteArray bytes(file.data(), static_cast<qsizetype>(file.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    return reader.read();
}

::testing::AssertionResult samePixels(const QImage& got, const QImage& want, int tolerance = 0)
{
    const auto near = [tolerance](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
               std::abs(qBlue(a) - qBlue(b)) <= tolerance && qAlpha(a) == qAlpha(b);
    };
    if (got.isNull() || want.isNull() || got.size() != want.size()) {
        return ::testing::AssertionFailure() << "sizes " << got.width() << "x" << got.height() << " and "
                                             << want.width() << "x" << want.height();
    }
    for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x) {
            if (!near(got.pixel(x, y), want.pixel(x, y))) {
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": " << std::hex
                                                     << got.pixel(x, y) << " against " << want.pixel(x, y);
            }
        }
    }
    return ::testing::AssertionSuccess();
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

// The pictures the game ships, as Qt's reader gave them: every pixel test
// of the window was written against those.
TEST(BitmapFileTest, TheShippedPicturesDecodeToThePixelsQtsReaderGives)
{
    QStringList files{QStringLiteral(":/assets/stored_a.bmp"), QStringLiteral(":/assets/next_piece.bmp")};
    for (char c = 'a'; c <= 'z'; ++c) {
        files << QCoreApplication::applicationDirPath() + QStringLiteral("/%1.bmp").arg(QChar(c));
    }
    for (const QString& name : files) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(samePixels(ours(bytes.toStdString()), qts(bytes.toStdString()))) << name.toStdString();
    }
}

// A bitmap of one kind, and what Qt reads instead when it does not read
// that kind itself: the same picture in a kind it reads.
struct Kind {
    const char* kind;
    std::string file;
    std::string equal;
};

// Every kind a bitmap writer makes, each a small picture of random pixels.
std::vector<Kind> everyKind()
{
    const std::vector<std::uint32_t> rgb{0xff0000, 0x00ff00, 0x0000ff};
    const std::vector<std::uint32_t> rgba{0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000};
    const std::vector<std::uint32_t> rgb565{0xf800, 0x07e0, 0x001f};
    const std::vector<std::uint32_t> bgr{0x0000ff, 0x00ff00, 0xff0000};
    std::vector<Kind> cases{
        {"1 bit, 7 wide", bitmapFile(randomRows({.width = 7, .depth = 1}, 1)), {}},
        {"4 bits", bitmapFile(randomRows({.depth = 4}, 2)), {}},
        {"8 bits, top down", bitmapFile(randomRows({.height = -3, .depth = 8}, 3)), {}},
        {"16 bits, 5-5-5", bitmapFile(randomRows({.depth = 16}, 4)), {}},
        {"16 bits, 5-6-5", bitmapFile(randomRows({.depth = 16, .compression = 3, .masks = rgb565}, 5)), {}},
        {"24 bits, top down", bitmapFile(randomRows({.height = -3}, 6)), {}},
        {"32 bits, alpha byte unused", bitmapFile(randomRows({.depth = 32}, 7)), {}},
        {"32 bits, masks reversed", bitmapFile(randomRows({.depth = 32, .compression = 3, .masks = bgr}, 8)), {}},
        {"core header, 8 bits", bitmapFile(randomRows({.depth = 8, .headerSize = 12}, 10)), {}},
        {"core header, 24 bits", bitmapFile(randomRows({.headerSize = 12}, 11)), {}},
        {"RLE8", bitmapFile({.width = 6, .depth = 8, .compression = 1, .table = fullTable(8), .pixels = runs(8, 3)}), {}},
        {"RLE4", bitmapFile({.width = 6, .depth = 4, .compression = 2, .table = fullTable(4), .pixels = runs(4, 3)}), {}},
    };
    const Bitmap masked = randomRows({.depth = 32, .compression = 3, .headerSize = 108, .masks = rgba}, 12);
    const auto as = [&masked](std::uint32_t compression, std::uint32_t header, std::vector<std::uint32_t> masks) {
        Bitmap b = masked;
        b.compression = compression;
        b.headerSize = header;
        b.masks = std::move(masks);
        return bitmapFile(b);
    };
    cases.push_back({"V4 header", bitmapFile(masked), {}});
    cases.push_back({"V5 header", as(3, 124, rgba), {}});
    cases.push_back({"V4 alpha without bitfields", as(0, 108, rgba), bitmapFile(masked)});
    cases.push_back({"V3 header", as(3, 56, rgba), bitmapFile(masked)});
    cases.push_back({"V2 header", as(3, 52, rgb), as(3, 40, rgb)});
    cases.push_back({"alpha bitfields", as(6, 40, rgba), bitmapFile(masked)});
    return cases;
}

// Each kind decoded as Qt's reader decodes the same picture, and any of
// them cut short by even a byte decoded as nothing.
TEST(BitmapFileTest, EveryKindDecodesAsQtsReaderAndNothingCutShortDecodes)
{
    for (const Kind& c : everyKind()) {
        const QImage qt = qts(c.equal.empty() ? c.file : c.equal);
        ASSERT_FALSE(qt.isNull()) << c.kind;
        // Qt 6.4 widens a channel of fewer than 8 bits by shifting it (a
        // 5-bit white is 248), later versions scale it to the full range
        // (255): the same picture either way, and the decoder does as 6.4.
        const int widening = std::string_view(c.kind).starts_with("16 bits") ? 7 : 0;
        EXPECT_TRUE(samePixels(ours(c.file), qt, widening)) << c.kind;
        EXPECT_EQ(ours(c.file).format(), qt.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32) << c.kind;
        for (std::size_t length = 0; length < c.file.size(); ++length) {
            ASSERT_TRUE(ours(c.file.substr(0, length)).isNull()) << c.kind << " cut to " << length << " bytes";
        }
    }
}

// Files that are no whole bitmap, each for one reason.
std::vector<std::pair<const char*, std::string>> malformedFiles()
{
    const std::vector<std::uint32_t> two{0x000000, 0xffffff};
    const std::string runsPast = bitmapFile({.width = 6, .depth = 8, .compression = 1, .table = two,
                                             .pixels = std::string{char(4), char(9), char(0), char(1)}});
    std::string offsetInHeader = bitmapFile(randomRows({}, 1));
    offsetInHeader.at(10) = 20;
    return {
        {"sides of 0x7fffffff, depth 0xffff", bitmapFile({.width = 0x7fffffff, .height = 0x7fffffff, .depth = 0xffff})},
        {"a side of 0", bitmapFile(randomRows({.width = 0}, 1))},
        {"a height of 0", bitmapFile({.height = 0})},
        {"a negative width", bitmapFile({.width = -5})},
        {"the lowest height", bitmapFile({.height = -0x80000000LL})},
        {"a side past the bound", bitmapFile(randomRows({.width = MaxBitmapSide + 1, .height = 1, .depth = 1}, 1))},
        {"depth 7", bitmapFile(randomRows({.depth = 7}, 1))},
        {"JPEG compression", bitmapFile(randomRows({.compression = 4}, 1))},
        {"bitfields at 24 bits", bitmapFile(randomRows({.compression = 3, .masks = {0xff, 0xff00, 0xff0000}}, 1))},
        {"a mask with a gap", bitmapFile(randomRows({.depth = 32, .compression = 3, .masks = {0xf0f000, 0xff, 0}}, 1))},
        {"a mask past 16 bits", bitmapFile(randomRows({.depth = 16, .compression = 3, .masks = {0x1f0000, 0, 0}}, 1))},
        {"a header of 64 bytes", bitmapFile(randomRows({.headerSize = 64}, 1))},
        {"pixels inside the header", offsetInHeader},
        {"rows past the end", bitmapFile({.width = 2, .height = 2, .pixels = std::string(8, '\0')})},
        {"top-down runs", bitmapFile({.width = 6, .height = -3, .depth = 8, .compression = 1, .table = fullTable(8),
                                      .pixels = runs(8, 3)})},
        {"a run of an index past the table", runsPast},
        {"an index past the table", bitmapFile({.width = 4, .height = 1, .depth = 8, .table = two,
                                                .pixels = std::string{char(0), char(1), char(200), char(1)}})},
        {"a delta cut short", bitmapFile({.depth = 8, .compression = 1, .table = two,
                                          .pixels = std::string{char(0), char(2), char(5)}})},
        {"RLE4 ending inside a run", bitmapFile({.depth = 4, .compression = 2, .table = fullTable(4),
                                                 .pixels = std::string{char(0), char(8), char(0x12), char(0x34)}})},
        {"not BM", "BA" + bitmapFile(randomRows({}, 1)).substr(2)},
    };
}

TEST(BitmapFileTest, MalformedFilesDecodeAsNothing)
{
    for (const auto& [kind, file] : malformedFiles()) {
        EXPECT_TRUE(ours(file).isNull()) << kind;
    }
    // An index past the table is refused even where no tile shows it.
    const std::vector<std::uint32_t> two{0x000000, 0xffffff};
    std::string farCorner = bitmapFile({.width = 4, .height = 2, .depth = 8, .table = two, .pixels = std::string(8, '\0')});
    farCorner.at(farCorner.size() - 8 + 3) = 1;
    EXPECT_FALSE(ours(farCorner, QSize(1, 1)).isNull());
    farCorner.at(farCorner.size() - 8 + 3) = 2;
    EXPECT_TRUE(ours(farCorner, QSize(1, 1)).isNull());
}

// Pixels a stream passes over are black; a header may claim any size, and
// no more than a tile shows is ever made.
TEST(BitmapFileTest, RunLengthPixelsLeftUnsetAreBlackAndOnlyTheShownCornerIsMade)
{
    const std::vector<std::uint32_t> table{0x102030, 0x405060};
    // Right 2 and up 1, one pixel of index 1, the end.
    const std::string stream{char(0), char(2), char(2), char(1), char(1), char(1), char(0), char(1)};
    const std::string file = bitmapFile({.width = 4, .height = 3, .depth = 8, .compression = 1, .table = table,
                                         .pixels = stream});
    const QImage image = ours(file);
    ASSERT_EQ(image.size(), QSize(4, 3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(image.pixel(x, y), x == 2 && y == 1 ? qRgb(0x40, 0x50, 0x60) : qRgb(0, 0, 0)) << x << "," << y;
        }
    }
    EXPECT_TRUE(ours(file) == image) << "every reading the same";

    const std::string vast = bitmapFile({.width = MaxBitmapSide, .height = MaxBitmapSide, .depth = 4, .compression = 2,
                                         .table = table, .pixels = std::string{char(0), char(1)}});
    const QImage corner = ours(vast, QSize(385, 520));
    EXPECT_EQ(corner.size(), QSize(385, 520));
    EXPECT_EQ(corner.pixel(384, 519), qRgb(0, 0, 0));
}

// A tile drawn at (1, 1) on a white screen of a device pixel ratio: its
// first device pixel, which at 1.5 a resampled copy gives unblended.
QRgb firstDevicePixel(const PicturePtr& picture, qreal ratio)
{
    QImage canvas(QSize(40, 40) * ratio, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    drawTile(painter, {1, 1}, picture.get(), QImage(), "a");
    painter.end();
    const int corner = static_cast<int>(std::round(ratio));
    return canvas.pixel(corner, corner);
}

// Tiles of hostile letter files as the window draws them at every screen
// ratio: a plain tile, or one picture that every reading gives alike.
TEST(LetterPicturesTest, HostileFilesGiveAPlainTileOrOneImageEveryTimeAtEveryRatio)
{
    const std::vector<std::uint32_t> two{0x00ff00, 0xff0000};
    const std::string rowOfRuns{char(0), char(0), char(6), char(1), char(0), char(1)}; // the top row only
    const std::vector<std::pair<std::string, std::string>> files{
        // Sides and depth past any arithmetic on them.
        {"v", bitmapFile({.width = 0x7fffffff, .height = 0x7fffffff, .depth = 0xffff})},
        {"w", bitmapFile({.width = 32, .height = 32, .depth = 8, .compression = 1, .table = fullTable(8),
                          .pixels = std::string{char(32), char(1)}})}, // one run, then no more stream
        // Four bits a pixel, the stream ending inside a run.
        {"x", bitmapFile({.width = 32, .height = 32, .depth = 4, .compression = 2, .table = fullTable(4),
                          .pixels = std::string{char(0), char(5), char(0x12), char(0x34)}})},
        // Two colours in the table, indices up to 255 in the rows.
        {"y", bitmapFile(randomRows({.width = 32, .height = 32, .depth = 8, .table = two}, 1))},
        // Its end mark after the top row: the rest is left unset.
        {"z", bitmapFile({.width = 6, .height = 2, .depth = 8, .compression = 1, .table = two, .pixels = rowOfRuns})},
    };
    QTemporaryDir dir;
    for (const auto& [letter, bytes] : files) {
        QFile file(dir.filePath(QString::fromStdString(letter + ".bmp")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    LetterPictures pictures(dir.path().toStdString());
    for (const auto& [letter, bytes] : files) {
        const PicturePtr picture = pictures.loadLetter(letter);
        const QImage& image = dynamic_cast<const TilePicture&>(*picture).image;
        for (int again = 0; again < 2; ++again) {
            EXPECT_TRUE(dynamic_cast<const TilePicture&>(*pictures.loadLetter(letter)).image == image)
                << letter << " read again differs";
        }
        EXPECT_EQ(image.isNull(), letter != "z") << letter;
        for (const qreal ratio : {1.0, 1.5, 2.0}) {
            EXPECT_EQ(firstDevicePixel(picture, ratio), image.isNull() ? qRgb(0, 0, 160) : image.pixel(0, 0))
                << letter << " at " << ratio;
        }
    }
    EXPECT_EQ(pictures.reported().size(), files.size() - 1);
}

// Stored from the top row down (a negative height), as some writers do.
TEST(LetterPicturesTest, ATopDownBitmapShowsUpright)
{
    QImage picture(32, 32, QImage::Format_RGB32);
    std::string rows;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            picture.setPixel(x, y, qRgb(8 * x, 8 * y, 100));
            rows += {char(100), char(8 * y), char(8 * x)};
        }
    }
    QTemporaryDir dir;
    QFile file(dir.filePath("t.bmp"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(bitmapFile({.width = 32, .height = -32, .pixels = rows})));
    file.close();
    LetterPictures pictures(dir.path().toStdString());
    EXPECT_TRUE(samePixels(dynamic_cast<const TilePicture&>(*pictures.load("t.bmp")).image, picture));
}

// A file past the bound is refused for its size, however it would decode,
// and one that reads on past the size it gives is cut off.
TEST(LetterPicturesTest, AFileLargerThanTheBoundIsRefusedAndOneAtItShows)
{
    QTemporaryDir dir;
    const std::filesystem::path folder = QFile::encodeName(dir.path()).toStdString();
    const std::string black = bitmapFile({.width = 2000, .height = 2000}); // its rows a hole in a sparse file
    for (const auto& [name, size] : {std::pair{"a.bmp", MaxLetterFileBytes}, std::pair{"b.bmp", MaxLetterFileBytes + 1},
                                     std::pair{"c.bmp", std::int64_t{256} * 1024 * 1024}}) {
        std::ofstream(folder / name, std::ios::binary) << black;
        std::filesystem::resize_file(folder / name, static_cast<std::uintmax_t>(size));
    }
    std::filesystem::create_symlink("/proc/self/pagemap", folder / "d.bmp");
    LetterPictures pictures(folder, QSize(40, 30));
    const QImage shown = dynamic_cast<const TilePicture&>(*pictures.loadLetter("a")).image;
    EXPECT_EQ(shown.size(), QSize(40, 30));
    for (const char* letter : {"b", "c", "d"}) {
        EXPECT_TRUE(dynamic_cast<const TilePicture&>(*pictures.loadLetter(letter)).image.isNull()) << letter;
    }
}

// Without a folder the loader has nowhere to read from, and never reads a
// file of the letter's name from wherever the program was started.
TEST(LetterPicturesTest, AnEmptyFolderReadsNothingFromTheWorkingFolder)
{
    QTemporaryDir dir;
    writeTile(dir, "a.bmp", qRgb(10, 200, 30));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    LetterPictures pictures{std::filesystem::path()};
    const PicturePtr picture = pictures.loadLetter("a");
    ASSERT_TRUE(QDir::setCurrent(before));
    EXPECT_TRUE(dynamic_cast<const TilePicture&>(*picture).image.isNull());
    EXPECT_EQ(dynamic_cast<const TilePicture&>(*picture).letter, "a");
}

// A folder named in Latin-1 ("café"), as an older system may have made it.
TEST(LetterPicturesTest, AFolderWhoseNameIsNotUtf8StillReads)
{
    QTemporaryDir dir;
    const std::filesystem::path folder = std::filesystem::path(QFile::encodeName(dir.path()).toStdString()) / "caf\xe9";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    std::ofstream(folder / "k.bmp", std::ios::binary) << bitmapFile({.width = 1, .height = 1, .pixels = std::string("\x10\x20\x30", 4)});
    LetterPictures pictures(folder);
    const QImage image = dynamic_cast<const TilePicture&>(*pictures.loadLetter("k")).image;
    EXPECT_FALSE(image.isNull());
    EXPECT_EQ(image.isNull() ? 0 : image.pixel(0, 0), qRgb(0x30, 0x20, 0x10));
    std::filesystem::remove_all(folder); // QTemporaryDir cannot name it
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
