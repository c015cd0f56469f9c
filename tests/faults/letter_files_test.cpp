// Broken letter files: the window shows what it can and the game goes on.
//
// Each test spoils the scratch directory's bitmaps, then lets the real
// timers run fast (5 ms) so that tiles spawn, fall, land and games end
// (their boxes answered at once), and looks at the client area.
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ui/pictures.h"
#include "window_fixture.h"

namespace lexidrop::ui::testing {
namespace {

class LetterFileFaults : public WindowTest {
protected:
    // Plays with fast timers until `ticks` master ticks have run (or, when
    // asked, a game has been lost).  It ASSERTs: call it inside
    // ASSERT_NO_FATAL_FAILURE, so that a stalled game ends the test.
    void play(int ticks, bool untilLost = false)
    {
        int seen = 0;
        const auto counting = driver().onMasterTimeout(window.get(), [&seen] { ++seen; });
        driver().setMasterInterval(5);
        driver().setSettleInterval(5);
        QTimer boxes;
        QObject::connect(&boxes, &QTimer::timeout, [] { answerBox(QStringLiteral("tester")); });
        boxes.start(10);
        if (driver().state().TmrMasterEnabled) {
            driver().startMaster(); // untilFallingBelow held it
        }
        QElapsedTimer limit;
        limit.start();
        while (seen < ticks && !(untilLost && driver().gamesLost() > 0) && limit.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        QObject::disconnect(counting);
        driver().setMasterInterval(TickMilliseconds);
        driver().setSettleInterval(TickMilliseconds);
        ASSERT_TRUE(seen >= ticks || (untilLost && driver().gamesLost() > 0)) << "the game stopped ticking";
    }

    const Tile& falling() const
    {
        return driver().state().ImgLetter.at(static_cast<std::size_t>(driver().state().CurrentTile));
    }

    // Waits until a tile falls with its top at least this far down (inside
    // ASSERT_NO_FATAL_FAILURE, as play).
    void untilFallingBelow(float top)
    {
        driver().setMasterInterval(5);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return driver().state().Falling && falling().Visible && falling().Top >= top; }, 5000));
        driver().stopMaster();
        driver().setMasterInterval(TickMilliseconds);
        QCoreApplication::processEvents();
    }

    static bool standIn(QRgb colour) { return colour == qRgb(0, 0, 160); }

    int landed() const
    {
        int count = 0;
        for (const std::string& cell : driver().state().Board) {
            count += cell.empty() ? 0 : 1;
        }
        return count;
    }
};

TEST_F(LetterFileFaults, AllTwentySixMissingShowPlainTilesAndGamesGoOn)
{
    for (char c = 'a'; c <= 'z'; ++c) {
        ASSERT_TRUE(QFile::remove(dir.filePath(QString(QChar(c)) + ".bmp")));
    }
    ASSERT_TRUE(showActive());
    ASSERT_NO_FATAL_FAILURE(untilFallingBelow(60));
    const Tile tile = falling();
    const QImage image = client();
    EXPECT_TRUE(standIn(image.pixel(static_cast<int>(tile.Left) + 1, static_cast<int>(tile.Top) + 1)));
    ASSERT_NO_FATAL_FAILURE(play(2000, /*untilLost=*/true));
    ASSERT_GE(driver().gamesLost(), 1);
    ASSERT_NO_FATAL_FAILURE(play(100)); // and the next game runs
    EXPECT_TRUE(window->isVisible());
}

TEST_F(LetterFileFaults, ALetterFileOfRandomBytesShowsAPlainTileAndPlayGoesOn)
{
    QRandomGenerator random(99);
    for (const char* name : {"a.bmp", "e.bmp"}) {
        QByteArray noise(4096, '\0');
        for (char& byte : noise) {
            byte = static_cast<char>(random.bounded(256));
        }
        if (name[0] == 'e') {
            noise.replace(0, 2, "BM"); // a bitmap's signature, so the decoder reads on
        }
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(noise);
    }
    ASSERT_TRUE(showActive());
    ASSERT_NO_FATAL_FAILURE(untilFallingBelow(60)); // the first tile is always an "a"
    const Tile tile = falling();
    ASSERT_EQ(tile.Tag, "a");
    EXPECT_TRUE(standIn(client().pixel(static_cast<int>(tile.Left) + 1, static_cast<int>(tile.Top) + 1)));
    ASSERT_NO_FATAL_FAILURE(play(400));
    EXPECT_GT(landed() + driver().gamesLost(), 0) << "tiles landed";
}

// Whoever opens a pipe to read waits for a writer.  While it lives, a
// PipeWatch keeps trying to open the pipe to write without waiting, which
// succeeds only when such a reader waits, and lets the reader go.
class PipeWatch {
public:
    explicit PipeWatch(const QString& pipe) : name_(QFile::encodeName(pipe)), thread_([this] { watch(); }) {}
    ~PipeWatch() { stop(); }
    PipeWatch(const PipeWatch&) = delete;
    PipeWatch& operator=(const PipeWatch&) = delete;
    // Stops watching: whether a reader ever waited.
    bool stop()
    {
        done_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return readerWaited_;
    }

private:
    void watch()
    {
        while (!done_) {
            const int fd = ::open(name_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                readerWaited_ = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    QByteArray name_;
    std::atomic<bool> done_{false};
    std::atomic<bool> readerWaited_{false};
    std::thread thread_;
};

// A pipe under a letter's name would block the window thread in open()
// until someone wrote to it; a link to a device reads forever or not at
// all.  A bitmap cut short would show whatever memory the missing rows got.
TEST_F(LetterFileFaults, APipeADeviceOrACutShortBitmapShowsAPlainTileAndPlayGoesOn)
{
    const QString a = dir.filePath(QStringLiteral("a.bmp"));
    ASSERT_TRUE(QFile::remove(a));
    ASSERT_EQ(::mkfifo(QFile::encodeName(a).constData(), 0644), 0);
    for (const char* name : {"e.bmp", "t.bmp"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(QFile::remove(path));
        ASSERT_TRUE(QFile::link(name[0] == 'e' ? QStringLiteral("/dev/zero") : QStringLiteral("/dev/ptmx"), path));
    }
    QFile cut(dir.filePath(QStringLiteral("s.bmp")));
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite));
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    cut.close();
    PipeWatch watch(a);
    ASSERT_TRUE(showActive());
    ASSERT_NO_FATAL_FAILURE(untilFallingBelow(60)); // the first tile is always an "a"
    const Tile tile = falling();
    EXPECT_TRUE(standIn(client().pixel(static_cast<int>(tile.Left) + 1, static_cast<int>(tile.Top) + 1)));
    ASSERT_NO_FATAL_FAILURE(play(400));
    EXPECT_EQ(tile.Tag, "a");
    EXPECT_FALSE(watch.stop()) << "the window waited on the pipe";
    EXPECT_GT(landed() + driver().gamesLost(), 0) << "tiles landed";
    EXPECT_TRUE(readBitmap(dir.filePath(QStringLiteral("s.bmp"))).isNull()) << "half a bitmap is no bitmap";
}

TEST_F(LetterFileFaults, ALetterFile64By64ShowsAtItsOwnSizeAndPlayGoesOn)
{
    QImage big(64, 64, QImage::Format_RGB888);
    big.fill(qRgb(250, 20, 20));
    ASSERT_TRUE(big.save(dir.filePath("a.bmp"), "BMP"));
    ASSERT_TRUE(showActive());
    ASSERT_NO_FATAL_FAILURE(untilFallingBelow(100));
    const Tile tile = falling();
    ASSERT_EQ(tile.Tag, "a");
    const int left = static_cast<int>(tile.Left), top = static_cast<int>(tile.Top);
    EXPECT_EQ(window->surface()->paintedRect(driver().state().CurrentTile), QRect(left, top, 64, 64));
    const QImage image = client();
    EXPECT_EQ(image.pixel(left, top), qRgb(250, 20, 20));
    EXPECT_EQ(image.pixel(left + 63, top + 63), qRgb(250, 20, 20));
    EXPECT_NE(image.pixel(left + 64, top + 64), qRgb(250, 20, 20));
    // Moving it repaints the whole big square: nothing of it is left behind.
    QTest::keyClick(window->surface(), Qt::Key_Left);
    ASSERT_TRUE(QTest::qWaitFor([&] { return client().pixel(left + 63, top + 1) == qRgb(0, 0, 0); }));
    ASSERT_NO_FATAL_FAILURE(play(400));
    EXPECT_GT(landed() + driver().gamesLost(), 0) << "tiles landed";
}

} // namespace
} // namespace lexidrop::ui::testing
