// The window driving the game: ticks, keys, focus, repaints, the lost game, closing.
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPushButton>

#include <chrono>
#include <iterator>
#include <thread>

#include "window_fixture.h"

namespace lexidrop::ui::testing {
namespace {

using BehaviourTest = WindowTest;

const Tile& falling(MainWindow& window)
{
    const GameState& state = WindowDriver(window).state();
    return state.ImgLetter.at(static_cast<std::size_t>(state.CurrentTile));
}

TEST_F(BehaviourTest, MasterTimerRunsEvery250MsFromTheFirstShowAndTheSettleTimerWaits)
{
    EXPECT_FALSE(driver().masterRunning());
    ASSERT_TRUE(showActive());
    EXPECT_TRUE(driver().masterRunning());
    EXPECT_EQ(TickMilliseconds, 250) << "the game's own pace";
    EXPECT_EQ(driver().masterInterval(), TickMilliseconds);
    EXPECT_FALSE(driver().settleRunning());
    EXPECT_EQ(driver().settleInterval(), TickMilliseconds);
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver().state().Falling; }, 2000));
    EXPECT_EQ(falling(*window).Tag, "a");
}

TEST_F(BehaviourTest, KeyPressMovesTheFallingTileInTheSameTurn)
{
    const int right = leftOfColumn(SpawnColumn + 1);
    driver().masterTick();
    ASSERT_EQ(falling(*window).Left, SpawnLeft);
    QTest::keyClick(window->surface(), Qt::Key_Left);
    EXPECT_EQ(falling(*window).Left, leftOfColumn(SpawnColumn - 1));
    QTest::keyClick(window->surface(), Qt::Key_Right);
    QTest::keyClick(window->surface(), Qt::Key_Right);
    EXPECT_EQ(falling(*window).Left, right);
    const float top = falling(*window).Top;
    QTest::keyClick(window->surface(), Qt::Key_Down);
    EXPECT_EQ(falling(*window).Top, top + DropStep);
    QTest::keyClick(window->surface(), Qt::Key_Up);
    QTest::keyClick(window->surface(), Qt::Key_Space);
    QTest::keyClick(window->surface(), Qt::Key_Q);
    EXPECT_EQ(falling(*window).Left, right);
    EXPECT_EQ(falling(*window).Top, top + DropStep);
    EXPECT_EQ(window->surface()->paintedRect(driver().state().CurrentTile),
              QRect(right, static_cast<int>(top) + DropStep, TileSize, TileSize));
}

TEST_F(BehaviourTest, AutoRepeatedKeysEachMoveTheTile)
{
    driver().masterTick();
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, QString(), /*autorep=*/i > 0);
        QCoreApplication::sendEvent(window->surface(), &repeat);
    }
    EXPECT_EQ(falling(*window).Left, WellLeft);
}

// Collects the region each paint of the surface covers.
class PaintRecorder : public QObject {
public:
    QRegion painted;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        return false;
    }
};

// The client area as the window's backing store holds it, which is what
// reaches the screen; grab() would paint it afresh instead.
QImage onScreen(MainWindow& window)
{
    const QPoint at = window.surface()->mapTo(&window, QPoint(0, 0));
    return window.screen()
        ->grabWindow(window.winId(), at.x(), at.y(), ClientWidth, ClientHeight)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

TEST_F(BehaviourTest, AFallStepPaintsOnlyTheStripTheTileLeaves)
{
    ASSERT_TRUE(showActive());
    driver().stopMaster();
    driver().masterTick(); // spawn and first step
    QCoreApplication::processEvents();
    QTest::qWait(50);

    PaintRecorder recorder;
    window->surface()->installEventFilter(&recorder);
    const Tile before = falling(*window);
    driver().masterTick(); // one fall step
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.paints > 0; }));
    window->surface()->removeEventFilter(&recorder);

    const int top = static_cast<int>(before.Top);
    EXPECT_TRUE(recorder.painted.contains(QRect(SpawnLeft, top, TileSize, FallStep)));
    EXPECT_LT(area(recorder.painted), ClientWidth * ClientHeight / 50)
        << "painted " << area(recorder.painted) << " pixels";
    const QImage screen = onScreen(*window);
    const int middle = SpawnLeft + TileSize / 2;
    EXPECT_EQ(screen.pixel(middle, top + FallStep), letterColour('a'));
    EXPECT_EQ(screen.pixel(middle, top + FallStep - 1), qRgb(0, 0, 0));
}

// Slid pixels and repainted ones must add up to what a full paint shows,
// through falls, moves, drops, landings and new tiles.
TEST_F(BehaviourTest, TheScreenMatchesAFullPaintAfterEveryStepOfPlay)
{
    // Tiles striped row by row, so that a tile off by a row shows.
    for (char c = 'a'; c <= 'z'; ++c) {
        QImage tile(TileSize, TileSize, QImage::Format_RGB888);
        for (int y = 0; y < TileSize; ++y) {
            for (int x = 0; x < TileSize; ++x) {
                tile.setPixel(x, y, qRgb(8 * y, 9 * (c - 'a'), 255 - 8 * y));
            }
        }
        ASSERT_TRUE(tile.save(dir.filePath(QString(QChar(c)) + ".bmp"), "BMP"));
    }
    window = std::make_unique<MainWindow>(dataPathsIn(dir.path().toStdString()));
    ASSERT_TRUE(showActive());
    driver().stopMaster();
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Down, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down};
    for (int step = 0; step < 160; ++step) {
        driver().masterTick();
        if (step % 7 == 3) {
            QTest::keyClick(window->surface(), keys[(step / 7) % std::size(keys)]);
        }
        // Paints wait for the window's next frame.
        ASSERT_TRUE(QTest::qWaitFor([this] { return onScreen(*window) == client(); }, 1000))
            << "after step " << step;
    }
}

TEST_F(BehaviourTest, DeactivationPausesAndActivationResumesTheMasterTimer)
{
    ASSERT_TRUE(showActive());
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(window.get(), &deactivate);
    EXPECT_FALSE(driver().state().TmrMasterEnabled);
    EXPECT_FALSE(driver().masterRunning());
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window.get(), &activate);
    EXPECT_TRUE(driver().state().TmrMasterEnabled);
    EXPECT_TRUE(driver().masterRunning());
}

TEST_F(BehaviourTest, GameStandsStillWhileTheHelpWindowIsActiveAndGoesOnAfter)
{
    ASSERT_TRUE(showActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver().state().Falling; }, 2000));
    window->mnuHow_Click();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window->helpWindow()));
    EXPECT_FALSE(driver().masterRunning());
    const float top = falling(*window).Top;
    QTest::qWait(700);
    EXPECT_EQ(falling(*window).Top, top);

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_TRUE(driver().masterRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return falling(*window).Top > top; }, 2000));
    EXPECT_NE(window->helpWindow(), nullptr); // the help window stays open beside it
}

TEST_F(BehaviourTest, TheFocusRequestOfATickNeverActivatesTheWindow)
{
    ASSERT_TRUE(showActive());
    window->mnuHow_Click();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window->helpWindow()));
    window->giveFocus();
    driver().masterTick();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), window->helpWindow());
    EXPECT_EQ(window->focusWidget(), window->surface());
}

TEST_F(BehaviourTest, LabelsShowTheTextsTheGameWrites)
{
    window->labelChanged(Label::Score, 0, " 42");
    window->labelChanged(Label::Last, 0, "cat");
    window->labelChanged(Label::Name, 9, "Ann");
    window->labelChanged(Label::HighScore, 9, "17");
    window->labelChanged(Label::HighScore, 10, "99"); // no such place: ignored
    auto text = [&](const char* name) { return label(name)->text(); };
    EXPECT_EQ(text("LblScore"), " 42");
    EXPECT_EQ(text("lblLast"), "cat");
    EXPECT_EQ(text("LblName9"), "Ann");
    EXPECT_EQ(text("LblHs9"), "17");
}

TEST_F(BehaviourTest, ALostGameShowsYouLoseWithPlayFrozenUnderItThenStartsAfresh)
{
    ASSERT_TRUE(showActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver().state().Falling; }, 2000));
    const float top = falling(*window).Top;
    bool frozen = false;
    whenBoxOpens([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "You Lose");
        QTest::qWait(700); // nearly three ticks' time with the box open
        frozen = driver().state().ImgLetter.size() > 1 && falling(*window).Top == top;
        box->button(QMessageBox::Ok)->click();
    });
    // A tile at rest in row -1 ends the game.
    ASSERT_NO_FATAL_FAILURE(driver().landLetter(SpawnLeft, topOfRow(-1), "a"));
    EXPECT_TRUE(frozen);
    EXPECT_EQ(driver().state().TileCount, 0);
    EXPECT_EQ(label("LblScore")->text(), "0");
    // The window comes back to the front of its own accord and play goes on.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver().state().TileCount == 1; }, 2000));
}

// The disk of a network share that hangs: every flush takes SlowFlush.
class SlowDisk : public FileSystem {
public:
    static constexpr std::chrono::seconds SlowFlush{5};
    bool sync(int handle) override
    {
        std::this_thread::sleep_for(SlowFlush);
        return FileSystem::sync(handle);
    }
};

// Closes "You Lose" with OK, then answers the name prompt with name, each
// as it comes up, polled by timer: the second box opens only once the
// first one's own event loop has ended.
void answerBoxes(QTimer& timer, const QString& name)
{
    QObject::connect(&timer, &QTimer::timeout, [&timer, name] {
        QWidget* box = QApplication::activeModalWidget();
        if (auto* prompt = qobject_cast<QInputDialog*>(box)) {
            timer.stop();
            prompt->setTextValue(name);
            prompt->accept();
        } else if (auto* lost = qobject_cast<QMessageBox*>(box)) {
            lost->button(QMessageBox::Ok)->click();
        }
    });
    timer.start(20);
}

TEST_F(BehaviourTest, TheWindowKeepsAnsweringKeysWhileItsSaveWaitsOnASlowDisk)
{
    window.reset();
    QFile fresh(dir.filePath("hs.txt")); // a whole empty table: nothing to save at the start
    ASSERT_TRUE(fresh.open(QIODevice::WriteOnly));
    fresh.write(QByteArray("\"\"\r\n0\r\n").repeated(10));
    fresh.close();
    SlowDisk disk;
    window = std::make_unique<MainWindow>(dataPathsIn(dir.path().toStdString()), disk);
    ASSERT_TRUE(showActive());
    driver().stopMaster();
    driver().setup().setScore(57);
    QTimer answering;
    answerBoxes(answering, "Ann");
    ASSERT_NO_FATAL_FAILURE(driver().landLetter(SpawnLeft, topOfRow(-1), "a")); // game over, first place
    EXPECT_EQ(label("LblName0")->text(), "Ann") << "shown at once, from memory";
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    driver().masterTick(); // a tile in play, to steer while the save waits
    const float left = falling(*window).Left;
    QTest::keyClick(window->surface(), Qt::Key_Right);
    EXPECT_GT(falling(*window).Left, left);
    EXPECT_EQ(QFileInfo(dir.filePath("hs.txt")).size(), 70) << "the key waited for the save";
    // Closed now, with the save still on its way, the player would be told.
    const std::vector<std::string> unwritten = window->finishSaves(std::chrono::milliseconds(100));
    EXPECT_EQ(unwritten, std::vector<std::string>{"\"Ann\" 57"});
    EXPECT_EQ(unwrittenSavesText("/t/hs.txt", unwritten),
              "lexidrop: these high scores were not written to /t/hs.txt within 10 s of closing: \"Ann\" 57\n");
    driver().finishSaves();
    QFile table(dir.filePath("hs.txt"));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    EXPECT_TRUE(table.readAll().startsWith("\"Ann\"\r\n57\r\n"));
}

// A save left undone at close is said; one that brought no new entry (the
// start-up write of a missing table) names none.
TEST(UnwrittenSaves, NameOnlyTheEntriesTheyBrought)
{
    EXPECT_EQ(unwrittenSavesText("/t/hs.txt", {""}),
              "lexidrop: the high scores were not written to /t/hs.txt within 10 s of closing\n");
    EXPECT_EQ(unwrittenSavesText("/t/hs.txt", {"", "\"Ann\" 57", "\"Bob\" 9"}),
              "lexidrop: these high scores were not written to /t/hs.txt within 10 s of closing: "
              "\"Ann\" 57, \"Bob\" 9\n");
}

TEST_F(BehaviourTest, ClosingTheWindowStopsTheGameForGood)
{
    ASSERT_TRUE(showActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver().state().Falling; }, 2000));
    window->close();
    EXPECT_TRUE(driver().gameClosed());
    EXPECT_FALSE(driver().masterRunning());
    EXPECT_FALSE(driver().settleRunning());
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window.get(), &activate);
    EXPECT_FALSE(driver().masterRunning());
    // No box can appear any more: both return at once.
    window->messageBox("You Lose");
    EXPECT_EQ(window->inputBox("prompt", "Lexidrop"), "");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(BehaviourTest, HighScoreFileIsCreatedBesideTheGameAtLoad)
{
    // Form_Load ran when the window was made; a missing table is written
    // whole, by the save thread.
    driver().finishSaves();
    const QFileInfo file(dir.filePath("hs.txt"));
    ASSERT_TRUE(file.exists());
    EXPECT_EQ(file.size(), 70);
}

TEST_F(BehaviourTest, MissingLetterFileShowsAPlainTileAndPlayGoesOn)
{
    ASSERT_TRUE(QFile::remove(dir.filePath("a.bmp")));
    driver().masterTick(); // spawns the first tile, always "a"
    driver().masterTick();
    const int top = topAfterFallSteps(2);
    const QImage image = client();
    const QRgb body = image.pixel(SpawnLeft + 1, top + 1);
    EXPECT_NE(body, qRgb(0, 0, 0));
    EXPECT_GT(qBlue(body), qRed(body) + 50);
    int white = 0;
    for (int y = top; y < top + TileSize; ++y) {
        for (int x = SpawnLeft; x < SpawnLeft + TileSize; ++x) {
            white += image.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
        }
    }
    EXPECT_GT(white, 10) << "the capital A on the stand-in tile";
    QTest::keyClick(window->surface(), Qt::Key_Left);
    EXPECT_EQ(falling(*window).Left, leftOfColumn(SpawnColumn - 1));
}

} // namespace
} // namespace lexidrop::ui::testing
