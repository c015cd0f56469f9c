// Steering, pausing and the letter draw.
#include <gtest/gtest.h>

#include <map>

#include "fakes/fake_window.h"
#include "game/letters.h"
#include "game/rnd.h"

namespace lexidrop::testing {
namespace {

// A falling tile steered to a Left and let fall to a Top (a whole number of
// fall steps below its spawn) in an empty well.
::testing::AssertionResult fallingAt(Rig& rig, int left, int top)
{
    if (auto spawned = rig.spawn("b"); !spawned) {
        return spawned;
    }
    for (int at = SpawnLeft; at != left; at += at < left ? TileSize : -TileSize) {
        rig.game.Form_KeyDown(at < left ? Key::Right : Key::Left);
    }
    while (rig.falling().Top < static_cast<float>(top)) {
        rig.game.TmrMaster_Timer();
    }
    return ::testing::AssertionSuccess();
}

TEST(Keys, MoveTheFallingTileWithinTheWell)
{
    struct Case {
        Key key;
        int left, top;         // before
        float wantLeft, wantTop; // after
    };
    constexpr int high = topAfterFallSteps(1); // where the spawn tick leaves a tile
    constexpr int last = leftOfColumn(Columns - 1);
    constexpr int low = LastDropTop;           // the lowest Top Down still moves
    const Case cases[] = {
        {Key::Left, leftOfColumn(1), high, WellLeft, high},
        {Key::Left, WellLeft, high, WellLeft, high}, // column 0: no move
        {Key::Right, leftOfColumn(Columns - 2), high, last, high},
        {Key::Right, last, high, last, high}, // the last column: no move
        {Key::Down, SpawnLeft, low, SpawnLeft, low + DropStep},
        {Key::Down, SpawnLeft, low + FallStep, SpawnLeft, low + FallStep}, // a fall step lower: no move
        {Key::Down, SpawnLeft, low - FallStep, SpawnLeft, low - FallStep + DropStep},
        {Key::Other, SpawnLeft, high, SpawnLeft, high}, // any other key: nothing
    };
    for (const Case& c : cases) {
        Rig rig;
        ASSERT_TRUE(fallingAt(rig, c.left, c.top));
        ASSERT_EQ(rig.falling().Top, static_cast<float>(c.top));
        rig.game.Form_KeyDown(c.key);
        EXPECT_EQ(rig.falling().Left, c.wantLeft) << "at " << c.left << "," << c.top;
        EXPECT_EQ(rig.falling().Top, c.wantTop) << "at " << c.left << "," << c.top;
    }
}

TEST(Keys, EveryKeyEventBetweenTwoTicksMovesTheTile)
{
    Rig rig;
    ASSERT_TRUE(rig.spawn("b"));
    for (int i = 0; i < 5; ++i) {
        rig.game.Form_KeyDown(Key::Left); // auto-repeat is not filtered
    }
    EXPECT_EQ(rig.falling().Left, static_cast<float>(WellLeft));
    rig.game.Form_KeyDown(Key::Down);
    rig.game.Form_KeyDown(Key::Down);
    EXPECT_EQ(rig.falling().Top, static_cast<float>(SpawnTop + FallStep + 2 * DropStep));
}

TEST(Keys, DoNothingWhileNoTileFalls)
{
    Rig rig;
    rig.game.Form_KeyDown(Key::Left); // before the first spawn
    ASSERT_TRUE(rig.drop(3, "b"));    // landed on the floor
    rig.game.Form_KeyDown(Key::Left);
    EXPECT_EQ(rig.state().ImgLetter.at(1).Left, static_cast<float>(SpawnLeft));
    EXPECT_EQ(rig.state().ImgLetter.at(0).Left, static_cast<float>(PreviewLeft)) << "the preview never moves";
}

TEST(Keys, TheDownKeyNeverCarriesATileToTheFloor)
{
    Rig rig;
    ASSERT_TRUE(rig.spawn("b"));
    for (int i = 0; i < 40; ++i) {
        rig.game.Form_KeyDown(Key::Down);
    }
    int stop = SpawnTop + FallStep; // where the spawn tick leaves it
    while (stop < DropLimit) {
        stop += DropStep;
    }
    EXPECT_EQ(rig.falling().Top, static_cast<float>(stop)) << "Down stops at the first Top at or past DropLimit";
    EXPECT_TRUE(rig.state().Falling);
    EXPECT_EQ(rig.state().Board.at(SpawnColumn + Columns * FloorRow), "") << "only the ticks land a tile";
}

TEST(Focus, LosingItPausesTheFallAndRegainingItResumes)
{
    Rig rig;
    ASSERT_TRUE(rig.spawn("b"));
    rig.game.Form_LostFocus();
    EXPECT_FALSE(rig.state().TmrMasterEnabled);
    EXPECT_EQ(rig.window.timerCalls[Timer::Master], std::vector<bool>{false});
    rig.game.Form_GotFocus();
    EXPECT_TRUE(rig.state().TmrMasterEnabled);
    EXPECT_EQ(rig.window.timerCalls[Timer::Master], (std::vector<bool>{false, true}));
}

TEST(Focus, DoesNotTouchTheSettleTimer)
{
    Rig rig;
    rig.place(2, 14, "c");
    rig.place(3, 14, "a");
    rig.place(2, 13, "o");
    ASSERT_TRUE(rig.drop(4, "t"));
    ASSERT_TRUE(rig.state().TmrAuxiliaryEnabled);
    rig.game.Form_LostFocus();
    EXPECT_TRUE(rig.state().TmrAuxiliaryEnabled);
}

TEST(Focus, TheTickHandsTheKeysBackAfterSpawnAndEveryStep)
{
    Rig rig;
    rig.game.TmrMaster_Timer(); // spawn and step
    EXPECT_EQ(rig.window.focusRequests, 2);
    rig.game.TmrMaster_Timer();
    EXPECT_EQ(rig.window.focusRequests, 3);
}

TEST(Closing, StopsBothTimersForGoodAndNothingMovesAfterwards)
{
    Rig rig;
    ASSERT_TRUE(rig.spawn("b"));
    const float top = rig.falling().Top;
    rig.game.Form_Unload();
    rig.game.Form_GotFocus();
    rig.game.TmrMaster_Timer();
    rig.game.Form_KeyDown(Key::Down);
    EXPECT_FALSE(rig.state().TmrMasterEnabled);
    EXPECT_FALSE(rig.state().TmrAuxiliaryEnabled);
    EXPECT_EQ(rig.falling().Top, top);
}

TEST(Closing, DuringTheLoseBoxKeepsTheScoreButAsksNoName)
{
    Rig rig;
    GameSetup(rig.game).setScore(50);
    rig.window.duringBox = [&] { rig.game.Form_Unload(); };
    rig.game.LandLetter(static_cast<std::int16_t>(leftOfColumn(3)), static_cast<std::int16_t>(topOfRow(-1)), "q");
    EXPECT_EQ(rig.window.messages.size(), 1u);
    EXPECT_TRUE(rig.window.prompts.empty()) << "no box may appear after the window closed";
    EXPECT_EQ(rig.state().Table.HsScores.at(0), 50);
    EXPECT_EQ(rig.store.writes, 1);
}

TEST(RandomLetter, DrawNumbersMapToTheTableWithEAsFallback)
{
    const std::map<int, std::string> table{
        {1, "a"},  {12, "a"},  {13, "b"},  {24, "d"},  {25, "e"},  {37, "e"}, {38, "f"},
        {64, "l"}, {89, "q"},  {90, "r"},  {103, "s"}, {110, "t"}, {118, "u"}, {123, "x"},
        {124, "y"}, {125, "y"}, {126, "e"}, {127, "z"}, {128, "e"},
    };
    for (const auto& [c, letter] : table) {
        EXPECT_EQ(letterForDraw(static_cast<std::int16_t>(c)), letter) << c;
    }
}

TEST(RandomLetter, TheDrawRoundsHalfToEven)
{
    EXPECT_EQ(drawNumber(0.0f), 1);
    EXPECT_EQ(drawNumber(0.5f), 64) << "64.5 rounds to the even 64";
    EXPECT_EQ(drawNumber(0.99999994f), 128);
    EXPECT_EQ(letterForDraw(drawNumber(0.99999994f)), "e");
}

TEST(RandomLetter, ReseedsWithTheSecondsOfTheTimeOnEveryCall)
{
    Rig rig;
    rig.window.time = "23:59:07";
    rig.random.draws = {0.0f, 0.5f};
    EXPECT_EQ(rig.game.RandomLetter(), "a");
    rig.window.time = "00:00:42";
    EXPECT_EQ(rig.game.RandomLetter(), "l");
    EXPECT_EQ(rig.random.seeds, (std::vector<int>{7, 42}));
}

TEST(RandomLetter, SharesFollowTheTable)
{
    Rnd rnd(2024);
    std::map<std::string, int> counts;
    constexpr int draws = 254 * 4000;
    for (int i = 0; i < draws; ++i) {
        rnd.randomize(i % 60);
        counts[letterForDraw(drawNumber(rnd.next()))]++;
    }
    const std::map<std::string, int> weights{
        {"a", 23}, {"b", 8}, {"c", 8},  {"d", 8},  {"e", 29}, {"f", 6},  {"g", 8},  {"h", 8}, {"i", 12},
        {"j", 4},  {"k", 4}, {"l", 12}, {"m", 10}, {"n", 10}, {"o", 18}, {"p", 10}, {"q", 2}, {"r", 12},
        {"s", 16}, {"t", 14}, {"u", 16}, {"v", 4}, {"w", 4},  {"x", 2},  {"y", 4},  {"z", 2},
    };
    for (const auto& [letter, weight] : weights) {
        const double expected = draws * weight / 254.0;
        EXPECT_NEAR(counts[letter], expected, expected * 0.05) << letter;
    }
}

TEST(RandomLetter, ReseedingWithTheSameSecondDoesNotRepeatTheDraw)
{
    Rnd rnd;
    std::map<float, int> seen;
    for (int i = 0; i < 100; ++i) {
        rnd.randomize(17);
        seen[rnd.next()]++;
    }
    EXPECT_GT(seen.size(), 95u);
}

} // namespace
} // namespace lexidrop::testing
