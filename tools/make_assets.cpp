// make_assets: draws every picture LexiDrop ships and writes them into a
// directory (the repository's assets/):
//
//   a.bmp .. z.bmp   the 32 x 32 letter tiles, loaded by the game at run time
//   stored_a.bmp     the letter-A tile compiled into the program (preview at start)
//   next_piece.bmp   the 104 x 72 panel behind the preview tile
//   about.gif        the 254 x 367 picture of the about window
//   icons/hicolor/<N>x<N>/apps/org.lexidrop.LexiDrop.png   desktop icons
//   drawn-with.txt   the Qt and font versions that drew them (see below)
//
// With `--preview DIR` it also writes enlarged PNG contact sheets into DIR
// for looking at the art (they are not part of the game).  The output is
// deterministic, so regenerating never churns git.
#include <QDir>
#include <QFontInfo>
#include <QFile>
#include <QGuiApplication>
#include <QRawFont>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <exception>
#include <optional>

#include "about_art.h"
#include "drawing.h"
#include "icon_art.h"
#include "panel_art.h"
#include "picture_files.h"
#include "previews.h"
#include "tile_art.h"

namespace {

using namespace lexidrop::tools;

// What the command line asked for.
struct Options {
    QString outDir;     // where the pictures go
    QString previewDir; // where the contact sheets go; empty for none
};

// ASSETS_DIR [--preview DIR], in either order; nothing for anything else.
std::optional<Options> parseArguments(const QStringList& args)
{
    Options options;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--preview") && i + 1 < args.size())
            options.previewDir = args.at(++i);
        else if (options.outDir.isEmpty() && !args.at(i).startsWith(QLatin1Char('-')))
            options.outDir = args.at(i);
        else
            return std::nullopt;
    }
    if (options.outDir.isEmpty())
        return std::nullopt;
    return options;
}

// The outlines depend on the face: refuse to draw with a substitute.
void requireSerifFace()
{
    const QFontInfo info(serifFont(20));
    if (info.family() != QLatin1String(kSerifFamily))
        fail(QString::fromLatin1("the serif face \"%1\" is missing (got \"%2\"); install fonts-liberation")
                 .arg(QLatin1String(kSerifFamily), info.family()));
}

// The version a font file gives itself: record 5 of its name table, in
// the Windows (UTF-16) or Unicode form.  Empty when it has none.
QString fontVersion(const QFont& font)
{
    const QByteArray table = QRawFont::fromFont(font).fontTable("name");
    const auto word = [&](qsizetype at) {
        return at + 2 <= table.size() ? int(uchar(table.at(at))) << 8 | uchar(table.at(at + 1)) : -1;
    };
    const int count = word(2);
    const int strings = word(4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + 12 * qsizetype(i);
        const int platform = word(record);
        if (word(record + 6) != 5 || (platform != 0 && platform != 3))
            continue;
        const QByteArray utf16 = table.mid(strings + word(record + 10), word(record + 8));
        QString version;
        for (qsizetype at = 0; at + 1 < utf16.size(); at += 2)
            version += QChar(ushort(uchar(utf16.at(at)) << 8 | uchar(utf16.at(at + 1))));
        return version;
    }
    return QString();
}

// What the pictures' pixels depend on beyond this code: Qt's rasteriser
// and the serif face's outlines.  Another release of either may shift the
// antialiased edges a little, so the check of the committed pictures reads
// this to know whether it may ask for the same bytes.
QString drawnWith()
{
    return QString::fromLatin1("Qt %1; %2 Bold %3; %2 Italic %4\n")
        .arg(QLatin1String(qVersion()), QLatin1String(kSerifFamily), fontVersion(serifFont(20)),
             fontVersion(serifFont(20, SerifStyle::Italic)));
}

void writeDrawnWith(const QDir& dir)
{
    QFile file(dir.filePath("drawn-with.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(drawnWith().toUtf8()) < 0 ||
        !file.flush())
        fail("cannot write " + file.fileName());
}

void writeLetterTiles(const QDir& dir)
{
    for (char c = 'a'; c <= 'z'; ++c) {
        const QImage tile = makeTile(QChar(c).toUpper(), kTileSize);
        writeBmp(tile, dir.filePath(QString(QChar(c)) + ".bmp"));
        if (c == 'a')
            writeBmp(tile, dir.filePath("stored_a.bmp"));
    }
}

void writeIcons(const QDir& dir)
{
    for (int size : kIconSizes) {
        const QString sub = QString::fromLatin1("icons/hicolor/%1x%1/apps").arg(size);
        if (!dir.mkpath(sub))
            fail("cannot create " + dir.filePath(sub));
        writePng(makeIcon(size), dir.filePath(sub + "/org.lexidrop.LexiDrop.png"));
    }
}

void run(const Options& options)
{
    if (!QDir().mkpath(options.outDir))
        fail("cannot create " + options.outDir);
    const QDir dir(options.outDir);
    requireSerifFace();
    writeLetterTiles(dir);
    writeBmp(makePanel(), dir.filePath("next_piece.bmp"));
    writeGif(makeAbout(), dir.filePath("about.gif"));
    writeIcons(dir);
    writeDrawnWith(dir);
    if (!options.previewDir.isEmpty())
        writePreviews(options.previewDir, dir.filePath("about.gif"));
}

} // namespace

int main(int argc, char** argv)
{
    // Drawing needs fonts but no screen: run on the offscreen platform unless
    // the caller chose one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication app(argc, argv);
    const std::optional<Options> options = parseArguments(QGuiApplication::arguments());
    if (!options) {
        std::fprintf(stderr, "usage: make_assets ASSETS_DIR [--preview DIR]\n");
        return 2;
    }
    try {
        run(*options);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_assets: %s\n", e.what());
        return 1;
    }
}
