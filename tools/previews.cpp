// The contact sheets of previews.h.
#include "previews.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include "about_art.h"
#include "colour.h"
#include "icon_art.h"
#include "panel_art.h"
#include "picture_files.h"
#include "tile_art.h"

namespace lexidrop::tools {

namespace {

constexpr int kGap = 8;             // between the pictures of a sheet
constexpr int kLettersPerRow = 13;
constexpr Rgba kIconBackground{200, 200, 200};

// `image` enlarged by a whole factor, each pixel a square block.
QImage enlarged(const QImage& image, int factor)
{
    return image.scaled(image.width() * factor, image.height() * factor, Qt::IgnoreAspectRatio,
                        Qt::FastTransformation);
}

QImage sheet(int width, int height, const QColor& background)
{
    QImage out(width, height, QImage::Format_RGB32);
    out.fill(background);
    return out;
}

// All letters at 4x, and below them at 1x touching, as on the board.
QImage letterSheet()
{
    constexpr int big = 4 * kTileSize;
    QImage out = sheet(kLettersPerRow * big + 2 * kGap, 2 * big + 2 * kGap + 2 * kTileSize + 24, Qt::black);
    QPainter p(&out);
    for (int i = 0; i < 26; ++i) {
        const QImage t = makeTile(QChar('A' + i), kTileSize);
        const int col = i % kLettersPerRow;
        const int row = i / kLettersPerRow;
        p.drawImage(kGap + col * big, kGap + row * big, enlarged(t, 4));
        p.drawImage(kGap + col * kTileSize, 2 * big + 24 + row * kTileSize, t);
    }
    return out;
}

// A close look at the hardest capitals, pixel by pixel.
QImage closeupSheet()
{
    const QString hard = QString::fromLatin1("AQWMGS");
    constexpr int big = 10 * kTileSize;
    QImage out = sheet(static_cast<int>(hard.size()) * (big + kGap) + kGap, big + 2 * kGap, Qt::black);
    QPainter p(&out);
    for (qsizetype i = 0; i < hard.size(); ++i)
        p.drawImage(kGap + static_cast<int>(i) * (big + kGap), kGap, enlarged(makeTile(hard.at(i), kTileSize), 10));
    return out;
}

// The A tile placed over the panel as the window shows it, at 4x and 1x.
QImage panelSheet()
{
    QImage panel = makePanel().convertToFormat(QImage::Format_RGB32);
    {
        QPainter p(&panel);
        p.drawImage(kPreviewX, kPreviewY, makeTile(QLatin1Char('A'), kTileSize));
    }
    QImage out = sheet(kPanelWidth * 5 + 3 * kGap, kPanelHeight * 4 + 2 * kGap, Qt::black);
    QPainter p(&out);
    p.drawImage(kGap, kGap, enlarged(panel, 4));
    p.drawImage(kPanelWidth * 4 + 2 * kGap, kGap, panel);
    return out;
}

// Every icon size side by side.
QImage iconSheet()
{
    int width = kGap;
    for (int s : kIconSizes)
        width += s + kGap;
    QImage out = sheet(width, kIconSizes.back() + 2 * kGap, toQColor(kIconBackground));
    QPainter p(&out);
    int x = kGap;
    for (int s : kIconSizes) {
        p.drawImage(x, kGap, makeIcon(s));
        x += s + kGap;
    }
    return out;
}

// The three smallest icons at 8x.
QImage smallIconSheet()
{
    QImage out = sheet((16 + 24 + 32) * 8 + 4 * kGap, 32 * 8 + 2 * kGap, toQColor(kIconBackground));
    QPainter p(&out);
    int x = kGap;
    for (int s : {16, 24, 32}) {
        p.drawImage(x, kGap, enlarged(makeIcon(s), 8));
        x += s * 8 + kGap;
    }
    return out;
}

} // namespace

void writePreviews(const QString& previewDir, const QString& aboutGif)
{
    if (!QDir().mkpath(previewDir))
        fail("cannot create " + previewDir);
    const QDir dir(previewDir);
    writePng(letterSheet(), dir.filePath("letters.png"));
    writePng(closeupSheet(), dir.filePath("closeup.png"));
    writePng(panelSheet(), dir.filePath("panel.png"));
    writePng(iconSheet(), dir.filePath("icons.png"));
    writePng(smallIconSheet(), dir.filePath("small_icons.png"));
    const QImage about = QImage(aboutGif).convertToFormat(QImage::Format_RGB32);
    writePng(enlarged(about, 2), dir.filePath("about.png"));
}

} // namespace lexidrop::tools
