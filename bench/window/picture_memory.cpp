// picture_memory: what the window holds for tiles whose letter files are
// large, on the offscreen platform.
//
// Every letter file is written as a size x size bitmap in a scratch
// directory; the window fills its well tile by tile (each tile loads its
// picture, as a spawn does) and is painted after each row.  Printed: the
// resident memory before the first tile, after `tiles` tiles, and per tile.
//
// Usage: picture_memory [size] [tiles]   (defaults 2000 and 40)
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driving.h"
#include "ui/main_window.h"

namespace lexidrop::ui::measure {

namespace {

constexpr int DefaultSize = 2000;
constexpr int DefaultTiles = 40;
constexpr int Rows = 14; // rows of the well filled, floor first
constexpr double MiB = 1024.0 * 1024.0;

// The process's resident memory, in MiB, from the kernel's status file.
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024.0 / MiB;
        }
    }
    return 0;
}

bool writeLetters(const QTemporaryDir& dir, int size)
{
    QImage picture(size, size, QImage::Format_RGB888);
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        picture.fill(qRgb(letter, 40, 200));
        if (!picture.save(dir.filePath(QString(QChar(letter)) + QStringLiteral(".bmp")), "BMP")) {
            return false;
        }
    }
    return true;
}

int measure(int size, int tiles)
{
    QTemporaryDir dir;
    if (!dir.isValid() || !writeLetters(dir, size)) {
        std::printf("cannot write the letter files\n");
        return 1;
    }
    MainWindow window(dataPathsIn(dir.path().toStdString()));
    if (!showActive(window)) {
        return 1;
    }
    WindowDriver(window).stopMaster(); // the well is filled by hand
    window.grab();
    const double before = residentMiB();
    GameSetup setup = WindowDriver(window).setup();
    for (int i = 0; i < tiles; ++i) {
        const int column = i % Columns;
        const int row = FloorRow - (i / Columns) % Rows;
        setup.placeTile(column, row, std::string(1, static_cast<char>('a' + i % 26)));
        if (column == Columns - 1) {
            window.grab();
        }
    }
    window.grab();
    const double after = residentMiB();
    std::printf("letter files %d x %d, tiles %d: resident %.1f MiB before, %.1f MiB after, %.2f MiB per tile\n",
                size, size, tiles, before, after, (after - before) / std::max(1, tiles));
    return 0;
}

} // namespace

} // namespace lexidrop::ui::measure

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int size = argc > 1 ? std::max(1, std::atoi(argv[1])) : lexidrop::ui::measure::DefaultSize;
    const int tiles = argc > 2 ? std::max(1, std::atoi(argv[2])) : lexidrop::ui::measure::DefaultTiles;
    return lexidrop::ui::measure::measure(size, tiles);
}
